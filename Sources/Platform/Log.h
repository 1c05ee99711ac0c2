// The system log (NSLog with one finished message).
// Threads: any thread.
#pragma once

#include <string_view>

namespace kestravane::platform {

class Log {
 public:
  virtual ~Log() = default;
  // Writes one line; the message is taken verbatim.
  virtual void log(std::string_view message) = 0;
};

}  // namespace kestravane::platform
