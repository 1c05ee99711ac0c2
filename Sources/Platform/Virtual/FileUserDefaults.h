// User defaults of the running application on Linux, kept in one JSON file (format in
// UserDefaultsJson.h). The file is read once at construction; every change is written at once
// and atomically (temporary file in the same directory, flushed and synced, renamed over the
// target), so a crash leaves either the old file or the new one, never half of one.
// After a successful write, the temporary files that writers which died mid-write left beside
// the target (".<name>.XXXXXX", older than this write and no longer locked) are removed.
// A file that is missing, unreadable or not valid loads as empty and is left untouched until the
// next successful write replaces it. A failed write never throws and never harms the previous
// file; the value stays set in memory and the failure is readable through lastWriteError().
// Threads: thread-safe; writes are serialised by an internal mutex, so the file always holds
// the state of the latest completed change.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/UserDefaults.h"
#include "Platform/Virtual/MemoryUserDefaults.h"

namespace kestravane::platform::vmac {

class FileUserDefaults final : public UserDefaults {
 public:
  explicit FileUserDefaults(std::filesystem::path path);

  // $XDG_CONFIG_HOME/plivex/defaults.json, or $HOME/.config/plivex/defaults.json when
  // XDG_CONFIG_HOME is unset, empty or relative (relative values are invalid by the XDG rules).
  // Absent when neither gives an absolute directory.
  static std::optional<std::filesystem::path> defaultPath();
  // The same rule for given values (null = unset).
  static std::optional<std::filesystem::path> defaultPathFor(const char* xdgConfigHome,
                                                             const char* home);

  // Seam.
  std::optional<Data> dataForKey(const std::string& key) override;
  std::optional<PropertyValue> objectForKey(const std::string& key) override;
  void setObject(const PropertyValue& value, const std::string& key) override;
  void removeObject(const std::string& key) override;

  // Diagnostics and control.
  const std::filesystem::path& path() const { return path_; }
  UserDefaultsValues values() const;
  // Why the file could not be loaded at construction (absent when it loaded or did not exist).
  std::optional<std::string> loadError() const;
  // Why the latest write failed; absent after a successful one.
  std::optional<std::string> lastWriteError() const;
  // Test hook: the next write stops after half of the temporary file, as if the process died
  // there: the temporary file is left behind and the target is not touched.
  void simulateCrashDuringNextWrite();

 private:
  void load();
  void persistLocked();
  std::optional<std::string> writeAtomically(const std::string& text, bool crash) const;

  const std::filesystem::path path_;
  MemoryUserDefaults memory_;
  mutable std::mutex writeMutex_;  // guards everything below and orders the writes
  std::optional<std::string> loadError_;
  std::optional<std::string> lastWriteError_;
  bool crashDuringNextWrite_ = false;
};

}  // namespace kestravane::platform::vmac
