#include "Platform/Host/FileUserDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include "Platform/Host/DefaultsLogLines.h"

namespace kestravane::platform::host {
namespace {

namespace fs = std::filesystem;

// Linux's own limit on symbolic links followed in one lookup.
constexpr int kMaximumLinkHops = 40;

std::string describe(std::string_view action, const fs::path& path, int error) {
  return std::string(action) + " " + path.string() + ": " + std::strerror(error);
}

// The file a write must replace: `path` itself, or, when it is a symbolic link, the file at the
// end of its chain of links (which need not exist yet). A string says why there is none.
std::variant<fs::path, std::string> resolveLinks(const fs::path& path) {
  fs::path current = path;
  for (int hop = 0; hop <= kMaximumLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return current;  // created by the write, if it can
      return describe("cannot look at", current, errno);
    }
    if (!S_ISLNK(info.st_mode)) return current;
    std::error_code error;
    const fs::path link = fs::read_symlink(current, error);
    if (error) return "cannot read the link " + current.string() + ": " + error.message();
    current = link.is_absolute() ? link : current.parent_path() / link;
  }
  return describe("cannot follow", path, ELOOP);
}

fs::path badCopyOf(const fs::path& file) {
  fs::path copy = file;
  copy += FileUserDefaults::kBadCopySuffix;
  return copy;
}

// Closes the descriptor on every path out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  int get() const { return fd; }
  // Closes now and reports whether the kernel accepted the close.
  bool close() { return ::close(std::exchange(fd, -1)) == 0; }

 private:
  int fd;
};

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// mkostemp's six replacement characters.
constexpr std::size_t kTemporarySuffixLength = 6;

// The name of a temporary file for the target `targetName`: "." + name + "." + six letters or
// digits, the pattern writeAtomically() passes to mkostemp.
bool isTemporaryName(std::string_view candidate, std::string_view targetName) {
  const std::size_t prefixLength = targetName.size() + 2;
  if (candidate.size() != prefixLength + kTemporarySuffixLength) return false;
  if (candidate.front() != '.' || candidate.substr(1, targetName.size()) != targetName ||
      candidate[prefixLength - 1] != '.') {
    return false;
  }
  const std::string_view suffix = candidate.substr(prefixLength);
  return std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool notLaterThan(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

// Removes the temporaries of `target` that writers which died mid-write (a crash, a power cut)
// left in `directory`: nothing would ever rename or remove them. A temporary counts as stale
// when it is a regular file created no later than the current write's own (`startedAt`) and no
// writer holds its lock; a live writer, in this process or another, keeps its temporary locked
// until the rename. Best effort: whatever cannot be examined stays.
void removeStaleTemporaries(const fs::path& directory, const fs::path& target,
                            const struct timespec& startedAt) {
  const std::string targetName = target.filename().string();
  std::error_code error;
  std::vector<fs::path> candidates;
  for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
       entry.increment(error)) {
    if (isTemporaryName(entry->path().filename().string(), targetName)) {
      candidates.push_back(entry->path());
    }
  }
  for (const auto& candidate : candidates) {
    FileDescriptor file(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) continue;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !notLaterThan(info.st_mtim, startedAt)) {
      continue;
    }
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) continue;  // its writer is still at work
    ::unlink(candidate.c_str());
  }
}

}  // namespace

FileUserDefaults::FileUserDefaults(fs::path path, std::shared_ptr<Log> log)
    : _path(std::move(path)), logger(std::move(log)) {
  load();
}

