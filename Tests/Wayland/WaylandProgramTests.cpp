// The Linux program plivex started as a user starts it in a Wayland session: it takes the Wayland
// backend, finds the desktop and its layouts (a real headless Sway given a keyboard of two
// layouts, or a desktop it cannot switch), says whether the keyboards can be read, and ends
// cleanly on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KestravaneKit/LogLines.h"
#include "Platform/Wayland/InputDevices.h"
#include "Platform/Wayland/WaylandLogLines.h"
#include "Support/ChildSanitizerOptions.h"
#include "Support/SpawnedProgram.h"
#include "Support/Waiting.h"
#include "SwayServer.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
namespace logline = platform::wayland::logline;
using platform::wayland::DeviceAccess;
using testing_support::ProgramOptions;
using testing_support::SpawnedProgram;
using testing_support::SwayServer;
using testing_support::waitUntil;

// The keyboards line this machine should give: the test reads the devices as the program does.
std::string expectedKeyboardsLine() {
  std::string_view words = logline::kKeyboardsUnreadable;
  switch (platform::wayland::probeKeyboardAccess()) {
    case DeviceAccess::granted:
      words = logline::kKeyboardsReadable;
      break;
    case DeviceAccess::noKeyboards:
      words = logline::kKeyboardsNone;
      break;
    case DeviceAccess::notInInputGroup:
      words = logline::kKeyboardsNotInInputGroup;
      break;
    case DeviceAccess::permissionDenied:
      words = logline::kKeyboardsPermissionDenied;
      break;
    case DeviceAccess::unreadable:
      break;
  }
  return std::string(logline::kKeyboards) + std::string(words) + "\n";
}

// The border Sway gives the window of process `pid` ("normal", "csd" when the program draws its
// own frame), or nothing while Sway has no such window.
std::string swayBorderOf(const nlohmann::json& node, pid_t pid) {
  if (node.value("pid", 0) == pid) return node.value("border", "?");
  for (const char* children : {"nodes", "floating_nodes"}) {
    if (!node.contains(children)) continue;
    for (const auto& child : node[children]) {
      if (auto border = swayBorderOf(child, pid); !border.empty()) return border;
    }
  }
  return {};
}

class WaylandProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "plivex-wayland-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    fs::create_directories(directory / "runtime");
    fs::permissions(directory / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!directory.empty()) fs::remove_all(directory, ignored);
  }

  // A Wayland session's start with its own settings and runtime folders; no X display, no
  // session bus, Qt drawing offscreen (there is no tray: the settings window stands in).
  ProgramOptions waylandStart(
      const std::string& waylandDisplay,
      std::vector<std::pair<std::string, std::optional<std::string>>> desktop) const {
    ProgramOptions options;
    options.environment = {
        {"XDG_SESSION_TYPE", "wayland"},
        {"WAYLAND_DISPLAY", waylandDisplay},
        {"DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
        {"HYPRLAND_INSTANCE_SIGNATURE", std::nullopt},
        {"HOME", directory.string()},
        {"XDG_CONFIG_HOME", (directory / "config").string()},
        {"XDG_RUNTIME_DIR", (directory / "runtime").string()},
        {"TMPDIR", directory.string()},
        {"TSAN_OPTIONS", testing_support::childTsanOptions()},
        {"LSAN_OPTIONS", testing_support::childLsanOptions(PLIVEX_LEAK_SUPPRESSIONS)}};
    options.environment.insert(options.environment.end(), desktop.begin(), desktop.end());
    return options;
  }

  // A headless Sway given a keyboard of two layouts (us, ru), for the program to find.
  void startSway() {
    // The user's layouts in Sway's configuration, as Sway recompiles every keyboard's keymap
    // from it (the virtual one's too) when Plivex sets the options.
    sway = std::make_unique<SwayServer>("input type:keyboard xkb_layout us,ru\n");
    ASSERT_TRUE(sway->running()) << "sway did not start:\n" << sway->log();
    ProgramOptions keyboardOptions;
    keyboardOptions.arguments = {"us,ru"};
    keyboardOptions.environment = {{"XDG_RUNTIME_DIR", sway->runtimeDirectory()},
                                   {"WAYLAND_DISPLAY", sway->waylandDisplay()}};
    keyboard = std::make_unique<SpawnedProgram>(PLIVEX_VIRTUAL_KEYBOARD, keyboardOptions);
    ASSERT_TRUE(keyboard->waitForOutput("ready")) << keyboard->stderrText;
  }

  static bool logged(SpawnedProgram& program, const std::string& text) {
    return waitUntil([&] {
      program.readAvailable(10);
      return program.stderrText.find(text) != std::string::npos;
    });
  }

  fs::path directory;
  std::unique_ptr<SwayServer> sway;
  std::unique_ptr<SpawnedProgram> keyboard;
};

