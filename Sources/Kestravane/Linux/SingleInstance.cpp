#include "Kestravane/Linux/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace kestravane {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRaiseRequest = RequestListener::kRaiseRequest;
// How long a later start keeps trying while the first one has its lock but is not listening
// yet (the moment between the two at its start): 20 tries, 10 ms apart.
constexpr int kConnectTries = 20;
constexpr long kConnectRetryNanos = 10'000'000;

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

// The lock's and the socket's name without the extension.
std::string baseNameFor(std::string_view displayKey) {
  if (displayKey.empty()) return "plivex";
  std::string key(displayKey);
  for (char& c : key) {
    if (c == '/') c = '_';
  }
  return "plivex-" + key;
}

}  // namespace

fs::path SingleInstance::lockFileFor(std::string_view displayKey, const fs::path& directory) {
  return directory / (baseNameFor(displayKey) + ".lock");
}

bool SingleInstance::isLockHeld(const fs::path& lockFile) {
  struct stat file {};
  if (::stat(lockFile.c_str(), &file) != 0) return false;
  // Each line names the locked file as MAJOR:MINOR:INODE, the device numbers in hex
  // ("1: FLOCK  ADVISORY  WRITE 4242 00:1a:1234 0 EOF").
  char identity[64];
  std::snprintf(identity, sizeof identity, " %02x:%02x:%llu ", major(file.st_dev),
                minor(file.st_dev), static_cast<unsigned long long>(file.st_ino));
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    if (line.find(" FLOCK ") != std::string::npos && line.find(identity) != std::string::npos) {
      return true;
    }
  }
  return false;
}

fs::path SingleInstance::runtimeDirectory() {
  return runtimeDirectoryFor(std::getenv("XDG_RUNTIME_DIR"), ::getuid(), std::getenv("TMPDIR"));
}

fs::path SingleInstance::runtimeDirectoryFor(const char* xdgRuntimeDir, uid_t uid,
                                             const char* tmpDir) {
  if (xdgRuntimeDir != nullptr && fs::path(xdgRuntimeDir).is_absolute()) return xdgRuntimeDir;
  const fs::path temporary =
      tmpDir != nullptr && fs::path(tmpDir).is_absolute() ? fs::path(tmpDir) : fs::path("/tmp");
  return temporary / ("plivex-" + std::to_string(uid));
}

fs::path SingleInstance::fallbackDirectory() {
  return runtimeDirectoryFor(nullptr, ::getuid(), std::getenv("TMPDIR"));
}

SingleInstance SingleInstance::acquire(const fs::path& directory, const fs::path& fallback) {
  return acquireFor({}, directory, fallback);
}

SingleInstance SingleInstance::acquireFor(std::string_view displayKey, const fs::path& directory,
                                          const fs::path& fallback) {
  SingleInstance instance;
  instance.baseName = baseNameFor(displayKey);
  instance._directory = directory;
  if (auto refusal = checkDirectory(directory)) {
    // Another user's directory, or one others may write into, would let two starts of this
    // user miss each other (or let others in); every start of the user passes it over alike.
    const auto fallbackRefusal = directory == fallback ? refusal : checkDirectory(fallback);
    if (fallbackRefusal) {
      instance._problem = directory == fallback ? *refusal : *refusal + "; " + *fallbackRefusal;
      return instance;
    }
    instance._directory = fallback;
    instance._warning = *refusal + ", so " + fallback.string() + " is used instead";
  }
  instance.lockAndListen();
  return instance;
}

void SingleInstance::lockAndListen() {
  socketPath = _directory / (baseName + ".sock");
  const fs::path lockPath = _directory / (baseName + ".lock");
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
  // For a person looking: which process holds it. Best effort: a full disk or a file-size
  // limit costs only this note.
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
  int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // The socket is made private before it accepts anyone, whatever the umask made it.
  if (socket < 0 ||
      ::bind(socket, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
      ::chmod(socketPath.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(socket, 8) != 0) {
    _problem = describe("cannot listen on", socketPath);
    closeIfOpen(socket);
    ::unlink(socketPath.c_str());
    return;
  }
  try {
    listener = std::make_unique<RequestListener>(socket);
  } catch (const std::system_error& error) {
    _problem = "cannot listen on " + socketPath.string() + ": " + error.what();
    ::unlink(socketPath.c_str());
  }
}

SingleInstance::SingleInstance(SingleInstance&& other) noexcept
    : _directory(std::move(other._directory)),
      socketPath(std::move(other.socketPath)),
      baseName(std::move(other.baseName)),
      _isPrimary(other._isPrimary),
      _problem(std::move(other._problem)),
      _warning(std::move(other._warning)),
      lockFile(std::exchange(other.lockFile, -1)),
      listener(std::move(other.listener)) {}

SingleInstance& SingleInstance::operator=(SingleInstance&& other) noexcept {
  if (this != &other) {
    release();
    _directory = std::move(other._directory);
    baseName = std::move(other.baseName);
    socketPath = std::move(other.socketPath);
    _isPrimary = other._isPrimary;
    _problem = std::move(other._problem);
    _warning = std::move(other._warning);
    lockFile = std::exchange(other.lockFile, -1);
    listener = std::move(other.listener);
  }
  return *this;
}

SingleInstance::~SingleInstance() {
  release();
}

void SingleInstance::release() {
  if (listener) {
    // Still ours: the lock is held until the line below the next.
    ::unlink(socketPath.c_str());
    listener.reset();
  }
  closeIfOpen(lockFile);
}

int SingleInstance::requestDescriptor() const {
  return listener ? listener->readyDescriptor() : -1;
}

std::size_t SingleInstance::acceptRequests() {
  return listener ? listener->takeRaises() : 0;
}

bool SingleInstance::requestRaise() const {
  return !_isPrimary && requestRaiseAt(socketPath);
}

bool SingleInstance::requestRaiseAt(const fs::path& socketFile) {
  const auto address = addressOf(socketFile);
  if (!address) return false;
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
