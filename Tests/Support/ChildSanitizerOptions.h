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

// A program started behind a preload (umockdev-run's) finds that library before AddressSanitizer's
// runtime in its list, which the runtime refuses unless told not to check.
inline std::string childAsanOptionsBehindPreload() {
  const char* inherited = std::getenv("ASAN_OPTIONS");
  const bool some = inherited != nullptr && *inherited != '\0';
  return (some ? std::string(inherited) + ":" : std::string()) + "verify_asan_link_order=0";
}

inline std::string childLsanOptions(const char* suppressionsFile) {
  const char* inherited = std::getenv("LSAN_OPTIONS");
  return std::string("suppressions=") + suppressionsFile +
         (inherited ? std::string(":") + inherited : "");
}

}  // namespace kestravane::testing_support
