// A log that keeps its lines for a test to read.
// Threads: one test's thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Log.h"

namespace kestravane::testing_support {

struct LogLines final : platform::Log {
  void log(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

}  // namespace kestravane::testing_support
