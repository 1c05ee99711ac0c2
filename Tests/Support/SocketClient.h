// A client of a Unix stream socket, as another program would be: it connects, and may send one
// request and hang up.
// Threads: any thread.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>

namespace kestravane::testing_support {

// A connected socket, or -1. Non-blocking: a listener whose queue is full refuses at once.
inline int connectTo(const std::filesystem::path& socketPath) {
  const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (client < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.native().copy(address.sun_path, sizeof address.sun_path - 1);
  if (::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(client);
    return -1;
  }
  return client;
}

// Connects, sends `request` and hangs up; whether all of it was sent.
inline bool sendRequest(const std::filesystem::path& socketPath, std::string_view request) {
  const int client = connectTo(socketPath);
  if (client < 0) return false;
  const bool sent = ::send(client, request.data(), request.size(), MSG_NOSIGNAL) ==
                    static_cast<ssize_t>(request.size());
  ::close(client);
  return sent;
}

// Connects and sends `request` as far as the other end lets it (it may hang up at once);
// whether it could connect.
inline bool tryRequest(const std::filesystem::path& socketPath, std::string_view request) {
  const int client = connectTo(socketPath);
  if (client < 0) return false;
  [[maybe_unused]] const auto sent = ::send(client, request.data(), request.size(), MSG_NOSIGNAL);
  ::close(client);
  return true;
}

}  // namespace kestravane::testing_support
