#include "Platform/Virtual/FileUserDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace kestravane::platform::vmac {
namespace {

// A defaults file is a few hundred bytes; anything this large is not one of ours.
constexpr off_t kMaximumFileSize = 16 * 1024 * 1024;

std::string describe(std::string_view action, const std::filesystem::path& path, int error) {
  return std::string(action) + " " + path.string() + ": " + std::strerror(error);
}

// Closes the descriptor on every path out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the kernel accepted the close.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
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
void removeStaleTemporaries(const std::filesystem::path& directory,
                            const std::filesystem::path& target, const struct timespec& startedAt) {
  const std::string targetName = target.filename().string();
  std::error_code error;
  std::vector<std::filesystem::path> candidates;
  for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end;
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

FileUserDefaults::FileUserDefaults(std::filesystem::path path) : path_(std::move(path)) {
  load();
}

std::optional<std::filesystem::path> FileUserDefaults::defaultPath() {
  return defaultPathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::optional<std::filesystem::path> FileUserDefaults::defaultPathFor(const char* xdgConfigHome,
                                                                      const char* home) {
  std::filesystem::path base;
  if (xdgConfigHome != nullptr && std::filesystem::path(xdgConfigHome).is_absolute()) {
    base = xdgConfigHome;
  } else if (home != nullptr && std::filesystem::path(home).is_absolute()) {
    base = std::filesystem::path(home) / ".config";
  } else {
    return std::nullopt;
  }
  return base / "plivex" / "defaults.json";
}

std::optional<Data> FileUserDefaults::dataForKey(const std::string& key) {
  return memory_.dataForKey(key);
}

std::optional<PropertyValue> FileUserDefaults::objectForKey(const std::string& key) {
  return memory_.objectForKey(key);
}

void FileUserDefaults::setObject(const PropertyValue& value, const std::string& key) {
  std::lock_guard lock(writeMutex_);
  memory_.setObject(value, key);
  persistLocked();
}

void FileUserDefaults::removeObject(const std::string& key) {
  std::lock_guard lock(writeMutex_);
  if (!memory_.objectForKey(key)) return;  // nothing changes, nothing to write
  memory_.removeObject(key);
  persistLocked();
}

UserDefaultsValues FileUserDefaults::values() const {
  return memory_.values();
}

std::optional<std::string> FileUserDefaults::loadError() const {
  std::lock_guard lock(writeMutex_);
  return loadError_;
}

std::optional<std::string> FileUserDefaults::lastWriteError() const {
  std::lock_guard lock(writeMutex_);
  return lastWriteError_;
}

void FileUserDefaults::simulateCrashDuringNextWrite() {
  std::lock_guard lock(writeMutex_);
  crashDuringNextWrite_ = true;
}

void FileUserDefaults::load() {
  std::lock_guard lock(writeMutex_);
  FileDescriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno != ENOENT) loadError_ = describe("cannot open", path_, errno);
    return;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    loadError_ = describe("cannot inspect", path_, errno);
    return;
  }
  if (!S_ISREG(info.st_mode) || info.st_size > kMaximumFileSize) {
    loadError_ = "not a defaults file: " + path_.string();
    return;
  }
  std::string text;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      loadError_ = describe("cannot read", path_, errno);
      return;
    }
    if (count == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(count));
    if (text.size() > static_cast<std::size_t>(kMaximumFileSize)) {
      loadError_ = "not a defaults file: " + path_.string();
      return;
    }
  }
  auto values = decodeUserDefaults(text);
  if (!values) {
    loadError_ = "not a valid defaults file: " + path_.string();
    return;
  }
  memory_.replaceValues(std::move(*values));
}

void FileUserDefaults::persistLocked() {
  const bool crash = std::exchange(crashDuringNextWrite_, false);
  lastWriteError_ = writeAtomically(encodeUserDefaults(memory_.values()), crash);
}

std::optional<std::string> FileUserDefaults::writeAtomically(const std::string& text,
                                                             bool crash) const {
  const std::filesystem::path directory =
      path_.has_parent_path() ? path_.parent_path() : std::filesystem::path(".");
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return "cannot create " + directory.string() + ": " + error.message();

  // The temporary file sits next to the target so that the rename stays within one file system.
  std::string name = path_.filename().string();
  name.insert(0, 1, '.');
  name += ".XXXXXX";
  std::string pattern = (directory / name).string();
  FileDescriptor file(::mkostemp(pattern.data(), O_CLOEXEC));
  if (file.get() < 0) return describe("cannot create a temporary file in", directory, errno);
  const std::filesystem::path temporary = pattern;
  // Locked until the rename (through a second descriptor of the same open file, which outlives
  // the checked close below), so that another writer's clean-up leaves it alone; the creation
  // time tells which temporaries are older than this write.
  ::flock(file.get(), LOCK_EX);
  FileDescriptor lockHolder(::dup(file.get()));
  struct stat created {};
  const bool knowsCreation = ::fstat(file.get(), &created) == 0;

  if (crash) {
    writeAll(file.get(), std::string_view(text).substr(0, text.size() / 2));
    return "simulated crash while writing " + temporary.string();
  }
  auto fail = [&](std::string_view action, const std::filesystem::path& subject) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    return describe(action, subject, saved);
  };
  if (!writeAll(file.get(), text)) return fail("cannot write", temporary);
  if (::fsync(file.get()) != 0) return fail("cannot sync", temporary);
  if (!file.close()) return fail("cannot close", temporary);
  if (::rename(temporary.c_str(), path_.c_str()) != 0) return fail("cannot replace", path_);

  // Make the rename itself durable; the new file is already in place, so a failure here is
  // not a failed write.
  FileDescriptor directoryHandle(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directoryHandle.get() >= 0) ::fsync(directoryHandle.get());
  if (knowsCreation) removeStaleTemporaries(directory, path_, created.st_mtim);
  return std::nullopt;
}

}  // namespace kestravane::platform::vmac
