// Stand-in devices exist only for a program that umockdev's preload library watches: a program
// that makes them starts itself again under umockdev-wrapper when it is not watched yet.
// Threads: the program's main thread, before any other thread starts.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace kestravane::testing_support {

// True when the program is watched already; otherwise executes it again under `wrapper` with
// the same arguments, and returns (false) only when that failed, having said why.
[[nodiscard]] inline bool restartUnderUmockdev(const char* wrapper, int argc, char** argv) {
  // umockdev_in_mock_environment() tells only once a testbed exists: look for the preload.
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr) return true;
  // The program's own path, whatever name it was started by.
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<char*> arguments{const_cast<char*>(wrapper), self.data()};
  arguments.insert(arguments.end(), argv + 1, argv + argc);
  arguments.push_back(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // The preload library comes before AddressSanitizer's runtime in the list of libraries.
  const char* options = std::getenv("ASAN_OPTIONS");
  const std::string asan = std::string(options != nullptr ? options : "") +
                           (options != nullptr ? ":" : "") + "verify_asan_link_order=0";
  setenv("ASAN_OPTIONS", asan.c_str(), 1);
#endif
  execv(wrapper, arguments.data());
  std::perror("umockdev-wrapper");
  return false;
}

}  // namespace kestravane::testing_support
