// plivex-doctor: prints what Plivex sees on this machine, one "key: value" line each, and
// changes nothing. On a Mac it asks the real system; elsewhere a fresh virtual Mac holding the
// settings that the Linux programs keep.
// Usage: plivex-doctor [--help | --version | --words]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "Doctor/DoctorReport.h"
#include "Platform/Backend.h"

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace {

constexpr std::string_view kUsage =
    "usage: plivex-doctor [--help | --version]\n"
    "Prints what Plivex sees on this machine (permissions, layouts, the Globe key, the login\n"
    "item, the stored settings), one \"key: value\" line each, and changes nothing.\n"
    "(--words prints the words of the blocking and login-item lines, in their order.)\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace kestravane;
  std::signal(SIGXFSZ, SIG_IGN);  // a report written to a limited file fails as a write
  if (argc > 1) {
    const std::string_view argument = argv[1];
    if (argc == 2 && argument == "--version") {
      std::printf("plivex-doctor %s\n", PLIVEX_VERSION);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 2 && argument == "--words") {
      for (const auto& line : doctor::vocabularyLines()) std::printf("%s\n", line.c_str());
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const bool help = argc == 2 && (argument == "--help" || argument == "-h");
    std::fputs(kUsage.data(), help ? stdout : stderr);
    return help ? 0 : 2;
  }
  const auto services = platform::makeBackendServicesWithStoredDefaults();
  const auto findings =
      doctor::examine(*services, PLIVEX_VERSION, std::string(platform::backendName()));
  for (const auto& line : doctor::reportLines(findings)) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  // A report that did not reach its reader is a failure, said where it can still be seen.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    const int error = errno;
    std::fprintf(stderr, "plivex-doctor: cannot write the report: %s\n", std::strerror(error));
    return 1;
  }
  return 0;
}
