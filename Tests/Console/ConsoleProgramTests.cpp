// The real plivex-console program, run as a user runs it: commands piped in, its output read
// back, its exit status checked. In the sanitizer builds the program is built with the same
// sanitizer, so a data race, a thread left unjoined or a leak at exit fails these tests too.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/Virtual/DefaultsLogLines.h"
#include "Support/SpawnedProgram.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// One run of the console, with its own configuration and runtime directories.
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
      "grant all\nglobe free\nstatus\ntap fn\nkeytest start\ntap a\ntrigger capsLock\n"
      "tap capsLock\nwake\nkeytest stop\nkeytest start\nquit\n",
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
