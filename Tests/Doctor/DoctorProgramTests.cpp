// The plivex-doctor program as a user runs it: its arguments, where its report goes, and the
// settings it reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Support/SpawnedProgram.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;
using testing_support::ProgramOptions;
using testing_support::SpawnedProgram;

class DoctorProgramTest : public ::testing::Test {
 protected:
  DoctorProgramTest() {
    std::string pattern = (fs::temp_directory_path() / "plivex-doctor-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
  }
  ~DoctorProgramTest() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }

  // Runs the doctor with its own settings folder; its exit status.
  int run(std::unique_ptr<SpawnedProgram>& doctor, ProgramOptions options = {}) {
    options.environment.emplace_back("XDG_CONFIG_HOME", directory.string());
    doctor = std::make_unique<SpawnedProgram>(PLIVEX_DOCTOR_PATH, std::move(options));
    return doctor->finish();
  }

  fs::path directory;
};

TEST_F(DoctorProgramTest, AnUnknownArgumentGetsTheUsageAndAFailure) {
  std::unique_ptr<SpawnedProgram> doctor;
  ProgramOptions bogus;
  bogus.arguments = {"--bogus"};
  EXPECT_EQ(run(doctor, bogus), 2);
  EXPECT_THAT(doctor->stderrText, StartsWith("usage: plivex-doctor [--help | --version]\n"));
  EXPECT_EQ(doctor->stdoutText, "") << "no report";

  ProgramOptions help;
  help.arguments = {"--help"};
  EXPECT_EQ(run(doctor, help), 0);
  EXPECT_THAT(doctor->stdoutText, StartsWith("usage: plivex-doctor [--help | --version]\n"));

  ProgramOptions version;
  version.arguments = {"--version"};
  EXPECT_EQ(run(doctor, version), 0);
  EXPECT_THAT(doctor->stdoutText, MatchesRegex("plivex-doctor [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

TEST_F(DoctorProgramTest, AReportThatCannotBeWrittenIsAFailureSaidOnStandardError) {
  std::unique_ptr<SpawnedProgram> doctor;
  ProgramOptions full;
  full.standardOutputFile = "/dev/full";
  EXPECT_EQ(run(doctor, full), 1);
  EXPECT_EQ(doctor->stderrText,
            "plivex-doctor: cannot write the report: No space left on device\n");
}

#ifndef __APPLE__
// On Linux the doctor reads the settings file the console and the application keep.
TEST_F(DoctorProgramTest, ItReadsTheSettingsFileOfThePrograms) {
  fs::create_directories(directory / "plivex");
  const fs::path file = directory / "plivex" / "defaults.json";
  std::unique_ptr<SpawnedProgram> doctor;
  EXPECT_EQ(run(doctor), 0);
  EXPECT_THAT(doctor->stdoutText, HasSubstr("\nsettings: default\n"));

  // {"trigger":"capsLock"}, as the programs store it.
  std::ofstream(file) << R"({"PlivexConfig.v1":{"data":"eyJ0cmlnZ2VyIjoiY2Fwc0xvY2sifQ=="}})";
  EXPECT_EQ(run(doctor), 0);
  EXPECT_THAT(doctor->stdoutText, HasSubstr("\nsettings: stored\n"));

  std::ofstream(file) << "not JSON";
  EXPECT_EQ(run(doctor), 0);
  EXPECT_THAT(doctor->stdoutText, HasSubstr("\nsettings: unusable \"not a valid defaults file " +
                                            file.string() + ": not valid JSON\"\n"));
  std::ifstream kept(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not JSON") << "unchanged";
}
#endif

}  // namespace
}  // namespace kestravane