TEST_F(WaylandProgramTest, ChoosesTheWaylandBackendFindsTheDesktopAndEndsOnSigterm) {
  struct Case {
    std::string name;
    bool needsSway;
    // What the program finds on the desktop after "desktop: ".
    std::string desktopLine;
    // Whether the trigger key keeps its own action there (Sway's options can be set).
    bool keyActionKept;
  };
  const std::vector<Case> cases{
      // Last: where Sway is missing the test ends there, skipped, saying why.
      {"a desktop Plivex cannot switch", false,
       std::string(logline::kDesktop) + "Weston" + std::string(logline::kCannotSwitch), true},
      {"Sway with a keyboard of two layouts", true,
       std::string(logline::kDesktop) + "Sway" + std::string(logline::kLayouts) + "2\n", false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<std::pair<std::string, std::optional<std::string>>> desktop{
        {"XDG_CURRENT_DESKTOP", "Weston"}, {"SWAYSOCK", std::nullopt}};
    std::string display = "wayland-7";
    if (test.needsSway) {
      if (!SwayServer::installed())
        GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh)";
      ASSERT_NO_FATAL_FAILURE(startSway());
      display = sway->waylandDisplay();
      desktop = {{"XDG_CURRENT_DESKTOP", "sway"}, {"SWAYSOCK", sway->socketPath()}};
    }
    SpawnedProgram plivex(PLIVEX_APP_PATH, waylandStart(display, desktop));
    EXPECT_TRUE(logged(plivex, "backend: Wayland on " + display + "\n")) << plivex.stderrText;
    EXPECT_TRUE(logged(plivex, test.desktopLine)) << plivex.stderrText;
    EXPECT_TRUE(logged(plivex, expectedKeyboardsLine())) << plivex.stderrText;
    // An unknown desktop has no keyboard options Plivex sets.
    if (test.keyActionKept) {
      EXPECT_TRUE(logged(plivex, std::string(logline::kKeyActionKept))) << plivex.stderrText;
    }
    EXPECT_EQ(plivex.stderrText.find("virtual Mac"), std::string::npos) << plivex.stderrText;
    EXPECT_EQ(plivex.stop(SIGTERM), 0) << plivex.stderrText;
    // On Sway the whole log, read once the program ended, neither says the key keeps its action
    // nor that Sway refused to take it away or give it back.
    if (!test.keyActionKept) {
      for (const auto line :
           {logline::kKeyActionKept, logline::kWithholdFailed, logline::kGiveBackFailed}) {
        EXPECT_EQ(plivex.stderrText.find(line), std::string::npos) << plivex.stderrText;
      }
    }
    if (keyboard) keyboard->stop(SIGTERM);
  }
}

