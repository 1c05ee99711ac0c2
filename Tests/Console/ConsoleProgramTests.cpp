// The real plivex-console program, run as a user runs it: commands piped in, its output read
// back, its exit status checked. In the sanitizer builds the program is built with the same
// sanitizer, so a data race, a thread left unjoined or a leak at exit fails these tests too.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/Virtual/DefaultsLogLines.h"
#include "Support/Waiting.h"

extern char** environ;

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// One run of the program with its standard streams on pipes.
class ConsoleProcess {
 public:
  ConsoleProcess(const fs::path& configHome, const fs::path& runtimeDirectory,
                 const std::vector<std::string>& arguments = {}) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
      throw std::runtime_error("cannot make pipes");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + configHome.string(),
                                         "XDG_RUNTIME_DIR=" + runtimeDirectory.string()};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string_view entry = *variable;
      if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("XDG_RUNTIME_DIR=")) {
        environment.emplace_back(entry);
      }
    }
    std::vector<std::string> argv{PLIVEX_CONSOLE_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const auto pointers = [](std::vector<std::string>& strings) {
      std::vector<char*> result;
      for (auto& string : strings) result.push_back(string.data());
      result.push_back(nullptr);
      return result;
    };
    auto argvPointers = pointers(argv);
    auto environmentPointers = pointers(environment);
    const int spawned = ::posix_spawn(&pid, PLIVEX_CONSOLE_PATH, &actions, nullptr,
                                      argvPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input = in[1];
    output = out[0];
    errors = err[0];
    if (spawned != 0) throw std::runtime_error("cannot start " PLIVEX_CONSOLE_PATH);
  }
  ConsoleProcess(const ConsoleProcess&) = delete;
  ConsoleProcess& operator=(const ConsoleProcess&) = delete;
  ~ConsoleProcess() {
    if (pid > 0 && status < 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    for (const int fd : {input, output, errors}) {
      if (fd >= 0) ::close(fd);
    }
  }

  void type(std::string_view text) {
    // A program that has already ended (a second instance does at once) must not take the test
    // down with SIGPIPE: the write fails instead.
    ::signal(SIGPIPE, SIG_IGN);
    while (!text.empty()) {
      const ssize_t written = ::write(input, text.data(), text.size());
      if (written <= 0) return;  // it has gone: its output says why
      text.remove_prefix(static_cast<std::size_t>(written));
    }
  }
  void endInput() {
    ::close(input);
    input = -1;
  }
  // Reads its output until `text` has appeared (true) or the wait ran out.
  bool waitForOutput(std::string_view text) {
    return testing_support::waitUntil([&] {
      readAvailable(10);
      return stdoutText.find(text) != std::string::npos;
    });
  }
  // Ends the input, reads everything until the program exits, and returns its exit status
  // (-1 when it did not end within the wait, or did not exit normally).
  int finish() {
    if (input >= 0) endInput();
    testing_support::waitUntil([&] { return !readAvailable(10); });
    int raw = 0;
    if (::waitpid(pid, &raw, 0) == pid) status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
    return status;
  }

  std::string stdoutText;
  std::string stderrText;

 private:
  // Reads what is there within `waitMs`; false once both streams have ended.
  bool readAvailable(int waitMs) {
    std::vector<pollfd> open;
    if (output >= 0) open.push_back({output, POLLIN, 0});
    if (errors >= 0) open.push_back({errors, POLLIN, 0});
    if (open.empty()) return false;
    if (::poll(open.data(), open.size(), waitMs) <= 0) return true;
    for (const auto& stream : open) {
      if (stream.revents == 0) continue;
      char buffer[4096];
      const ssize_t count = ::read(stream.fd, buffer, sizeof buffer);
      const bool isOutput = stream.fd == output;
      if (count > 0) {
        (isOutput ? stdoutText : stderrText).append(buffer, static_cast<std::size_t>(count));
      } else {
        ::close(stream.fd);
        (isOutput ? output : errors) = -1;
      }
    }
    return true;
  }

  pid_t pid = -1;
  int status = -1;
  int input = -1;
  int output = -1;
  int errors = -1;
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
    process = std::make_unique<ConsoleProcess>(configHome, runtime, arguments);
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
  const std::string saveFailed = std::string(platform::vmac::defaultsline::kCannotSave) +
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

}  // namespace
}  // namespace kestravane
