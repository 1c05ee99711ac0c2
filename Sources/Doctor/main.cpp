// plivex-doctor: prints what Plivex sees on this machine, one "key: value" line each, and
// changes nothing. On a Mac it asks the real system. On Linux it follows the program's own choice
// of backend: an X11 session's display itself, a Wayland session's desktop and keyboards; otherwise
// (the demo's case) a fresh virtual Mac holding the settings that the Linux programs keep.
// Usage: plivex-doctor [--help | --version | --words]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Doctor/DoctorReport.h"
#include "Platform/Backend.h"
#ifdef PLIVEX_DOCTOR_LINUX
#include <cstdlib>

#include "Doctor/WaylandReport.h"
#include "Doctor/X11Report.h"
#include "Kestravane/Linux/BackendChoice.h"
#include "Kestravane/Linux/SingleInstance.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Wayland/WaylandPlatform.h"
#include "Platform/X11/X11Platform.h"
#endif

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace {

constexpr std::string_view kUsage =
    "usage: plivex-doctor [--help | --version]\n"
    "Prints what Plivex sees on this machine (an X11 session's display, layouts and trigger key;\n"
    "a Wayland session's desktop, layouts, keyboards and trigger key; or a Mac's permissions;\n"
    "the login item, the settings), one \"key: value\" line each, and changes nothing.\n"
    "(--words prints the words of the blocking and login-item lines, in their order.)\n";

// The report of the system the program would run on.
std::vector<std::string> report() {
  using namespace kestravane;
#ifdef PLIVEX_DOCTOR_LINUX
  const auto choice = linux_app::chooseBackendFromEnvironment(false);
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (choice.backend == linux_app::Backend::x11) {
    platform::x11::X11PlatformOptions options;
    options.defaultsFile = platform::host::FileUserDefaults::defaultPath();
    // No state folder: the platform would give back a key an ended run left withheld.
    options.stateDirectory = std::filesystem::path();
    if (const auto x11 = platform::x11::makeX11Services(std::move(options))) {
      return doctor::x11ReportLines(doctor::examineX11(*x11, PLIVEX_VERSION, ""));
    }
    return {std::string("plivex-doctor: ") + PLIVEX_VERSION, "backend: X11",
            "display: " + doctor::escaped(std::getenv("DISPLAY")) + " unreachable",
            "blocking: " + std::string(doctor::sessionWord(doctor::SessionBlocker::display))};
  }
  if (choice.backend == linux_app::Backend::wayland) {
    // As the program names its display; without a state folder nothing an ended run left
    // withheld is given back.
    const std::string display = wayland != nullptr && *wayland != '\0' ? wayland : "wayland-0";
    platform::wayland::WaylandPlatformOptions options;
    options.defaultsFile = platform::host::FileUserDefaults::defaultPath();
    options.stateDirectory = std::filesystem::path();
    platform::wayland::WaylandPlatform platform(std::move(options));
    const auto runtime = SingleInstance::runtimeDirectory();
    const doctor::WaylandPlaces places{runtime / "plivex",
                                       SingleInstance::lockFileFor("wayland:" + display, runtime)};
    return doctor::waylandReportLines(
        doctor::examineWayland(platform, PLIVEX_VERSION, display, places));
  }
#endif
  const auto services = platform::makeBackendServicesWithStoredDefaults();
  const auto findings =
      doctor::examine(*services, PLIVEX_VERSION, std::string(platform::backendName()));
  return doctor::reportLines(findings);
}

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
  for (const auto& line : report()) {
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
