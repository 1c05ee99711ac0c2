#include "Kestravane/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>

namespace kestravane {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRaiseRequest = "raise\n";
// How long a later start keeps trying while the first one has its lock but is not listening
// yet (the moment between the two at its start): 20 tries, 10 ms apart.
constexpr int kConnectTries = 20;
constexpr long kConnectRetryNanos = 10'000'000;
// How long the first start waits for the request of a connection it accepted.
constexpr int kRequestWaitMs = 100;

std::string describe(std::string_view action, const fs::path& path) {
  return std::string(action) + " " + path.string() + ": " + std::strerror(errno);
}

void closeIfOpen(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The socket's address; absent when the path does not fit.
std::optional<sockaddr_un> addressOf(const fs::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string& text = path.native();
  if (text.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
  return address;
}

// The directory exists (made when missing), is a real directory of this user, and nobody else
// may write into it, so no one else can put a lock or a socket there.
std::optional<std::string> checkDirectory(const fs::path& directory) {
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    return describe("cannot create", directory);
  }
  struct stat info {};
  if (::lstat(directory.c_str(), &info) != 0) return describe("cannot look at", directory);
  if (!S_ISDIR(info.st_mode)) return directory.string() + " is not a directory";
  if (info.st_uid != ::geteuid()) return directory.string() + " belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return directory.string() + " may be written by other users";
  }
  return std::nullopt;
}

}  // namespace

fs::path SingleInstance::runtimeDirectory() {
  return runtimeDirectoryFor(std::getenv("XDG_RUNTIME_DIR"), ::getuid());
}

fs::path SingleInstance::runtimeDirectoryFor(const char* xdgRuntimeDir, uid_t uid) {
  if (xdgRuntimeDir != nullptr && fs::path(xdgRuntimeDir).is_absolute()) return xdgRuntimeDir;
  return fs::path("/tmp") / ("plivex-" + std::to_string(uid));
}

SingleInstance SingleInstance::acquire(const fs::path& directory) {
  return SingleInstance(directory);
}

SingleInstance::SingleInstance(fs::path directory) : socketPath(directory / "plivex.sock") {
  if ((_problem = checkDirectory(directory))) return;
  const fs::path lockPath = directory / "plivex.lock";
  lockFile = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFile < 0) {
    _problem = describe("cannot open", lockPath);
    return;
  }
  if (::flock(lockFile, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      _isPrimary = false;
    } else {
      _problem = describe("cannot lock", lockPath);
    }
    closeIfOpen(lockFile);
    return;
  }
  // For a person looking: which process holds it.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(lockFile, 0) == 0) {
    [[maybe_unused]] const auto written = ::write(lockFile, pid.data(), pid.size());
  }

  const auto address = addressOf(socketPath);
  if (!address) {
    _problem = "the path " + socketPath.string() + " is too long for a socket";
    return;
  }
  // Whatever is there was left by a start that ended: this one holds the lock.
  ::unlink(socketPath.c_str());
  listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener < 0 ||
      ::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
      ::listen(listener, 8) != 0) {
    _problem = describe("cannot listen on", socketPath);
    closeIfOpen(listener);
  }
}

SingleInstance::SingleInstance(SingleInstance&& other) noexcept
    : socketPath(std::move(other.socketPath)),
      _isPrimary(other._isPrimary),
      _problem(std::move(other._problem)),
      lockFile(std::exchange(other.lockFile, -1)),
      listener(std::exchange(other.listener, -1)) {}

SingleInstance& SingleInstance::operator=(SingleInstance&& other) noexcept {
  if (this != &other) {
    release();
    socketPath = std::move(other.socketPath);
    _isPrimary = other._isPrimary;
    _problem = std::move(other._problem);
    lockFile = std::exchange(other.lockFile, -1);
    listener = std::exchange(other.listener, -1);
  }
  return *this;
}

SingleInstance::~SingleInstance() {
  release();
}

void SingleInstance::release() {
  if (listener >= 0) {
    // Still ours: the lock is held until the line below the next.
    ::unlink(socketPath.c_str());
    closeIfOpen(listener);
  }
  closeIfOpen(lockFile);
}

std::size_t SingleInstance::acceptRequests() {
  std::size_t raises = 0;
  if (listener < 0) return raises;
  for (;;) {
    const int connection = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (connection < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;  // EAGAIN: none waiting
    }
    char request[16] = {};
    pollfd readable{connection, POLLIN, 0};
    if (::poll(&readable, 1, kRequestWaitMs) > 0) {
      const ssize_t count = ::read(connection, request, sizeof request - 1);
      if (count > 0 &&
          std::string_view(request, static_cast<std::size_t>(count)) == kRaiseRequest) {
        ++raises;
      }
    }
    ::close(connection);
  }
  return raises;
}

bool SingleInstance::requestRaise() const {
  const auto address = addressOf(socketPath);
  if (_isPrimary || !address) return false;
  for (int attempt = 0; attempt < kConnectTries; ++attempt) {
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0) return false;
    if (::connect(connection, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
      const bool sent = ::send(connection, kRaiseRequest.data(), kRaiseRequest.size(),
                               MSG_NOSIGNAL) == static_cast<ssize_t>(kRaiseRequest.size());
      ::close(connection);
      return sent;
    }
    const int error = errno;
    ::close(connection);
    if (error != ENOENT && error != ECONNREFUSED && error != EAGAIN) return false;
    const timespec pause{0, kConnectRetryNanos};
    ::nanosleep(&pause, nullptr);
  }
  return false;
}

}  // namespace kestravane
