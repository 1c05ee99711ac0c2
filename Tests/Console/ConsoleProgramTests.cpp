// The real plivex-console program, run as a user runs it: commands piped in, its output read
// back, its exit status checked. In the sanitizer builds the program is built with the same
// sanitizer, so a data race, a thread left unjoined or a leak at exit fails these tests too.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "Kestravane/Linux/SingleInstance.h"
#include "Platform/Host/DefaultsLogLines.h"
#include "Support/ChildProcess.h"
#include "Support/SocketClient.h"
#include "Support/SpawnedProgram.h"
#include "Support/Waiting.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kOnboarding = "[onboarding] Set up Plivex";

std::size_t occurrences(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// One run of the console, with its own configuration and runtime directories, outside any desktop
// session unless `options` name a display.
class ConsoleProcess : public testing_support::SpawnedProgram {
 public:
  ConsoleProcess(const fs::path& configHome, const fs::path& runtimeDirectory,
                 testing_support::ProgramOptions options = {})
      : SpawnedProgram(PLIVEX_CONSOLE_PATH,
                       withDirectories(std::move(options), configHome, runtimeDirectory)) {}

 private:
  static testing_support::ProgramOptions withDirectories(testing_support::ProgramOptions options,
                                                         const fs::path& configHome,
                                                         const fs::path& runtimeDirectory) {
    options.environment.emplace_back("XDG_CONFIG_HOME", configHome.string());
    options.environment.emplace_back("XDG_RUNTIME_DIR", runtimeDirectory.string());
    // Unset unless given: a value given beside an unset name wins.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) {
      options.environment.emplace_back(name, std::nullopt);
    }
    return options;
  }
};

class ConsoleProgramTest : public ::testing::Test {
 protected:
  ConsoleProgramTest() {
    std::string pattern = (fs::temp_directory_path() / "plivex-console-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    configHome = directory / "config";
    runtime = directory / "runtime";
    fs::create_directories(configHome);
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  }
  ~ConsoleProgramTest() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }

  // Runs the program over `input` to its end; returns its exit status.
  int runWith(std::string_view input, std::unique_ptr<ConsoleProcess>& process,
              const std::vector<std::string>& arguments = {}) {
    testing_support::ProgramOptions options;
    options.arguments = arguments;
    process = std::make_unique<ConsoleProcess>(configHome, runtime, std::move(options));
    process->type(input);
    return process->finish();
  }

  static void expectNoSanitizerReport(const ConsoleProcess& process) {
    EXPECT_THAT(process.stderrText, Not(HasSubstr("Sanitizer")));
    EXPECT_THAT(process.stderrText, Not(HasSubstr("runtime error")));
  }

  fs::path directory;
  fs::path configHome;
  fs::path runtime;
};

// Quitting stops the engine and the key tester and joins their threads: under ThreadSanitizer
// a thread left behind would be reported here.
TEST_F(ConsoleProgramTest, ASessionEndsCleanlyByQuitOrByTheEndOfInput) {
  const std::vector<std::string> inputs{
      "grant all\nglobe free\ntap fn\nquit\n",
      "grant all\nglobe free\nstatus\ntap fn\nkeytest start\ntap a\ncapslock free\n"
      "trigger capsLock\ntap capsLock\nwake\nkeytest stop\nkeytest start\nquit\n",
      "grant all\nstatus\nkeytest start\ntoggle\n",
  };
  for (const auto& input : inputs) {
    SCOPED_TRACE(input);
    std::unique_ptr<ConsoleProcess> console;
    EXPECT_EQ(runWith(input, console), 0) << console->stderrText;
    expectNoSanitizerReport(*console);
    EXPECT_THAT(console->stdoutText, HasSubstr("accessibility: granted"));
    fs::remove_all(configHome / "plivex");
  }
}

TEST_F(ConsoleProgramTest, TheLastCommandRunsWithoutItsNewlineAndALongLineIsRefused) {
  std::unique_ptr<ConsoleProcess> console;
  EXPECT_EQ(runWith(std::string(20000, 'x') + "\nstatus\ntrigger capsLock", console), 0);
  EXPECT_THAT(console->stdoutText, HasSubstr("line too long (over 4096 bytes); ignored\n"));
  EXPECT_THAT(console->stdoutText, HasSubstr("trigger: Caps Lock\n"));

  EXPECT_EQ(runWith("status", console), 0);
  EXPECT_THAT(console->stdoutText, HasSubstr("Trigger: Caps Lock\n")) << "it was saved";
}

