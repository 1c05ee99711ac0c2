// The Linux program plivex started as a user starts it in an X11 session (an X server of the
// test's own with a two-layout keymap): a lone tap of the trigger switches the keyboard's real
// layout, a second start hands over and ends, and the trigger key gets its own action back when
// the program quits, also at the next start after it was killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Platform/X11/WithheldKeyRecord.h"
#include "Platform/X11/X11KeyTable.h"
#include "Platform/X11/X11LogLines.h"
#include "Support/ChildSanitizerOptions.h"
#include "Support/SpawnedProgram.h"
#include "Support/Waiting.h"
#include "Support/XvfbServer.h"
#include "X11Clients.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using platform::x11::kXKeycodeCapsLock;
using platform::x11::kXKeycodeMenu;
using testing_support::KeyboardProbe;
using testing_support::ProgramOptions;
using testing_support::SpawnedProgram;
using testing_support::StandInTray;
using testing_support::TestKeyboard;
using testing_support::waitUntil;
using testing_support::windowShown;
using testing_support::XvfbServer;

std::string tsanOptions() {
  return testing_support::childTsanOptions();
}

std::string lsanOptions() {
  return testing_support::childLsanOptions(PLIVEX_LEAK_SUPPRESSIONS);
}

class X11ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb and setxkbmap are not installed";
    server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->running()) << "Xvfb did not start";
    ASSERT_TRUE(server->setLayouts("us,ru")) << "setxkbmap failed";
    std::string pattern = (fs::temp_directory_path() / "plivex-x11-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    fs::create_directories(directory / "runtime");
    fs::permissions(directory / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(directory / "tmp");
    keyboard = std::make_unique<TestKeyboard>(server->display());
    probe = std::make_unique<KeyboardProbe>(server->display());
  }
  void TearDown() override {
    std::error_code ignored;
    if (!directory.empty()) fs::remove_all(directory, ignored);
  }

  // An X11 session's start with its own settings, runtime and state folders; no session bus,
  // so Qt uses the X11 tray protocol (there is no tray here: the program goes on without one).
  ProgramOptions x11Start(std::vector<std::string> arguments = {}) const {
    ProgramOptions options;
    options.arguments = std::move(arguments);
    options.environment = {{"DISPLAY", server->display()},
                           {"XDG_SESSION_TYPE", "x11"},
                           {"WAYLAND_DISPLAY", std::nullopt},
                           {"QT_QPA_PLATFORM", "xcb"},
                           {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
                           {"HOME", directory.string()},
                           {"XDG_CONFIG_HOME", (directory / "config").string()},
                           {"XDG_STATE_HOME", (directory / "state").string()},
                           {"XDG_RUNTIME_DIR", (directory / "runtime").string()},
                           // The private fallback folder, should the runtime folder be refused:
                           // the test's own, never another test's.
                           {"TMPDIR", (directory / "tmp").string()},
                           // In a ThreadSanitizer build: Qt's hand-overs between its own threads
                           // (D-Bus, X events) under locks the sanitizer cannot see, as Qt is not
                           // built with it. The program's own code stays checked.
                           {"TSAN_OPTIONS", tsanOptions()},
                           // In an AddressSanitizer build: what libdbus keeps until exit.
                           {"LSAN_OPTIONS", lsanOptions()}};
    return options;
  }

  // Started: the program says so once its engine runs, and the trigger (the Menu key, for fn)
  // has lost its own action.
  bool started(SpawnedProgram& program) {
    return waitReading(program,
                       [&] {
                         return program.stderrText.find("backend: X11 on " + server->display()) !=
                                std::string::npos;
                       }) &&
           menuKeyWithheld();
  }
  bool menuKeyWithheld() { return probe->firstKeysym(kXKeycodeMenu) == NoSymbol; }
  bool menuKeyGivenBack() { return probe->firstKeysym(kXKeycodeMenu) == XK_Menu; }
  // Waits for `condition`, reading the program's log meanwhile so that it never blocks on it.
  static bool waitReading(SpawnedProgram& program, const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout = testing_support::kDefaultWait) {
    return waitUntil(
        [&] {
          program.readAvailable(0);
          return condition();
        },
        timeout);
  }
  // The trigger's key gets its own action back within one check (3 s) and keeps it for another
  // whole check: a new keymap gives the key its action for a moment even while Plivex runs.
  bool keyGivenBackForGood(SpawnedProgram& program, unsigned keycode) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kCheck = std::chrono::milliseconds(3500);
    const auto end = Clock::now() + 3 * kCheck;
    auto since = Clock::time_point::max();  // max: the key has no action now
    while (Clock::now() < end) {
      program.readAvailable(0);
      const auto now = Clock::now();
      if (probe->firstKeysym(keycode) == NoSymbol) {
        since = Clock::time_point::max();
      } else if (since == Clock::time_point::max()) {
        since = now;
      } else if (now - since >= kCheck) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  std::unique_ptr<XvfbServer> server;
  fs::path directory;
  std::unique_ptr<TestKeyboard> keyboard;
  std::unique_ptr<KeyboardProbe> probe;
};

TEST_F(X11ProgramTest, ALoneTapSwitchesTheRealLayoutAndQuittingGivesTheKeyBack) {
  ASSERT_TRUE(menuKeyGivenBack());
  SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(started(plivex)) << "the engine never started; its log:\n" << plivex.stderrText;

  keyboard->tap(kXKeycodeMenu);
  EXPECT_TRUE(waitReading(plivex, [&] { return probe->group() == 1; }))
      << "the first tap did not switch";
  keyboard->tap(kXKeycodeMenu);
  EXPECT_TRUE(waitReading(plivex, [&] { return probe->group() == 0; }))
      << "the second tap did not switch";

  // Started again, it says so and ends; the first one runs on.
  SpawnedProgram second(PLIVEX_APP_PATH, x11Start());
  EXPECT_EQ(second.finish(), 0);
  EXPECT_NE(second.stdoutText.find("Plivex is already running"), std::string::npos)
      << second.stdoutText << second.stderrText;
  EXPECT_TRUE(menuKeyWithheld());

  EXPECT_EQ(plivex.stop(SIGTERM), 0);
  EXPECT_TRUE(menuKeyGivenBack()) << "quitting left the Menu key without its action";
  EXPECT_EQ(plivex.stderrText.find("Wayland"), std::string::npos) << plivex.stderrText;
}

// Closing the terminal it was started from (SIGHUP), or any other signal that ends a program by
// default, ends it as SIGTERM does: the key gets its action back.
TEST_F(X11ProgramTest, EverySignalThatEndsItGivesTheKeyBack) {
  for (const int signal : {SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGRTMIN}) {
    SCOPED_TRACE(strsignal(signal));
    SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
    ASSERT_TRUE(started(plivex)) << plivex.stderrText;
    ASSERT_TRUE(menuKeyWithheld());
    EXPECT_EQ(plivex.stop(signal), 0);
    EXPECT_TRUE(menuKeyGivenBack());
  }
}

TEST_F(X11ProgramTest, AfterBeingKilledTheNextStartGivesTheKeyBackAndWorks) {
  {
    SpawnedProgram killed(PLIVEX_APP_PATH, x11Start());
    ASSERT_TRUE(started(killed)) << killed.stderrText;
    killed.stop(SIGKILL);
  }
  EXPECT_TRUE(menuKeyWithheld()) << "a killed program cannot give the key back by itself";
  SpawnedProgram next(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(started(next)) << next.stderrText;
  keyboard->tap(kXKeycodeMenu);
  EXPECT_TRUE(waitReading(next, [&] { return probe->group() == 1; }));
  EXPECT_EQ(next.stop(SIGTERM), 0);
  EXPECT_TRUE(menuKeyGivenBack());
}

// With the settings window open, each keymap the user loads is followed within one check: with
// one layout Plivex stops and the Menu key has its own action; with two or more it withholds the
// key again and a tap goes through every group.
TEST_F(X11ProgramTest, EachCheckFollowsTheKeymapWithTheSettingsWindowOpen) {
  SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(started(plivex)) << plivex.stderrText;
  SpawnedProgram second(PLIVEX_APP_PATH, x11Start());  // brings the settings window forward
  EXPECT_EQ(second.finish(), 0);
  ASSERT_TRUE(waitReading(plivex, [&] {
    return windowShown(server->display(), "Plivex Settings");
  })) << plivex.stderrText;

  // The 3 s check, with room for a busy machine.
  constexpr std::chrono::milliseconds kOneCheck{8000};
  for (const auto& [layouts, groups] : std::vector<std::pair<std::string, int>>{
           {"us", 1}, {"us,de", 2}, {"us,ru,de", 3}, {"us", 1}, {"us,ru", 2}}) {
    SCOPED_TRACE(layouts);
    ASSERT_TRUE(server->setLayouts(layouts));
    if (groups < 2) {
      EXPECT_TRUE(keyGivenBackForGood(plivex, kXKeycodeMenu)) << "the Menu key stays dead";
      continue;
    }
    EXPECT_TRUE(waitReading(
        plivex, [&] { return menuKeyWithheld(); }, kOneCheck));
    ASSERT_EQ(probe->group(), 0);
    // A tap in the moments before a new engine's tap thread takes its tap up passes unseen.
    EXPECT_TRUE(waitReading(plivex, [&] {
      keyboard->tap(kXKeycodeMenu);
      return waitUntil([&] { return probe->group() == 1; }, std::chrono::milliseconds(300));
    })) << "no tap switched";
    for (int tap = 2; tap <= groups; ++tap) {
      keyboard->tap(kXKeycodeMenu);
      EXPECT_TRUE(waitReading(plivex, [&] { return probe->group() == tap % groups; }))
          << "tap " << tap << " did not switch";
    }
  }
  EXPECT_TRUE(windowShown(server->display(), "Plivex Settings"));
  EXPECT_EQ(plivex.stop(SIGTERM), 0);
}

// While Caps Lock is the trigger and an XKB option makes it switch layouts by itself, Plivex
// does not run and Caps Lock keeps its own action; without the option it is withheld again.
TEST_F(X11ProgramTest, ATriggerKeyConflictLeavesTheKeyItsOwnAction) {
  fs::create_directories(directory / "config" / "plivex");
  std::ofstream(directory / "config" / "plivex" / "defaults.json")
      << R"({"PlivexConfig.v1":{"json":{"trigger":"capsLock"}}})";
  const auto capsWithheld = [&] { return probe->firstKeysym(kXKeycodeCapsLock) == NoSymbol; };
  SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(waitReading(plivex, capsWithheld)) << plivex.stderrText;

  ASSERT_TRUE(server->setLayouts("us,ru", "grp:caps_toggle"));
  EXPECT_TRUE(keyGivenBackForGood(plivex, kXKeycodeCapsLock));
  ASSERT_TRUE(server->setLayouts("us,ru"));
  EXPECT_TRUE(waitReading(plivex, capsWithheld, std::chrono::milliseconds(8000)));
  EXPECT_EQ(plivex.stop(SIGTERM), 0);
  EXPECT_FALSE(capsWithheld());
}

// A runtime folder that others may write into is passed over for the private fallback, and the
// note of the withheld key goes there with the lock: a link planted in the runtime folder where
// the note would be leads nowhere, and the next start after a kill finds the note beside the lock.
TEST_F(X11ProgramTest, TheWithheldKeyNoteLivesBesideTheLockNeverThroughALink) {
  const fs::path shared = directory / "shared-runtime";
  const fs::path elsewhere = directory / "elsewhere";
  fs::create_directories(shared);
  fs::create_directories(elsewhere);
  fs::permissions(shared, fs::perms::all, fs::perm_options::replace);
  fs::create_directory_symlink(elsewhere, shared / "plivex");
  auto start = x11Start();
  for (auto& [name, value] : start.environment) {
    if (name == "XDG_RUNTIME_DIR") value = shared.string();
  }
  const fs::path fallback = directory / "tmp" / ("plivex-" + std::to_string(::getuid()));
  const fs::path note = fallback / "plivex" / platform::x11::recordFileName(server->display());
  {
    SpawnedProgram killed(PLIVEX_APP_PATH, start);
    ASSERT_TRUE(started(killed)) << killed.stderrText;
    // The lock is the display's, as the one-instance rule is.
    EXPECT_TRUE(fs::exists(fallback /
                           ("plivex-" + platform::x11::displayKey(server->display()) + ".lock")));
    EXPECT_TRUE(fs::exists(note)) << killed.stderrText;
    EXPECT_TRUE(fs::is_empty(elsewhere)) << "the note went through the planted link";
    killed.stop(SIGKILL);
  }
  SpawnedProgram next(PLIVEX_APP_PATH, start);
  ASSERT_TRUE(started(next)) << next.stderrText;
  EXPECT_NE(next.stderrText.find(platform::x11::logline::kGivenBackAfterEarlierRun),
            std::string::npos)
      << next.stderrText;
  EXPECT_EQ(next.stop(SIGTERM), 0);
  EXPECT_TRUE(menuKeyGivenBack());
  EXPECT_FALSE(fs::exists(note));
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

// One Plivex per user and display: a start on the same display from another runtime folder says
// which display and brings the running one's settings forward; a start on another display runs.
TEST_F(X11ProgramTest, OnePlivexPerDisplayWhateverTheRuntimeFolder) {
  const StandInTray tray(server->display());  // so that no window opens by itself
  SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(started(plivex)) << plivex.stderrText;
  ASSERT_FALSE(probe->showsWindow("Plivex Settings"));

  auto elsewhere = x11Start();
  fs::create_directories(directory / "runtime2");
  fs::permissions(directory / "runtime2", fs::perms::owner_all, fs::perm_options::replace);
  for (auto& [name, value] : elsewhere.environment) {
    if (name == "XDG_RUNTIME_DIR") value = (directory / "runtime2").string();
  }
  SpawnedProgram second(PLIVEX_APP_PATH, elsewhere);
  EXPECT_EQ(second.finish(), 0);
  EXPECT_NE(second.stdoutText.find("Plivex is already running on display " + server->display()),
            std::string::npos)
      << second.stdoutText << second.stderrText;
  EXPECT_TRUE(waitReading(plivex, [&] { return probe->showsWindow("Plivex Settings"); }))
      << "the running one did not come forward";

  // The same user on another display, with the same runtime folder: it runs there.
  XvfbServer other;
  ASSERT_TRUE(other.running());
  ASSERT_TRUE(other.setLayouts("us,ru"));
  auto there = x11Start();
  for (auto& [name, value] : there.environment) {
    if (name == "DISPLAY") value = other.display();
  }
  SpawnedProgram third(PLIVEX_APP_PATH, there);
  EXPECT_TRUE(waitReading(third,
                          [&] {
                            return third.stderrText.find("backend: X11 on " + other.display()) !=
                                   std::string::npos;
                          }))
      << third.stdoutText << third.stderrText;
  EXPECT_EQ(third.stop(SIGTERM), 0);
  EXPECT_EQ(plivex.stop(SIGTERM), 0);
  EXPECT_TRUE(menuKeyGivenBack());
}

// Under a window manager without a tray the settings window opens by itself (it has Quit); where
// the desktop offers a tray it does not. A status-notifier host on the session bus (KDE, GNOME
// with AppIndicator) is a tray too: the program registers its item there.
TEST_F(X11ProgramTest, WithoutATrayTheSettingsWindowOpensAndAStatusNotifierHostGetsTheItem) {
  SpawnedProgram plivex(PLIVEX_APP_PATH, x11Start());
  ASSERT_TRUE(started(plivex)) << plivex.stderrText;
  EXPECT_TRUE(waitReading(plivex, [&] { return probe->showsWindow("Plivex Settings"); }))
      << plivex.stderrText;
  EXPECT_NE(plivex.stderrText.find("still no system tray"), std::string::npos);
  EXPECT_EQ(plivex.stop(SIGTERM), 0);

  if (!fs::exists("/usr/bin/dbus-run-session")) GTEST_SKIP() << "no dbus-run-session";
  auto start = x11Start();
  start.arguments = {"--", PLIVEX_SNI_STAND_IN, PLIVEX_APP_PATH};
  SpawnedProgram onBus("/usr/bin/dbus-run-session", start);
  EXPECT_EQ(onBus.finish(), 0) << onBus.stdoutText << onBus.stderrText;
  // Qt names the item by its connection's unique name (":1.2") or a service of its own.
  EXPECT_NE(onBus.stdoutText.find("registered "), std::string::npos)
      << onBus.stdoutText << onBus.stderrText;
  EXPECT_EQ(onBus.stderrText.find("no system tray"), std::string::npos) << onBus.stderrText;
}

// The doctor on an X11 session reports the session itself, and changes nothing: a key that a
// killed run left withheld is named with its note and stays withheld. On Wayland it reports the
// Wayland session.
TEST_F(X11ProgramTest, TheDoctorReportsTheRealSessionAndChangesNothing) {
  ASSERT_TRUE(server->setLayouts("us,ru", "grp:caps_toggle"));
  const auto stateFolder = directory / "runtime" / "plivex";
  const pid_t helper = testing_support::startProgram(
      {PLIVEX_WITHHOLD_HELPER, server->display(), stateFolder.string()});
  ASSERT_GT(helper, 0);
  ASSERT_TRUE(
      waitUntil([&] { return probe->firstKeysym(platform::x11::kXKeycodeCapsLock) == NoSymbol; }));
  ::kill(helper, SIGKILL);
  int status = 0;
  ::waitpid(helper, &status, 0);

  SpawnedProgram doctor(PLIVEX_DOCTOR_PATH, x11Start());
  ASSERT_EQ(doctor.finish(), 0) << doctor.stderrText;
  const std::string& report = doctor.stdoutText;
  for (const std::string& line : std::vector<std::string>{
           "backend: X11\n", "display: " + server->display() + "\n", "xinput2: present\n",
           "xkb: present\n", "layouts: 2\n", "xkb-options: \"grp:caps_toggle\"\n", "trigger: fn\n",
           "trigger-conflict: none\n", "withheld-key: 66 left-by-ended-run ",
           "login-item: not-registered\n", "settings: default\n",
           "blocking: caps-lock-abc(capsLock)\n"}) {
    EXPECT_NE(report.find(line), std::string::npos) << line << " not in:\n" << report;
  }
  EXPECT_EQ(report.find("virtual Mac"), std::string::npos) << report;
  EXPECT_EQ(report.find("accessibility:"), std::string::npos) << report;
  EXPECT_EQ(probe->firstKeysym(platform::x11::kXKeycodeCapsLock), static_cast<KeySym>(NoSymbol))
      << "the doctor gave the key back";

  // A Wayland session says so; an X11 session's DISPLAY stays X11 even beside WAYLAND_DISPLAY.
  auto onWayland = x11Start();
  for (auto& [name, value] : onWayland.environment) {
    if (name == "WAYLAND_DISPLAY") value = "wayland-0";
    if (name == "XDG_SESSION_TYPE") value = "wayland";
  }
  SpawnedProgram waylandDoctor(PLIVEX_DOCTOR_PATH, onWayland);
  ASSERT_EQ(waylandDoctor.finish(), 0);
  EXPECT_NE(waylandDoctor.stdoutText.find("backend: wayland\n"), std::string::npos)
      << waylandDoctor.stdoutText;
  EXPECT_NE(waylandDoctor.stdoutText.find("\ndesktop: "), std::string::npos)
      << waylandDoctor.stdoutText;
}

// --demo runs the virtual Mac whatever the session; a Wayland session (XWayland's DISPLAY set
// too) runs the Wayland backend: neither touches the X keyboard.
TEST_F(X11ProgramTest, TheDemoAndAWaylandSessionLeaveTheX11KeyboardAlone) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<std::string> sessionType;
    std::string backendLine;
  };
  const std::vector<Case> cases{
      {"asked for", {"--demo"}, "x11", "backend: virtual Mac"},
      {"a Wayland session", {}, "wayland", "backend: Wayland on wayland-0"}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    auto start = x11Start(test.arguments);
    for (auto& [name, value] : start.environment) {
      if (name == "XDG_SESSION_TYPE") value = test.sessionType;
    }
    SpawnedProgram plivex(PLIVEX_APP_PATH, start);
    ASSERT_TRUE(waitReading(plivex, [&] {
      return plivex.stderrText.find(test.backendLine) != std::string::npos;
    })) << plivex.stderrText;
    EXPECT_EQ(plivex.stderrText.find("backend: X11"), std::string::npos) << plivex.stderrText;
    EXPECT_TRUE(menuKeyGivenBack());
    keyboard->tap(kXKeycodeMenu);
    EXPECT_EQ(probe->group(), 0);
    EXPECT_EQ(plivex.stop(SIGTERM), 0);
  }
}

}  // namespace
}  // namespace kestravane