std::optional<fs::path> FileUserDefaults::defaultPath() {
  return defaultPathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::optional<fs::path> FileUserDefaults::defaultPathFor(const char* xdgConfigHome,
                                                         const char* home) {
  fs::path base;
  if (xdgConfigHome != nullptr && fs::path(xdgConfigHome).is_absolute()) {
    base = xdgConfigHome;
  } else if (home != nullptr && fs::path(home).is_absolute()) {
    base = fs::path(home) / ".config";
  } else {
    return std::nullopt;
  }
  return base / "plivex" / "defaults.json";
}

std::optional<Data> FileUserDefaults::dataForKey(const std::string& key) {
  return memory.dataForKey(key);
}

std::optional<PropertyValue> FileUserDefaults::objectForKey(const std::string& key) {
  return memory.objectForKey(key);
}

void FileUserDefaults::setObject(const PropertyValue& value, const std::string& key) {
  std::lock_guard lock(writeMutex);
  memory.setObject(value, key);
  persistLocked();
}

void FileUserDefaults::removeObject(const std::string& key) {
  std::lock_guard lock(writeMutex);
  if (!memory.objectForKey(key)) return;  // nothing changes, nothing to write
  memory.removeObject(key);
  persistLocked();
}

UserDefaultsValues FileUserDefaults::values() const {
  return memory.values();
}

std::optional<std::string> FileUserDefaults::loadError() const {
  std::lock_guard lock(writeMutex);
  return _loadError;
}

std::optional<std::string> FileUserDefaults::lastWriteError() const {
  std::lock_guard lock(writeMutex);
  return _lastWriteError;
}

void FileUserDefaults::simulateCrashDuringNextWrite() {
  std::lock_guard lock(writeMutex);
  crashDuringNextWrite = true;
}

void FileUserDefaults::log(const std::string& line) const {
  if (logger) logger->log(line);
}

void FileUserDefaults::load() {
  std::lock_guard lock(writeMutex);
  const auto unreadable = [this](std::string_view reason) {
    found = Found::unreadable;
    _loadError = "cannot read " + _path.string() + ": " + std::string(reason);
    log(std::string(defaultsline::kCannotRead) + _path.string() + ": " + std::string(reason) +
        std::string(defaultsline::kCannotReadSuffix));
  };
  const auto invalid = [this](std::string_view reason) { markInvalidLocked(reason); };

  // Non-blocking, so that a named pipe (or a device) at the path cannot hang the start; such a
  // file is refused by its type before anything is read.
  FileDescriptor file(::open(_path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    // Nothing there (or a dangling link): the first save creates the file.
    if (errno == ENOENT || errno == ENOTDIR) return;
    return unreadable(std::strerror(errno));
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return unreadable(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return unreadable(defaultsline::kNotARegularFile);
  if (static_cast<std::uintmax_t>(info.st_size) > kMaximumFileSize) {
    return invalid(defaultsline::kTooLarge);
  }
  std::string text;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return unreadable(std::strerror(errno));
    }
    if (count == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(count));
    if (text.size() > kMaximumFileSize) return invalid(defaultsline::kTooLarge);  // it grew
  }
  std::string whyNot;
  std::vector<std::string> skipped;
  auto values = decodeUserDefaults(text, &whyNot, &skipped);
  if (!values) return invalid(whyNot);
  memory.replaceValues(std::move(*values));
  holdsLoadedValues = true;
  // What was read apart from these stays; the next save would drop them.
  if (!skipped.empty()) {
    invalid(std::string(defaultsline::kUnknownMember) + skipped.front() + "\"" +
            (skipped.size() > 1 ? " and " + std::to_string(skipped.size() - 1) + " more" : ""));
  }
}

void FileUserDefaults::markInvalidLocked(std::string_view reason) {
  if (found == Found::invalid) return;  // said already; one copy keeps it all
  found = Found::invalid;
  _loadError = "not a valid defaults file " + _path.string() + ": " + std::string(reason);
  const auto target = resolveLinks(_path);
  const fs::path copy =
      badCopyOf(std::holds_alternative<fs::path>(target) ? std::get<fs::path>(target) : _path);
  log(std::string(defaultsline::kNotValid) + _path.string() + " (" + std::string(reason) + ")" +
      std::string(defaultsline::kNotValidSuffix) + copy.string());
}

void FileUserDefaults::reportUnusableValue(const std::string& key, const std::string& reason) {
  std::lock_guard lock(writeMutex);
  // Only a value as the file held it: one the program stored itself it has just replaced.
  if (!holdsLoadedValues || !memory.objectForKey(key)) return;
  markInvalidLocked(std::string(defaultsline::kUnusableValue) + key + "\": " + reason);
}

void FileUserDefaults::persistLocked() {
  const bool crash = std::exchange(crashDuringNextWrite, false);
  const std::string text = encodeUserDefaults(memory.values());
  // What a load would refuse is never written: the next start would lose every setting.
  if (text.size() > kMaximumFileSize) {
    return reportWriteLocked(WriteFailure{std::string(defaultsline::kWouldBeTooLarge)});
  }
  reportWriteLocked(writeLocked(text, crash));
}

void FileUserDefaults::reportWriteLocked(const std::optional<WriteFailure>& failure) {
  if (!failure) {
    _lastWriteError.reset();
    if (loggedFailure) log(std::string(defaultsline::kSavedAgain) + _path.string());
    loggedFailure.reset();
    return;
  }
  _lastWriteError = "cannot save " + _path.string() + ": " + failure->reason;
  if (failure->simulated) return;
  std::string line = std::string(defaultsline::kCannotSave) + _path.string() + ": " +
                     failure->reason + std::string(defaultsline::kCannotSaveSuffix);
  if (line == loggedFailure) return;  // said already, and nothing has been saved since
  log(line);
  loggedFailure = std::move(line);
}

std::optional<FileUserDefaults::WriteFailure> FileUserDefaults::writeLocked(const std::string& text,
                                                                            bool crash) {
  if (found == Found::unreadable) {
    // What could not be read is never replaced; once the user has removed it, saves go ahead.
    struct stat info {};
    if (::lstat(_path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR)) {
      return WriteFailure{std::string(defaultsline::kKeptUnreadable)};
    }
    found = Found::replaceable;
  }
  const auto resolved = resolveLinks(_path);
  if (const auto* reason = std::get_if<std::string>(&resolved)) return WriteFailure{*reason};
  const fs::path& target = std::get<fs::path>(resolved);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (target == _path) {
    // Only the program's own folder is created, never one at the far end of a link.
    std::error_code error;
    fs::create_directories(directory, error);
    if (error) return WriteFailure{"cannot create " + directory.string() + ": " + error.message()};
  }

  // The temporary file sits next to the target so that the rename stays within one file system.
  std::string name = target.filename().string();
  name.insert(0, 1, '.');
  name += ".XXXXXX";
  std::string pattern = (directory / name).string();
  FileDescriptor file(::mkostemp(pattern.data(), O_CLOEXEC));
  if (file.get() < 0) {
    return WriteFailure{describe("cannot create a temporary file in", directory, errno)};
  }
  const fs::path temporary = pattern;
  // The file replaced keeps its permissions (mkostemp makes the temporary 0600); the open
  // descriptor writes whatever they are.
  struct stat replaced {};
  if (::stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode)) {
    ::fchmod(file.get(), replaced.st_mode & 0777);
  }
  // Locked until the rename (through a second descriptor of the same open file, which outlives
  // the checked close below), so that another writer's clean-up leaves it alone; the creation
  // time tells which temporaries are older than this write.
  ::flock(file.get(), LOCK_EX);
  FileDescriptor lockHolder(::dup(file.get()));
  struct stat created {};
  const bool knowsCreation = ::fstat(file.get(), &created) == 0;

  if (crash) {
    writeAll(file.get(), std::string_view(text).substr(0, text.size() / 2));
    return WriteFailure{"simulated crash while writing " + temporary.string(), true};
  }
  // Failures name the folder, not the temporary's random name, so that the same failure reads
  // the same every time.
  auto fail = [&](std::string_view action, const fs::path& subject) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    return WriteFailure{describe(action, subject, saved)};
  };
  if (!writeAll(file.get(), text)) return fail("cannot write a temporary file in", directory);
  if (::fsync(file.get()) != 0) return fail("cannot sync a temporary file in", directory);
  if (!file.close()) return fail("cannot close a temporary file in", directory);

  std::optional<fs::path> keptCopy;
  if (found == Found::invalid) {
    const fs::path copy = badCopyOf(target);
    if (::rename(target.c_str(), copy.c_str()) == 0) {
      keptCopy = copy;
    } else if (errno != ENOENT) {
      return fail("cannot keep the invalid file as", copy);
    }
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int saved = errno;
    if (keptCopy) ::rename(keptCopy->c_str(), target.c_str());  // the file goes back where it was
    errno = saved;
    return fail("cannot replace", target);
  }
  if (found == Found::invalid) {
    found = Found::replaceable;
    if (keptCopy) log(std::string(defaultsline::kKeptCopy) + keptCopy->string());
  }
  holdsLoadedValues = false;

  // Make the rename itself durable; the new file is already in place, so a failure here is
  // not a failed write.
  FileDescriptor directoryHandle(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directoryHandle.get() >= 0) ::fsync(directoryHandle.get());
  if (knowsCreation) removeStaleTemporaries(directory, target, created.st_mtim);
  return std::nullopt;
}

}  // namespace kestravane::platform::host
