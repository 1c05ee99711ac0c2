#include "Platform/Virtual/FileUserDefaults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  return std::nullopt;
}

}  // namespace kestravane::platform::vmac
