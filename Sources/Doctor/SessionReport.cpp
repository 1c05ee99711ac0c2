#include "Doctor/SessionReport.h"

#include <cstdlib>
#include <system_error>
#include <utility>

#include "KestravaneKit/LaunchAtLogin.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/LinuxDesktop/XdgAutostartLoginItems.h"

namespace kestravane::doctor {
namespace {

bool exists(const std::optional<std::filesystem::path>& path) {
  std::error_code ignored;
  return path && std::filesystem::exists(*path, ignored);
}

std::string pathValue(const std::optional<std::filesystem::path>& path, bool present) {
  if (!path) return "unknown";
  return quoted(path->string()) + (present ? " present" : " absent");
}

std::string settingsValue(const Findings& findings) {
  if (findings.settingsProblem) return "unusable " + quoted(*findings.settingsProblem);
  return findings.settingsStored ? "stored" : "default";
}

}  // namespace

SessionFiles findSessionFiles() {
  SessionFiles files;
  files.autostartEntry = platform::desktop::XdgAutostartLoginItems::defaultEntryFile(
      std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  files.autostartEntryExists = exists(files.autostartEntry);
  files.settingsFile = platform::host::FileUserDefaults::defaultPath();
  files.settingsFileExists = exists(files.settingsFile);
  return files;
}

std::string quoted(const std::string& text) {
  return "\"" + escaped(text) + "\"";
}

std::vector<std::string> openingLines(const Findings& common, const std::string& backend) {
  return {"plivex-doctor: " + escaped(common.version), "backend: " + escaped(backend)};
}

void addLayoutLines(std::vector<std::string>& lines, const Findings& common) {
  lines.push_back("layouts: " + std::to_string(common.layouts.size()));
  for (const auto& layout : common.layouts) {
    std::string line = "layout: " + escaped(layout.id) + " " + quoted(layout.name);
    if (common.currentSource == layout.id) line += " current";
    lines.push_back(std::move(line));
  }
  lines.push_back("current-source: " +
                  (common.currentSource ? escaped(*common.currentSource) : "none"));
}

void addClosingLines(std::vector<std::string>& lines, const Findings& common,
                     const SessionFiles& files, const std::vector<std::string_view>& sessionWords) {
  lines.push_back("login-item: " + std::string(loginItemWord(common.loginItem)));
  lines.push_back("autostart-entry: " +
                  pathValue(files.autostartEntry, files.autostartEntryExists));
  lines.push_back("settings: " + settingsValue(common));
  lines.push_back("settings-file: " + pathValue(files.settingsFile, files.settingsFileExists));
  std::vector<std::string> words = blockers(common);
  words.insert(words.end(), sessionWords.begin(), sessionWords.end());
  std::string joined;
  for (const auto& word : words) joined += (joined.empty() ? "" : ", ") + word;
  lines.push_back("blocking: " + (joined.empty() ? std::string("none") : joined));
}

}  // namespace kestravane::doctor
