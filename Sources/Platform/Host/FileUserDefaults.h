// User defaults of the running application on Linux, kept in one JSON file (format in
// UserDefaultsJson.h). The file is read once at construction; every change is written at once
// and atomically (temporary file beside the file, flushed and synced, renamed over it), so a
// crash leaves either the old file or the new one, never half of one. When the path is a
// symbolic link, the file it points to is the one written (the link stays a link).
// After a successful write, the temporary files that writers which died mid-write left beside
// the file (".<name>.XXXXXX", older than this write and no longer locked) are removed.
// What a file that is there but does not load becomes:
//  - one that could not be read (no permission, an I/O error, not a regular file such as a
//    directory or a named pipe, which is never opened for reading): loads as empty and is never
//    replaced while it exists; saves fail instead;
//  - one that was read but is not valid (garbage, truncated, too large, nested too deeply):
//    loads as empty; the next save first renames it to "<name>.bad" beside it (replacing an
//    older copy), then writes the new file;
//  - one that is valid but holds members of no known shape, or a value the program reports it
//    cannot use (reportUnusableValue): loads what it can, and the next save keeps the copy in
//    the same way, since the new file drops or replaces what could not be used.
// The file is written for people to read (UserDefaultsJson.h), never larger than a load accepts
// (kMaximumFileSize): a save that would be is refused and the file kept as it is. A file that is
// replaced keeps its permissions. A failed write never throws and never harms the previous file;
// the value stays set in memory and the failure is readable through lastWriteError(). Every such
// event is logged in one line (texts in DefaultsLogLines.h); a failure is logged once, and again
// only after a save has succeeded in between (which is logged too) or when the reason changes.
// Threads: any thread; writes are serialised by an internal mutex, so the file always holds
//   the state of the latest completed change.
// Locks: `writeMutex` is taken before the log's own lock, never the other way round.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Host/MemoryUserDefaults.h"
#include "Platform/Log.h"
#include "Platform/UserDefaults.h"

namespace kestravane::platform::host {

class FileUserDefaults final : public UserDefaults {
 public:
  // A defaults file is a few hundred bytes; a larger one is not one of ours.
  static constexpr std::size_t kMaximumFileSize = 1024 * 1024;
  // Beside an invalid file, the name its copy is kept under: "<name>.bad".
  static constexpr const char* kBadCopySuffix = ".bad";

  // Reads `path` (without blocking, whatever is there); `log` receives the lines about it.
  FileUserDefaults(std::filesystem::path path, std::shared_ptr<Log> log);

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
  // Why the file, or part of it, could not be used (absent when it loaded or did not exist).
  std::optional<std::string> loadError() const override;
  // Why the latest write failed; absent after a successful one.
  std::optional<std::string> lastWriteError() const override;
  void reportUnusableValue(const std::string& key, const std::string& reason) override;

  // Diagnostics and control.
  const std::filesystem::path& path() const { return _path; }
  UserDefaultsValues values() const;
  // Test hook: the next write stops after half of the temporary file, as if the process died
  // there: the temporary file is left behind, the target is not touched, nothing is logged.
  void simulateCrashDuringNextWrite();

 private:
  // What the file found at construction allows a save to do with it.
  enum class Found {
    replaceable,  // missing, or loaded: a save replaces it
    unreadable,   // kept: no save replaces it while it exists
    invalid,      // the next save keeps a copy before replacing it
  };
  struct WriteFailure {
    std::string reason;      // stable across attempts: what failed and the system's reason
    bool simulated = false;  // the test hook's crash: not logged
  };

  void load();
  // Counts the file as invalid from now on, and says so once with `reason`.
  void markInvalidLocked(std::string_view reason);
  void persistLocked();
  std::optional<WriteFailure> writeLocked(const std::string& text, bool crash);
  void reportWriteLocked(const std::optional<WriteFailure>& failure);
  void log(const std::string& line) const;

  const std::filesystem::path _path;
  const std::shared_ptr<Log> logger;
  MemoryUserDefaults memory;
  mutable std::mutex writeMutex;  // guards everything below and orders the writes
  Found found = Found::replaceable;
  std::optional<std::string> _loadError;
  std::optional<std::string> _lastWriteError;
  std::optional<std::string> loggedFailure;  // the failure line logged since the last success
  bool crashDuringNextWrite = false;
  bool holdsLoadedValues = false;  // values read from the file, not yet written over
};

}  // namespace kestravane::platform::host
