// The doctor's report of a Wayland session over the stand-ins: a real headless Sway given a
// keyboard of two layouts, or a desktop Plivex cannot switch; a stand-in keyboard that opens, or
// that a process outside the `input` group may not open, or none; a note of a withheld key with
// the display's lock held by a running Plivex or by nobody. Each report also passes the checker
// the doctor's own output is held to, which holds its blocking line to the findings (a key
// conflict the desktop's options may add is left to it).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Doctor/WaylandReport.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/WaylandPlatform.h"
#include "Support/SpawnedProgram.h"
#include "Wayland/EvdevAccessChild.h"
#include "Wayland/EvdevTestbed.h"
#include "Wayland/SwayServer.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using testing_support::EvdevTestbed;
using testing_support::SpawnedProgram;
using testing_support::SwayServer;
using Kind = EvdevTestbed::Kind;

// The report of a session whose desktop `environment` names; the state folder and lock in `folder`.
std::string report(const std::map<std::string, std::string>& environment, const fs::path& folder) {
  platform::wayland::WaylandPlatformOptions options;
  options.stateDirectory = fs::path();
  options.environment = [&](std::string_view name) -> std::optional<std::string> {
    const auto found = environment.find(std::string(name));
    if (found == environment.end()) return std::nullopt;
    return found->second;
  };
  platform::wayland::WaylandPlatform platform(std::move(options));
  const auto findings = doctor::examineWayland(platform, "0.1.0", "wayland-7",
                                               {folder / "state", folder / "plivex.lock"});
  std::string text;
  for (const auto& line : doctor::waylandReportLines(findings)) text += line + "\n";
  return text;
}

// The same, made by a child that may not open `keyboard`; empty when that cannot be arranged.
std::string reportWithoutAccess(EvdevTestbed& testbed, const EvdevTestbed::Device& keyboard,
                                const std::map<std::string, std::string>& environment,
                                const fs::path& folder) {
#if defined(__SANITIZE_THREAD__)
  // The forked child starts threads (the platform's), which ThreadSanitizer refuses to follow.
  return {};
#endif
  const fs::path file = folder / "child-report.txt";
  std::ofstream{file};
  fs::permissions(file, fs::perms(0666));  // the child may run as nobody
  const int status = testing_support::inChildWithoutAccess(testbed, keyboard, false, [&] {
    std::ofstream(file) << report(environment, folder);
    return 0;
  });
  if (status == testing_support::kCannotArrange) return {};
  EXPECT_EQ(status, 0);
  return platform::desktop::readSmallFile(file).value_or("");
}

TEST(WaylandDoctor, ReportsTheDesktopTheKeyboardsAndANoteLeftBehind) {
  struct Setup {
    bool sway;           // a headless Sway with a us,ru keyboard; otherwise "Weston"
    Kind device;         // the stand-in device plugged in
    bool refused;        // the report's process may not open it
    bool plivexRunning;  // the display's lock is held
  };
  struct Case {
    const char* name;
    Setup setup;
    std::vector<std::string> lines;
  };
  const std::string note = "\"caps:none\"";
  const std::vector<Case> cases{
      {"a desktop Plivex cannot switch, no keyboard",
       {false, Kind::mouse, false, false},
       {"desktop: \"Weston\"\n",
        "switching: unavailable \"Weston offers Plivex no way to switch the keyboard layout\"\n",
        "layouts: 0\n", "keyboards: 0\n", "keyboard-access: no-keyboards\n", "remedy: none\n",
        "trigger-action: kept\n", "withheld-key: " + note + " left-by-ended-run ",
        "blocking: layouts, ", ", desktop\n"}},
      // The Sway cases last: where Sway is missing the test ends there, skipped, saying why.
      {"Sway with us,ru and a readable keyboard",
       {true, Kind::keyboard, false, true},
       {"desktop: \"Sway\"\n", "switching: available\n", "layouts: 2\n",
        "layout: us \"English (US)\" current\n", "layout: ru \"Russian\"\n", "keyboards: 1\n",
        "keyboard: /dev/input/event1 \"Stand-in keyboard\" readable\n",
        "keyboard-access: granted\n", "remedy: none\n",
        "withheld-key: " + note + " by-running-plivex "}},
      {"Sway, no readable keyboard",
       {true, Kind::keyboard, true, false},
       {"desktop: \"Sway\"\n", "layouts: 2\n", "keyboard: /dev/input/event1 \"\" refused\n",
        "keyboard-access: not-in-input-group\n", "input-group: not-member\n",
        "remedy: \"sudo usermod -aG input $USER\", then log out and in\n",
        "blocking: accessibility, input-monitoring, ", ", input-group\n"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    EvdevTestbed testbed;
    const auto device = testbed.add(test.setup.device, 1);
    std::map<std::string, std::string> environment{{"XDG_CURRENT_DESKTOP", "Weston"}};
    std::unique_ptr<SwayServer> sway;
    std::unique_ptr<SpawnedProgram> keyboard;
    if (test.setup.sway) {
      if (!SwayServer::installed())
        GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh)";
      sway = std::make_unique<SwayServer>();
      ASSERT_TRUE(sway->running()) << "sway did not start:\n" << sway->log();
      testing_support::ProgramOptions keyboardOptions;
      keyboardOptions.arguments = {"us,ru"};
      keyboardOptions.environment = {{"XDG_RUNTIME_DIR", sway->runtimeDirectory()},
                                     {"WAYLAND_DISPLAY", sway->waylandDisplay()}};
      keyboard = std::make_unique<SpawnedProgram>(PLIVEX_VIRTUAL_KEYBOARD, keyboardOptions);
      ASSERT_TRUE(keyboard->waitForOutput("ready")) << keyboard->stderrText;
      environment = {{"XDG_CURRENT_DESKTOP", "sway"}, {"SWAYSOCK", sway->socketPath()}};
    }
    // The note a run keeps on GNOME, readable by the child too.
    const fs::path folder = testbed.rootDirectory() + "/doctor";
    fs::create_directories(folder / "state");
    fs::permissions(folder, fs::perms(0755));
    fs::permissions(folder / "state", fs::perms(0755));
    std::ofstream(folder / "state" / "withheld-option-gnome")
        << "plivex withheld option 1\noption caps:none\nbefore grp:alt_shift_toggle\n";
    const int lock = ::open((folder / "plivex.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    if (test.setup.plivexRunning) {
      ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    }

    const std::string text = test.setup.refused
                                 ? reportWithoutAccess(testbed, device, environment, folder)
                                 : report(environment, folder);
    ::close(lock);
    if (test.setup.refused && text.empty()) {
      GTEST_SKIP() << "the child cannot be kept from the keyboard here, or under "
                      "ThreadSanitizer be forked to start threads";
    }
    for (const auto& line : test.lines) {
      EXPECT_NE(text.find(line), std::string::npos) << line << " not in:\n" << text;
    }
    const fs::path file = folder / "report.txt";
    std::ofstream(file) << text;
    testing_support::ProgramOptions checkOptions;
    checkOptions.arguments = {PLIVEX_CHECK_DOCTOR, "--file", file.string(), "--words-from",
                              PLIVEX_DOCTOR_PATH};
    SpawnedProgram check(PLIVEX_PYTHON3, checkOptions);
    EXPECT_EQ(check.finish(), 0) << check.stderrText;
  }
}

}  // namespace
}  // namespace kestravane
