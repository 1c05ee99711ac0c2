// The system log through NSLog, one finished message per call.
// Threads: any thread.
#pragma once

#include <string_view>

#include "Platform/Log.h"

namespace kestravane::platform::macos {

class MacLog final : public Log {
 public:
  // The message is passed as the argument of a fixed "%@" format, never as the format itself.
  // Bytes that are not UTF-8 are read as Latin-1, so the line is still written.
  void log(std::string_view message) override;
};

}  // namespace kestravane::platform::macos
