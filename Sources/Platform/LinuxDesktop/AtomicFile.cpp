#include "Platform/LinuxDesktop/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kestravane::platform::desktop {
namespace {

std::string failure(std::string_view what, const std::filesystem::path& path, int error) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

bool writeAll(int descriptor, std::string_view content) {
  while (!content.empty()) {
    const auto written = ::write(descriptor, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::optional<std::filesystem::path> xdgHome(const char* value, const char* home,
                                             const char* fallback) {
  if (value != nullptr && *value == '/') return std::filesystem::path(value);
  if (home != nullptr && *home == '/') return std::filesystem::path(home) / fallback;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view content) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) return failure("cannot make", path.parent_path(), error.value());

  std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX"));
  const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return failure("cannot write", path, errno);
  const bool written = writeAll(descriptor, content) && ::fsync(descriptor) == 0;
  const int writeError = errno;
  ::close(descriptor);
  if (!written) {
    ::unlink(temporary.c_str());
    return failure("cannot write", path, writeError);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temporary.c_str());
    return failure("cannot write", path, renameError);
  }
  return std::nullopt;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit,
                                         Links links) {
  const int flags = O_RDONLY | O_CLOEXEC | (links == Links::refuse ? O_NOFOLLOW : 0);
  const int descriptor = ::open(path.c_str(), flags);
  if (descriptor < 0) return std::nullopt;
  std::string content;
  content.resize(limit + 1);
  std::size_t count = 0;
  while (count < content.size()) {
    const auto got = ::read(descriptor, content.data() + count, content.size() - count);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(descriptor);
      return std::nullopt;
    }
    if (got == 0) break;
    count += static_cast<std::size_t>(got);
  }
  ::close(descriptor);
  if (count > limit) return std::nullopt;
  content.resize(count);
  return content;
}

std::optional<std::string> makePrivateFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder.parent_path(), error);
  if (error) return failure("cannot make", folder.parent_path(), error.value());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return failure("cannot make", folder, errno);
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return failure("cannot look at", folder, errno);
  if (!S_ISDIR(info.st_mode)) return folder.string() + " is not a folder (a link, or a file)";
  if (info.st_uid != ::geteuid()) return folder.string() + " belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return folder.string() + " may be written by other users";
  }
  return std::nullopt;
}

std::optional<std::string> removeFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return std::nullopt;
  return failure("cannot remove", path, errno);
}

std::optional<std::filesystem::path> xdgConfigHome(const char* xdgConfigHome, const char* home) {
  return xdgHome(xdgConfigHome, home, ".config");
}

std::optional<std::filesystem::path> xdgCacheHome(const char* xdgCacheHome, const char* home) {
  return xdgHome(xdgCacheHome, home, ".cache");
}

std::optional<std::filesystem::path> plivexStateDirectory(const char* xdgRuntimeDir,
                                                          const char* xdgCacheHomeValue,
                                                          const char* home) {
  if (xdgRuntimeDir != nullptr && *xdgRuntimeDir == '/') {
    return std::filesystem::path(xdgRuntimeDir) / "plivex";
  }
  const auto cache = xdgCacheHome(xdgCacheHomeValue, home);
  if (!cache) return std::nullopt;
  return *cache / "plivex";
}

}  // namespace kestravane::platform::desktop
