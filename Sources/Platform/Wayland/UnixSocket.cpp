#include "Platform/Wayland/UnixSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestravane::platform::wayland {
namespace {

// Replies larger than this are taken for a broken peer.
constexpr std::size_t kMaximumReply = 16u * 1024u * 1024u;

}  // namespace

int millisecondsUntil(Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

int connectUnixSocket(const std::string& path, std::string& failure) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty()) {
    failure = "no socket path";
    return -1;
  }
  if (path.size() >= sizeof address.sun_path) {
    failure = "socket path too long: " + path;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (descriptor < 0) {
    failure = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  // A Unix socket connects at once or fails (EAGAIN only when the listener's queue is full).
  if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    failure = "cannot connect to " + path + ": " + std::strerror(errno);
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

std::optional<std::string> sendAll(int descriptor, std::string_view bytes, Deadline deadline) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (std::chrono::steady_clock::now() >= deadline)
        return "the desktop did not take the request";
      pollfd writable{descriptor, POLLOUT, 0};
      ::poll(&writable, 1, millisecondsUntil(deadline));
      continue;
    }
    return "the desktop closed the connection";
  }
  return std::nullopt;
}

std::optional<std::string> readToEnd(int descriptor, Deadline deadline, std::string& failure) {
  std::string text;
  char chunk[16384];
  for (;;) {
    const ssize_t count = ::recv(descriptor, chunk, sizeof chunk, 0);
    if (count > 0) {
      text.append(chunk, static_cast<std::size_t>(count));
      if (text.size() > kMaximumReply) {
        failure = "the desktop's answer is too long";
        return std::nullopt;
      }
      continue;
    }
    if (count == 0) return text;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      failure = "the desktop closed the connection";
      return std::nullopt;
    }
    pollfd readable{descriptor, POLLIN, 0};
    if (::poll(&readable, 1, millisecondsUntil(deadline)) == 0) {
      failure = "the desktop did not answer in time";
      return std::nullopt;
    }
  }
}

}  // namespace kestravane::platform::wayland