// With a keyboard it can read (a stand-in evdev keyboard that umockdev-run provides, as the
// measurements at rest give it), the program on Sway starts its engine on it, and still ends
// cleanly on SIGTERM.
TEST_F(WaylandProgramTest, OnSwayReadsAStandInKeyboardAndRunsItsEngine) {
  if (!SwayServer::installed()) GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh)";
  ASSERT_NO_FATAL_FAILURE(startSway());
  using testing_support::EvdevTestbed;
  std::ofstream(directory / "keyboard.umockdev")
      << EvdevTestbed::description(EvdevTestbed::Kind::keyboard, 1);
  std::ofstream(directory / "keyboard.ioctl")
      << EvdevTestbed::ioctlAnswers(EvdevTestbed::Kind::keyboard);
  auto options = waylandStart(sway->waylandDisplay(),
                              {{"XDG_CURRENT_DESKTOP", "sway"}, {"SWAYSOCK", sway->socketPath()}});
  options.arguments = {
      "-d", (directory / "keyboard.umockdev").string(),
      "-i", EvdevTestbed::deviceNumbered(1).devnode + "=" + (directory / "keyboard.ioctl").string(),
      "--", PLIVEX_APP_PATH};
  options.environment.emplace_back("ASAN_OPTIONS",
                                   testing_support::childAsanOptionsBehindPreload());
  SpawnedProgram standIn(PLIVEX_UMOCKDEV_RUN, options);

  EXPECT_TRUE(logged(
      standIn, std::string(logline::kKeyboards) + std::string(logline::kKeyboardsReadable) + "\n"))
      << standIn.stderrText;
  EXPECT_TRUE(logged(standIn, std::string(kestravane::logline::kEngineTapCreated)))
      << standIn.stderrText;
  // umockdev-run waits for the program and ends as it ends: the signal goes to the program.
  std::ifstream children("/proc/" + std::to_string(standIn.processId()) + "/task/" +
                         std::to_string(standIn.processId()) + "/children");
  pid_t program = 0;
  ASSERT_TRUE(children >> program) << standIn.stderrText;
  ASSERT_EQ(::kill(program, SIGTERM), 0);
  EXPECT_EQ(standIn.finish(), 0) << standIn.stderrText;
}

// On Sway, Qt leaves a window's frame to Sway and so never starts the graphics driver, which
// would stay loaded (tens of MiB) for the program's life: the window that stands in for the tray
// shows in Sway's tree with Sway's own border, and no EGL driver is mapped into the program.
TEST_F(WaylandProgramTest, OnSwayAWindowHasSwaysFrameAndNoGraphicsDriver) {
  if (!SwayServer::installed()) GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh)";
  ASSERT_NO_FATAL_FAILURE(startSway());
  // Qt connects for real: the display by its path, as the program's runtime folder is its own.
  auto options = waylandStart(sway->runtimeDirectory() + "/" + sway->waylandDisplay(),
                              {{"XDG_CURRENT_DESKTOP", "sway"}, {"SWAYSOCK", sway->socketPath()}});
  for (auto& [name, value] : options.environment) {
    if (name == "QT_QPA_PLATFORM") value = "wayland";
  }
  SpawnedProgram plivex(PLIVEX_APP_PATH, options);

  std::string border;
  EXPECT_TRUE(waitUntil([&] {
    const auto tree = nlohmann::json::parse(sway->message("-r -t get_tree"), nullptr, false);
    border = tree.is_object() ? swayBorderOf(tree, plivex.processId()) : "";
    return !border.empty();
  })) << (plivex.readAvailable(10), plivex.stderrText);
  EXPECT_NE(border, "csd");
  std::ifstream maps("/proc/" + std::to_string(plivex.processId()) + "/maps");
  const std::string mapped{std::istreambuf_iterator<char>(maps), {}};
  ASSERT_FALSE(mapped.empty());
  for (const char* driver : {"libEGL_mesa", "_dri.so"}) {
    EXPECT_EQ(mapped.find(driver), std::string::npos) << driver << " is mapped";
  }
  EXPECT_EQ(plivex.stop(SIGTERM), 0) << plivex.stderrText;
}

}  // namespace
}  // namespace kestravane
