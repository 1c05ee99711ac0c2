// The tests' entry point: the stand-in devices exist only for a program that umockdev's preload
// library watches, so the program starts itself again under umockdev-wrapper when it is not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // umockdev_in_mock_environment() tells only once a testbed exists: look for the preload.
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) {
    // The program's own path, whatever name it was started by.
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<char*> arguments{const_cast<char*>(PLIVEX_UMOCKDEV_WRAPPER), self.data()};
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    arguments.push_back(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // The preload library comes before AddressSanitizer's runtime in the list of libraries.
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string asan = std::string(options != nullptr ? options : "") +
                             (options != nullptr ? ":" : "") + "verify_asan_link_order=0";
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
#endif
    execv(PLIVEX_UMOCKDEV_WRAPPER, arguments.data());
    std::perror("umockdev-wrapper");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
