#include "Kestravane/Linux/RequestListener.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace kestravane {
namespace {

using Clock = std::chrono::steady_clock;

// A connection that has not sent its whole request yet.
struct Client {
  int fd;
  Clock::time_point deadline;
  std::string received;
};

void makeNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
      ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot set up a descriptor");
  }
}

void makePipe(int (&ends)[2]) {
  if (::pipe(ends) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make a pipe");
  }
  makeNonBlocking(ends[0]);
  makeNonBlocking(ends[1]);
}

void closeBoth(int (&ends)[2]) {
  for (int& end : ends) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

// Whether the process at the other end runs as this process's user, as the kernel recorded it
// when the peer connected.
bool fromThisUser(int connection) {
#if defined(SO_PEERCRED)
  ucred peer{};
  socklen_t length = sizeof peer;
  return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
         peer.uid == ::geteuid();
#else
  uid_t uid = 0;
  gid_t gid = 0;
  return ::getpeereid(connection, &uid, &gid) == 0 && uid == ::geteuid();
#endif
}

// Milliseconds until the earliest deadline (rounded up), or -1 without clients.
int pollTimeout(const std::vector<Client>& clients) {
  if (clients.empty()) return -1;
  const auto earliest = std::min_element(clients.begin(), clients.end(), [](auto& a, auto& b) {
                          return a.deadline < b.deadline;
                        })->deadline;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(earliest - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

}  // namespace

RequestListener::RequestListener(int listeningSocket) : listener(listeningSocket) {
  try {
    makeNonBlocking(listener);
    makePipe(ready);
    makePipe(stop);
    thread = std::thread([this] { serve(); });
  } catch (...) {
    closeBoth(ready);
    closeBoth(stop);
    ::close(listener);
    throw;
  }
}

RequestListener::~RequestListener() {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(stop[1], &byte, 1);
  thread.join();
  closeBoth(ready);
  closeBoth(stop);
  ::close(listener);
}

std::size_t RequestListener::takeRaises() {
  std::size_t raises = 0;
  char bytes[64];
  for (ssize_t count; (count = ::read(ready[0], bytes, sizeof bytes)) > 0;) {
    raises += static_cast<std::size_t>(count);
  }
  return raises;
}

void RequestListener::serve() {
  std::vector<Client> clients;
  // Reads what `client` sent; true once it is done with (a whole request, or anything else).
  const auto readFrom = [this](Client& client) {
    char bytes[16];
    const ssize_t count = ::read(client.fd, bytes, sizeof bytes);
    if (count < 0) return errno != EAGAIN && errno != EINTR;
    if (count == 0) return true;
    client.received.append(bytes, static_cast<std::size_t>(count));
    if (client.received == kRaiseRequest) {
      const char byte = 1;
      [[maybe_unused]] const auto written = ::write(ready[1], &byte, 1);
      return true;
    }
    return !kRaiseRequest.starts_with(client.received);
  };
  const auto acceptWaiting = [this, &clients] {
    for (;;) {
      const int connection = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (connection < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;  // EAGAIN: none waiting
      }
      if (!fromThisUser(connection) || clients.size() >= kMaximumPending) {
        ::close(connection);
      } else {
        clients.push_back({connection, Clock::now() + kRequestWait, {}});
      }
    }
  };

  for (;;) {
    std::vector<pollfd> watched{{stop[0], POLLIN, 0}, {listener, POLLIN, 0}};
    for (const auto& client : clients) watched.push_back({client.fd, POLLIN, 0});
    if (::poll(watched.data(), watched.size(), pollTimeout(clients)) < 0 && errno != EINTR) break;
    if (watched[0].revents != 0) break;

    const auto now = Clock::now();
    std::vector<Client> waiting;
    for (std::size_t i = 0; i < clients.size(); ++i) {
      Client& client = clients[i];
      const bool done = watched[i + 2].revents != 0 && readFrom(client);
      if (done || client.deadline <= now) {
        ::close(client.fd);
      } else {
        waiting.push_back(std::move(client));
      }
    }
    clients = std::move(waiting);
    if (watched[1].revents != 0) acceptWaiting();
  }
  for (const auto& client : clients) ::close(client.fd);
}

}  // namespace kestravane
