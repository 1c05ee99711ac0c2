// The defaults file's tests share this: a fresh temporary directory per test with the path the
// file takes in it, a quiet log that captures the file's lines, and small file helpers.
// Threads: the test's thread.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Host/HostLog.h"
#include "Platform/PropertyValue.h"

namespace kestravane::platform::host {

namespace fs = std::filesystem;

inline const std::string kKey = "PlivexConfig.v1";

inline Data bytes(std::string_view text) {
  return Data(text.begin(), text.end());
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void writeFile(const fs::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline std::vector<fs::path> filesIn(const fs::path& directory) {
  std::vector<fs::path> result;
  for (const auto& entry : fs::directory_iterator(directory)) result.push_back(entry.path());
  return result;
}

// A fresh directory per test, removed afterwards (permissions restored first).
class TemporaryDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "plivex-defaults-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory = pattern;
    path = directory / "plivex" / "defaults.json";
  }
  void TearDown() override {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(directory, error)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(directory, error);
  }

  // The logged messages that start with `prefix`.
  std::vector<std::string> logged(std::string_view prefix) const {
    std::vector<std::string> result;
    for (const auto& message : log->messages()) {
      if (message.starts_with(prefix)) result.push_back(message);
    }
    return result;
  }

  fs::path directory;
  fs::path path;
  std::shared_ptr<HostLog> log = std::make_shared<HostLog>(HostLog::Sinks{false, false});
};

}  // namespace kestravane::platform::host
