// Reads a scenario file (the format is described in Tests/Scenarios/README.md) into a Scenario.
// Threads: pure functions.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Scenarios/Scenario.h"

namespace kestravane::scenario {

// A line that cannot be read; `line` is 1-based, 0 when the file itself could not be read.
class ParseError : public std::runtime_error {
 public:
  ParseError(int line, const std::string& message) : std::runtime_error(message), line(line) {}
  const int line;
};

// Throws ParseError.
Scenario parseScenario(std::string_view text, std::string path);
Scenario loadScenario(const std::filesystem::path& path);

}  // namespace kestravane::scenario
