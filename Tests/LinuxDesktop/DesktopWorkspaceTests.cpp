// Opening URLs and the keyboard settings on a Linux desktop, and wake notifications posted by
// the application layer.
#include "Platform/LinuxDesktop/DesktopWorkspace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/LinuxDesktop/DetachedProcess.h"
#include "X11/X11Rig.h"

namespace kestravane::platform::desktop {
namespace {

using testing_support::TemporaryFolder;

constexpr const char* kKeyboardPane = "x-apple.systempreferences:com.apple.preference.keyboard";

// A folder standing for PATH, holding programs that write their arguments to "<name>.ran".
class FakePrograms {
 public:
  void add(const std::string& name) {
    const auto path = folder.path / name;
    std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.ran\"\n";
    ::chmod(path.c_str(), 0755);
  }
  std::string path() const { return folder.path.string(); }
  std::string program(const std::string& name) const { return (folder.path / name).string(); }
  std::optional<std::string> ran(const std::string& name) const {
    return readSmallFile(folder.path / (name + ".ran"));
  }

 private:
  TemporaryFolder folder;
};

TEST(DesktopWorkspaceTest, TheKeyboardPaneOpensTheDesktopsOwnKeyboardSettings) {
  FakePrograms programs;
  for (const char* name : {"gnome-control-center", "systemsettings5", "xfce4-keyboard-settings"}) {
    programs.add(name);
  }
  using Command = std::optional<std::vector<std::string>>;
  const std::vector<std::pair<std::string, Command>> cases{
      {"GNOME", Command{{programs.program("gnome-control-center"), "keyboard"}}},
      {"ubuntu:GNOME", Command{{programs.program("gnome-control-center"), "keyboard"}}},
      {"KDE", Command{{programs.program("systemsettings5"), "kcm_keyboard"}}},
      {"XFCE", Command{{programs.program("xfce4-keyboard-settings")}}},
      {"X-Cinnamon", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [desktop, expected] : cases) {
    EXPECT_EQ(DesktopWorkspace::keyboardSettingsCommand({desktop, programs.path()}), expected)
        << desktop;
  }
  EXPECT_EQ(DesktopWorkspace::keyboardSettingsCommand({"GNOME", "/nonexistent"}), std::nullopt)
      << "the desktop's program is not installed";
}

TEST(DesktopWorkspaceTest, URLsOpenWithTheDesktopsOpenerAndOtherSettingsPanesDoNot) {
  FakePrograms programs;
  programs.add("xdg-open");
  const DesktopWorkspace::Desktop desktop{"GNOME", programs.path()};
  using Command = std::optional<std::vector<std::string>>;
  EXPECT_EQ(DesktopWorkspace::openCommand(desktop, "https://example.org/help"),
            (Command{{programs.program("xdg-open"), "https://example.org/help"}}));
  EXPECT_EQ(DesktopWorkspace::openCommand(
                desktop, "x-apple.systempreferences:com.apple.preference.security?Privacy"),
            std::nullopt);
  EXPECT_EQ(DesktopWorkspace::openCommand(desktop, "--help"), std::nullopt);
  EXPECT_EQ(DesktopWorkspace::openCommand(desktop, "relative/path"), std::nullopt);
  EXPECT_EQ(DesktopWorkspace::openCommand(desktop, kKeyboardPane), std::nullopt)
      << "no keyboard settings program on this PATH";
}

// What opening heard: the workspace's log lines.
struct LinesLog final : Log {
  void log(std::string_view message) override { lines.emplace_back(message); }
  std::vector<std::string> lines;
};

TEST(DesktopWorkspaceTest, TheLookupOnPathPassesOverFoldersAndFilesThatCannotRun) {
  TemporaryFolder folders;
  const auto make = [&](const std::string& folder, const std::string& kind) {
    const auto where = folders.path / folder;
    std::filesystem::create_directories(where);
    const auto program = where / "gnome-control-center";
    if (kind == "folder") {
      std::filesystem::create_directory(program);
    } else {
      std::ofstream(program) << "#!/bin/sh\n";
      ::chmod(program.c_str(), kind == "runnable" ? 0755 : 0644);
    }
    return where.string();
  };
  const std::string folder = make("a", "folder");
  const std::string plain = make("b", "plain");
  const std::string runnable = make("c", "runnable");
  const std::string program = runnable + "/gnome-control-center";
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
      {folder + ":" + runnable, program},
      {plain + ":" + runnable, program},
      {folder + ":" + plain, std::nullopt},
      {folder, std::nullopt},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(findProgram("gnome-control-center", path), expected) << path;
  }
  EXPECT_EQ(findProgram(folder + "/gnome-control-center", ""), std::nullopt);
}

TEST(DesktopWorkspaceTest, WhatNoProgramOpensIsRefusedBeforehandAndLogged) {
  FakePrograms programs;
  programs.add("gnome-control-center");
  host::DispatchQueues dispatch(std::make_shared<host::ManualClock>());
  const auto log = std::make_shared<LinesLog>();
  DesktopWorkspace i3(dispatch.mainQueue(), {"i3", programs.path()}, log);
  EXPECT_FALSE(i3.canOpenURL({kKeyboardPane}));
  EXPECT_FALSE(i3.openURL({kKeyboardPane}));
  ASSERT_EQ(log->lines.size(), 1u);
  EXPECT_NE(log->lines[0].find("com.apple.preference.keyboard"), std::string::npos);
  EXPECT_NE(log->lines[0].find("i3"), std::string::npos);

  DesktopWorkspace gnome(dispatch.mainQueue(), {"GNOME", programs.path()}, log);
  EXPECT_TRUE(gnome.canOpenURL({kKeyboardPane}));
  // Found, but its interpreter is missing: the failed start is logged too.
  std::ofstream(programs.program("gnome-control-center"), std::ios::trunc) << "#!/nonexistent/sh\n";
  EXPECT_FALSE(gnome.openURL({kKeyboardPane}));
  ASSERT_EQ(log->lines.size(), 2u);
  EXPECT_NE(log->lines[1].find(programs.program("gnome-control-center")), std::string::npos);
}

TEST(DesktopWorkspaceTest, OpeningStartsTheProgramWithoutWaitingForIt) {
  FakePrograms programs;
  programs.add("xdg-open");
  programs.add("gnome-control-center");
  host::DispatchQueues dispatch(std::make_shared<host::ManualClock>());
  DesktopWorkspace workspace(dispatch.mainQueue(), {"GNOME", programs.path()});

  const auto url = workspace.urlWithString("https://example.org/a?b=c");
  ASSERT_TRUE(url);
  EXPECT_TRUE(workspace.openURL(*url));
  EXPECT_TRUE(workspace.openURL({kKeyboardPane}));
  EXPECT_TRUE(testing_support::waitUntil([&] {
    return programs.ran("xdg-open") == "https://example.org/a?b=c\n" &&
           programs.ran("gnome-control-center") == "keyboard\n";
  }));
  EXPECT_FALSE(workspace.openURL({"x-apple.systempreferences:com.apple.preference.security"}));
  EXPECT_EQ(workspace.urlWithString("not a url"), std::nullopt);

  DesktopWorkspace nothingInstalled(dispatch.mainQueue(), {"GNOME", "/nonexistent"});
  EXPECT_FALSE(nothingInstalled.openURL(*url));
}

TEST(DesktopWorkspaceTest, AWakePostedByTheApplicationReachesEachObserverOnTheMainQueue) {
  host::DispatchQueues dispatch(std::make_shared<host::ManualClock>());
  DesktopWorkspace workspace(dispatch.mainQueue(), {"", ""});
  int woken = 0;
  auto observation = workspace.addDidWakeObserver([&] { ++woken; });
  workspace.postDidWake();
  EXPECT_EQ(woken, 0) << "observers run on the main queue, not in the poster's call";
  dispatch.runPending();
  EXPECT_EQ(woken, 1);
  observation->cancel();
  workspace.postDidWake();
  dispatch.runPending();
  EXPECT_EQ(woken, 1);
}

}  // namespace
}  // namespace kestravane::platform::desktop
