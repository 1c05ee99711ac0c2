// The Linux program plivex started as a user starts it: asked for its version, where there is no
// display to start on, and what it does about signals that would end it in the middle of its work.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Kestravane/Linux/BackendChoice.h"
#include "Kestravane/Linux/DisplayCheck.h"
#include "Support/SpawnedProgram.h"

namespace kestravane::linux_app {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::ProgramOptions;
using testing_support::SpawnedProgram;

TEST(DisplayCheckTest, WhatEachPlatformNeeds) {
  struct Case {
    const char* platform;
    const char* display;
    const char* wayland;
    std::optional<std::string> missing;
  };
  const std::vector<Case> cases{
      {nullptr, nullptr, nullptr, "DISPLAY and WAYLAND_DISPLAY are unset"},
      {"", "", "", "DISPLAY and WAYLAND_DISPLAY are unset"},
      {nullptr, ":0", nullptr, std::nullopt},
      {nullptr, nullptr, "wayland-0", std::nullopt},
      {"xcb", nullptr, "wayland-0", "DISPLAY is unset"},
      {"xcb:nograb", ":1", nullptr, std::nullopt},
      {"wayland-egl", ":0", nullptr, "WAYLAND_DISPLAY is unset"},
      {"wayland;xcb", ":0", nullptr, std::nullopt},
      {"offscreen", nullptr, nullptr, std::nullopt},
      {"vnc:size=800x600", nullptr, nullptr, std::nullopt},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.platform ? test.platform : "(unset)"));
    EXPECT_EQ(missingDisplay(test.platform, test.display, test.wayland), test.missing);
  }
}

TEST(BackendChoiceTest, TheSessionsOwnBackendAndTheDemoSaysWhyOtherwise) {
  struct Case {
    bool demoAsked;
    const char* sessionType;
    const char* display;
    const char* wayland;
    Backend backend;
    std::optional<std::string> notice;
  };
  const std::vector<Case> cases{
      {false, "x11", ":0", nullptr, Backend::x11, std::nullopt},
      {false, nullptr, ":0", "", Backend::x11, std::nullopt},
      {true, "x11", ":0", nullptr, Backend::demo, std::nullopt},
      // XWayland sets DISPLAY too; its X server never sees the desktop's keys.
      {false, "wayland", ":0", "wayland-0", Backend::wayland, std::nullopt},
      {false, nullptr, ":0", "wayland-0", Backend::wayland, std::nullopt},
      {false, "wayland", nullptr, nullptr, Backend::wayland, std::nullopt},
      {false, "tty", nullptr, "wayland-1", Backend::wayland, std::nullopt},
      // A session that says it is X11 keeps X11, though a nested compositor set WAYLAND_DISPLAY.
      {false, "x11", ":0", "wayland-0", Backend::x11, std::nullopt},
      // ... but only with a display to open.
      {false, "x11", nullptr, "wayland-0", Backend::wayland, std::nullopt},
      {true, "wayland", ":0", "wayland-0", Backend::demo, std::nullopt},
      {false, "tty", nullptr, nullptr, Backend::demo, kNoX11Notice},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.sessionType ? test.sessionType : "(unset)") + " " +
                 (test.display ? test.display : "(no DISPLAY)") +
                 (test.demoAsked ? " --demo" : ""));
    const auto choice = chooseBackend(test.demoAsked, test.sessionType, test.display, test.wayland);
    EXPECT_EQ(choice.backend, test.backend);
    EXPECT_EQ(choice.notice, test.notice);
  }
}

// The name of a start's lock: the display without its screen, so that every way of naming one X
// display meets at one lock; the Wayland socket; nothing for the demo.
TEST(BackendChoiceTest, TheInstanceKeyNamesTheDisplayAStartBelongsTo) {
  struct Case {
    Backend backend;
    const char* display;
    const char* wayland;
    std::string key;
  };
  const std::vector<Case> cases{
      {Backend::x11, ":1", nullptr, ":1"},
      {Backend::x11, ":1.0", "wayland-0", ":1"},
      {Backend::x11, "unix:1", nullptr, ":1"},
      {Backend::x11, "host:10.0", nullptr, "host:10"},
      {Backend::wayland, ":0", "wayland-1", "wayland:wayland-1"},
      {Backend::wayland, ":0", nullptr, "wayland:wayland-0"},
      {Backend::wayland, nullptr, "", "wayland:wayland-0"},
      {Backend::demo, ":0", "wayland-0", ""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.key);
    EXPECT_EQ(instanceKey(test.backend, test.display, test.wayland), test.key);
  }
}

