// What the reports of a Linux desktop session (X11, Wayland) share: the files Plivex keeps there
// (the autostart entry, the settings file), the opening lines, the lines of the layouts, and the
// closing lines (the login item, the settings, their files and the blocking line), so both say
// them alike.
// Threads: main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Doctor/DoctorReport.h"

namespace kestravane::doctor {

// Where the session's autostart entry and settings file are, found by the XDG rules.
struct SessionFiles {
  std::optional<std::filesystem::path> autostartEntry;
  bool autostartEntryExists = false;
  std::optional<std::filesystem::path> settingsFile;
  bool settingsFileExists = false;
};

SessionFiles findSessionFiles();

// `text` escaped and in double quotes.
std::string quoted(const std::string& text);

// "plivex-doctor: VERSION" and "backend: BACKEND", the lines every session's report opens with.
std::vector<std::string> openingLines(const Findings& common, const std::string& backend);

// "layouts: N", a "layout: ID \"NAME\" [current]" line each and "current-source: ID|none".
void addLayoutLines(std::vector<std::string>& lines, const Findings& common);

// The login item, its autostart entry, the settings and their file, then "blocking: " with the
// health table's words for `common` followed by `sessionWords` (or "none").
void addClosingLines(std::vector<std::string>& lines, const Findings& common,
                     const SessionFiles& files, const std::vector<std::string_view>& sessionWords);

}  // namespace kestravane::doctor
