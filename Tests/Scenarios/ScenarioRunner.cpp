// Runs key-path scenario files as GoogleTest tests, one test per file.
//   ScenarioTests [gtest flags] [file.scn | folder]...
// Without paths it runs every .scn file of the repository's Tests/Scenarios folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "Scenarios/ScenarioParser.h"
#include "Scenarios/ScenarioPlayer.h"

namespace kestravane::scenario {
namespace {

namespace fs = std::filesystem;

struct ScenarioFile {
  fs::path path;
  std::string testName;
};

std::vector<ScenarioFile>& scenarioFiles() {
  static std::vector<ScenarioFile> files;
  return files;
}

// Every .scn file named, or found (sorted) in a folder named; each file once.
std::vector<fs::path> collect(const std::vector<std::string>& arguments) {
  std::vector<fs::path> paths;
  for (const auto& argument : arguments) {
    const fs::path path(argument);
    if (fs::is_directory(path)) {
      std::vector<fs::path> found;
      for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file() && entry.path().extension() == ".scn") {
          found.push_back(entry.path());
        }
      }
      std::sort(found.begin(), found.end());
      paths.insert(paths.end(), found.begin(), found.end());
    } else {
      paths.push_back(path);  // a missing file fails as its own test
    }
  }
  std::vector<fs::path> unique;
  for (const auto& path : paths) {
    const auto same = [&](const fs::path& other) {
      std::error_code error;
      return fs::equivalent(path, other, error) || path == other;
    };
    if (std::none_of(unique.begin(), unique.end(), same)) unique.push_back(path);
  }
  return unique;
}

// The file's stem as a test name: letters, digits and underscores, unique within the run.
std::vector<ScenarioFile> named(const std::vector<fs::path>& paths) {
  std::vector<ScenarioFile> files;
  std::map<std::string, int> uses;
  for (const auto& path : paths) {
    std::string name = path.stem().string();
    for (char& c : name) {
      if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
    }
    if (name.empty()) name = "scenario";
    if (const int seen = uses[name]++; seen > 0) name += "_" + std::to_string(seen + 1);
    files.push_back({path, name});
  }
  return files;
}

// GoogleTest shows the parameter of a failing test by this.
void PrintTo(const ScenarioFile& file, std::ostream* out) {
  *out << file.path.string();
}

class ScenarioTest : public ::testing::TestWithParam<ScenarioFile> {};

TEST_P(ScenarioTest, Plays) {
  const fs::path& path = GetParam().path;
  const std::string file = path.string();
  Scenario scenario;
  try {
    scenario = loadScenario(path);
  } catch (const ParseError& error) {
    ADD_FAILURE_AT(file.c_str(), error.line) << "cannot read the scenario: " << error.what();
    return;
  }
  for (const auto& mismatch : playScenario(scenario)) {
    ADD_FAILURE_AT(file.c_str(), mismatch.line)
        << mismatch.step << "\n  expected: " << mismatch.expected
        << "\n    actual: " << mismatch.actual;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ScenarioTest, ::testing::ValuesIn(scenarioFiles()),
                         [](const ::testing::TestParamInfo<ScenarioFile>& info) {
                           return info.param.testName;
                         });

}  // namespace
}  // namespace kestravane::scenario

int main(int argc, char** argv) {
  // The paths are read before GoogleTest reads its flags, since it builds the parameterised
  // tests then; everything starting with '-' is left to GoogleTest.
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-') arguments.emplace_back(argv[i]);
  }
  if (arguments.empty()) arguments.emplace_back(PLIVEX_SCENARIO_DIR);
  using namespace kestravane::scenario;
  scenarioFiles() = named(collect(arguments));
  if (scenarioFiles().empty()) std::cerr << "No scenario files found.\n";
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
