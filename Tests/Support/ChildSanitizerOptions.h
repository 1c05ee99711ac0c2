// The sanitizer options a test gives a program it starts (a sanitizer build's own plivex): the
// test's own options, plus what the child needs beside them. ThreadSanitizer ignores what the
// uninstrumented system libraries (Qt, GLib, D-Bus) do inside; LeakSanitizer takes the
// suppressions file of what those libraries keep until exit.
// Threads: pure; any thread.
#pragma once

#include <cstdlib>
#include <string>

namespace kestravane::testing_support {

inline std::string childTsanOptions() {
  const char* inherited = std::getenv("TSAN_OPTIONS");
  return std::string("ignore_noninstrumented_modules=1") +
         (inherited ? std::string(" ") + inherited : "");
}

inline std::string childLsanOptions(const char* suppressionsFile) {
  const char* inherited = std::getenv("LSAN_OPTIONS");
  return std::string("suppressions=") + suppressionsFile +
         (inherited ? std::string(":") + inherited : "");
}

}  // namespace kestravane::testing_support