class PlivexProgramTest : public ::testing::Test {
 protected:
  PlivexProgramTest() {
    std::string pattern = (fs::temp_directory_path() / "plivex-app-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    fs::create_directories(directory / "runtime");
    fs::permissions(directory / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  }
  ~PlivexProgramTest() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }

  // A start with its own settings and runtime folders, without the test's display settings.
  ProgramOptions options() const {
    ProgramOptions options;
    options.environment = {{"XDG_CONFIG_HOME", (directory / "config").string()},
                           {"XDG_RUNTIME_DIR", (directory / "runtime").string()},
                           {"DISPLAY", std::nullopt},
                           {"WAYLAND_DISPLAY", std::nullopt},
                           {"QT_QPA_PLATFORM", std::nullopt}};
    return options;
  }

  fs::path directory;
};

// The signal numbers a field of /proc/<pid>/status ("SigIgn", "SigCgt") holds.
std::vector<int> signalsIn(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::vector<int> signals;
  for (std::string line; std::getline(status, line);) {
    if (!line.starts_with(field + ":")) continue;
    const std::uint64_t mask = std::stoull(line.substr(field.size() + 1), nullptr, 16);
    for (int signal = 1; signal <= 64; ++signal) {
      if ((mask >> (signal - 1)) & 1) signals.push_back(signal);
    }
  }
  return signals;
}

// What a package's user or a script asks first; answered without any display.
TEST_F(PlivexProgramTest, VersionAndHelpAnswerWithoutADisplay) {
  for (const auto& [argument, expected] : std::vector<std::pair<std::string, std::string>>{
           {"--version", "Plivex [0-9]+\\.[0-9]+\\.[0-9]+\n"},
           {"--help", "usage: plivex \\[--demo \\| --version \\| --help\\]\n.*"}}) {
    SCOPED_TRACE(argument);
    auto start = options();
    start.arguments = {argument};
    SpawnedProgram plivex(PLIVEX_APP_PATH, start);
    EXPECT_EQ(plivex.finish(), 0);
    EXPECT_THAT(plivex.stdoutText, ::testing::MatchesRegex(expected));
    EXPECT_EQ(plivex.stderrText, "");
  }
}

TEST_F(PlivexProgramTest, WithoutADisplayItSaysSoAndPointsAtTheConsole) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    const char* why;
  };
  const std::vector<Case> cases{
      {"nothing set", {}, "DISPLAY and WAYLAND_DISPLAY are unset"},
      {"X11 asked for", {{"QT_QPA_PLATFORM", "xcb"}}, "DISPLAY is unset"},
      // A display that is named but not there: Qt's own start fails.
      {"a display that is not there",
       {{"DISPLAY", ":59999"}},
       "Qt: could not connect to display :59999"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    auto start = options();
    start.environment.insert(start.environment.end(), test.environment.begin(),
                             test.environment.end());
    SpawnedProgram plivex(PLIVEX_APP_PATH, start);
    EXPECT_EQ(plivex.finish(), kNoDisplayExitCode);
    EXPECT_THAT(plivex.stderrText, HasSubstr("plivex: no display"));
    EXPECT_THAT(plivex.stderrText, HasSubstr(test.why));
    EXPECT_THAT(plivex.stderrText,
                HasSubstr("The text console runs without one: plivex-console ("));
    EXPECT_THAT(plivex.stderrText, ::testing::Not(HasSubstr("Reinstalling")));
  }
}

// Its log goes to standard error, which nobody may read any more (the terminal closed, the
// pipe's reader ended): a write there fails and the program goes on; so does a write past a
// file-size limit. It still ends cleanly when asked to.
TEST_F(PlivexProgramTest, ALogNobodyReadsAndAFileSizeLimitDoNotEndIt) {
  auto start = options();
  start.environment.emplace_back("QT_QPA_PLATFORM", "offscreen");
  start.standardErrorReaderGone = true;
  SpawnedProgram plivex(PLIVEX_APP_PATH, start);
  // Its SIGTERM handler is set once Qt runs; the handler quits through the event loop, after
  // the start-up has written its log lines.
  const auto catches = [&](int signal) {
    const auto caught = signalsIn(plivex.processID(), "SigCgt");
    return std::find(caught.begin(), caught.end(), signal) != caught.end();
  };
  ASSERT_TRUE(testing_support::waitUntil([&] { return catches(SIGTERM); }))
      << "it never got as far as Qt";
  EXPECT_THAT(signalsIn(plivex.processID(), "SigIgn"), ::testing::IsSupersetOf({SIGPIPE, SIGXFSZ}));
  EXPECT_EQ(plivex.stop(SIGTERM), 0);
}

}  // namespace
}  // namespace kestravane::linux_app