TEST_F(ConsoleProgramTest, AFailedSaveIsShownAtOnceAndOtherLogLinesOnlyWhenVerbose) {
  std::ofstream(configHome / "plivex") << "a file where the folder should be";
  std::unique_ptr<ConsoleProcess> console;
  EXPECT_EQ(runWith("grant all\nstatus\ntrigger capsLock\ntrigger rightCommand\n", console), 0);
  const std::string saveFailed = std::string(platform::host::defaultsline::kCannotSave) +
                                 (configHome / "plivex" / "defaults.json").string();
  EXPECT_THAT(console->stdoutText, HasSubstr("trigger: Caps Lock\n" + saveFailed));
  EXPECT_EQ(console->stdoutText.find(saveFailed), console->stdoutText.rfind(saveFailed))
      << "said once";
  EXPECT_THAT(console->stdoutText, Not(HasSubstr("Plivex[engine]")));
  EXPECT_EQ(console->stderrText, "") << "nothing is written beside the console's own lines";

  EXPECT_EQ(runWith("grant all\nglobe free\nstatus\n", console, {"--verbose"}), 0);
  EXPECT_THAT(console->stdoutText, HasSubstr("Plivex[engine] tapCreate OK"));
}

TEST_F(ConsoleProgramTest, ASecondStartSaysPlivexIsAlreadyRunningAndEnds) {
  ConsoleProcess first(configHome, runtime);
  ASSERT_TRUE(first.waitForOutput("current layout:")) << first.stdoutText << first.stderrText;

  std::unique_ptr<ConsoleProcess> second;
  EXPECT_EQ(runWith("trigger capsLock\n", second), 0);
  EXPECT_EQ(second->stdoutText, "Plivex is already running\n");
  EXPECT_TRUE(first.waitForOutput("Plivex was started again")) << first.stdoutText;

  first.type("quit\n");
  EXPECT_EQ(first.finish(), 0) << first.stderrText;
  expectNoSanitizerReport(first);
  std::unique_ptr<ConsoleProcess> third;
  EXPECT_EQ(runWith("status\n", third), 0);
  EXPECT_THAT(third->stdoutText, HasSubstr("Trigger: fn / Globe")) << "the second changed nothing";
}

// The console shares the program's settings, so it is the same Plivex as the program on its
// display: the program's lock on that display (plivex-:7.lock) turns it away with a raise request,
// whatever the screen in DISPLAY, and a lock on another display does not.
TEST_F(ConsoleProgramTest, TheProgramOnTheSameDisplayIsAlreadyRunningAndOnAnotherItIsNot) {
  auto program = SingleInstance::acquireFor(":7", runtime);
  ASSERT_TRUE(program.isPrimary());
  ASSERT_FALSE(program.problem()) << *program.problem();
  struct Case {
    const char* display;
    bool turnedAway;
  };
  for (const Case c : {Case{":7.0", true}, Case{"unix:7", true}, Case{":8", false}}) {
    SCOPED_TRACE(c.display);
    testing_support::ProgramOptions options;
    options.environment = {{"DISPLAY", c.display}, {"XDG_SESSION_TYPE", "x11"}};
    ConsoleProcess console(configHome, runtime, std::move(options));
    console.type("status\n");
    EXPECT_EQ(console.finish(), 0) << console.stderrText;
    if (c.turnedAway) {
      EXPECT_EQ(console.stdoutText, "Plivex is already running\n");
      EXPECT_TRUE(testing_support::waitUntil([&] { return program.acceptRequests() > 0; }))
          << "the program was asked to come forward";
    } else {
      EXPECT_THAT(console.stdoutText, HasSubstr("Trigger: fn / Globe"));
    }
  }
}

// Clients that connect to the running console's socket and say nothing, connecting again as
// soon as they are dropped, cost the console nothing: it keeps answering commands.
TEST_F(ConsoleProgramTest, ClientsThatConnectAndSayNothingDoNotHoldUpTheConsole) {
  ConsoleProcess console(configHome, runtime);
  ASSERT_TRUE(console.waitForOutput(kOnboarding)) << console.stdoutText << console.stderrText;
  std::atomic<bool> done{false};
  std::atomic<int> connections{0};
  {
    std::vector<std::jthread> clients;
    for (int i = 0; i < 4; ++i) {
      clients.emplace_back([&] {
        while (!done) {
          const int client = testing_support::connectTo(runtime / "plivex.sock");
          if (client < 0) continue;  // its queue is full: again
          ++connections;
          pollfd dropped{client, POLLIN, 0};
          while (!done && ::poll(&dropped, 1, 10) == 0) {
          }
          ::close(client);
        }
      });
    }
    ASSERT_TRUE(testing_support::waitUntil([&] { return connections >= 4; }));
    // The onboarding comes as a notice, which the console has always written at once.
    console.type("onboarding\n");
    EXPECT_TRUE(testing_support::waitUntil([&] {
      console.readAvailable(10);
      return occurrences(console.stdoutText, kOnboarding) == 2;
    })) << console.stdoutText;
    done = true;
  }
  console.type("quit\n");
  EXPECT_EQ(console.finish(), 0) << console.stderrText;
}

TEST_F(ConsoleProgramTest, ItsSocketAndLockFileArePrivateWhateverTheUmask) {
  testing_support::ProgramOptions options;
  options.umask = 0;
  ConsoleProcess console(configHome, runtime, std::move(options));
  ASSERT_TRUE(console.waitForOutput(kOnboarding)) << console.stdoutText << console.stderrText;
  for (const char* name : {"plivex.sock", "plivex.lock"}) {
    struct stat info {};
    ASSERT_EQ(::stat((runtime / name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
  }
  console.type("quit\n");
  EXPECT_EQ(console.finish(), 0);
}

// Even where another user can reach the socket (a runtime directory of mode 0755, the socket's
// mode changed by hand), that user cannot call the console forward.
TEST_F(ConsoleProgramTest, AnotherUserCannotCallTheConsoleForward) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can act as another user here";
  ConsoleProcess console(configHome, runtime);
  ASSERT_TRUE(console.waitForOutput(kOnboarding)) << console.stdoutText << console.stderrText;
  const auto reachable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                         fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(directory, reachable, fs::perm_options::replace);
  fs::permissions(runtime, reachable, fs::perm_options::replace);
  fs::permissions(runtime / "plivex.sock", fs::perms::all, fs::perm_options::replace);
  PLIVEX_EXPECT_CHILD(testing_support::runAsAnotherUser(
      [&] { EXPECT_TRUE(testing_support::tryRequest(runtime / "plivex.sock", "raise\n")); }));

  console.type("trigger capsLock\n");
  EXPECT_TRUE(console.waitForOutput("trigger: Caps Lock"));
  console.type("quit\n");
  EXPECT_EQ(console.finish(), 0);
  EXPECT_THAT(console.stdoutText, Not(HasSubstr("Plivex was started again")));
}

// A script that sends a command and waits for the reply before the next gets it through a pipe.
TEST_F(ConsoleProgramTest, EachReplyIsWrittenBeforeTheNextCommandIsRead) {
  ConsoleProcess console(configHome, runtime);
  for (const auto& [command, reply] : std::vector<std::pair<std::string, std::string>>{
           {"trigger capsLock\n", "trigger: Caps Lock\n"},
           {"status\n", "Trigger: Caps Lock\n"},
           {"secure on\n", "secure input: on\n"},
           {"bogus\n", "unknown command; type help\n"}}) {
    ASSERT_TRUE(console.type(command));
    EXPECT_TRUE(console.waitForOutput(reply)) << command << " gave:\n" << console.stdoutText;
  }
  EXPECT_EQ(console.finish(), 0);
}

// With a limit on the size of the files it writes (as on a full quota), the console reports the
// failed save as any other and goes on; the lock file's note of its process is not needed.
TEST_F(ConsoleProgramTest, AFileSizeLimitFailsTheSaveAndNotTheConsole) {
#if defined(__SANITIZE_THREAD__)
  // ThreadSanitizer's runtime writes a file of its own before main(), which a limit of 0 ends.
  // The record alone is larger than 64 bytes.
  const std::vector<rlim_t> limits{64};
#else
  const std::vector<rlim_t> limits{64, 0};
#endif
  for (const rlim_t limit : limits) {
    SCOPED_TRACE("file size limit " + std::to_string(limit));
    testing_support::ProgramOptions options;
    options.fileSizeLimit = limit;
    ConsoleProcess console(configHome, runtime, std::move(options));
    console.type("trigger capsLock\nstatus\n");
    EXPECT_EQ(console.finish(), 0) << console.stderrText;
    EXPECT_THAT(console.stdoutText, HasSubstr("trigger: Caps Lock\n"));
    EXPECT_THAT(console.stdoutText,
                HasSubstr(std::string(platform::host::defaultsline::kCannotSave) +
                          (configHome / "plivex" / "defaults.json").string()));
    EXPECT_THAT(console.stdoutText, HasSubstr("File too large"));
    const fs::path folder = configHome / "plivex";
    for (const auto& entry : fs::directory_iterator(folder)) {
      ADD_FAILURE() << "left behind: " << entry.path();
    }
  }
}

}  // namespace
}  // namespace kestravane
