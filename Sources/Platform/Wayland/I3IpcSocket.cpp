#include "Platform/Wayland/I3IpcSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "Platform/Wayland/UnixSocket.h"

namespace kestravane::platform::wayland {
namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeaderSize = kMagic.size() + 2 * sizeof(std::uint32_t);

}  // namespace

std::string encodeI3IpcMessage(std::uint32_t type, std::string_view payload) {
  const auto length = static_cast<std::uint32_t>(payload.size());
  std::string bytes(kMagic);
  bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
  bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
  bytes.append(payload);
  return bytes;
}

std::optional<I3IpcMessage> takeI3IpcMessage(std::string& buffer, bool& corrupt) {
  corrupt = false;
  const std::size_t magicSeen = std::min(buffer.size(), kMagic.size());
  if (std::string_view(buffer).substr(0, magicSeen) != kMagic.substr(0, magicSeen)) {
    corrupt = true;
    return std::nullopt;
  }
  if (buffer.size() < kHeaderSize) return std::nullopt;
  std::uint32_t length = 0;
  std::uint32_t type = 0;
  std::memcpy(&length, buffer.data() + kMagic.size(), sizeof length);
  std::memcpy(&type, buffer.data() + kMagic.size() + sizeof length, sizeof type);
  if (length > i3ipc::kMaximumPayload) {
    corrupt = true;
    return std::nullopt;
  }
  if (buffer.size() - kHeaderSize < length) return std::nullopt;
  I3IpcMessage message{type, buffer.substr(kHeaderSize, length)};
  buffer.erase(0, kHeaderSize + length);
  return message;
}

I3IpcSocket::~I3IpcSocket() {
  close();
}

I3IpcSocket::I3IpcSocket(I3IpcSocket&& other) noexcept
    : fd(std::exchange(other.fd, -1)),
      buffer(std::move(other.buffer)),
      events(std::move(other.events)) {}

I3IpcSocket& I3IpcSocket::operator=(I3IpcSocket&& other) noexcept {
  if (this != &other) {
    close();
    fd = std::exchange(other.fd, -1);
    buffer = std::move(other.buffer);
    events = std::move(other.events);
  }
  return *this;
}

void I3IpcSocket::close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
  buffer.clear();
}

std::optional<std::string> I3IpcSocket::connect(const std::string& path) {
  close();
  std::string failure;
  fd = connectUnixSocket(path, failure);
  if (fd < 0) return failure;
  return std::nullopt;
}

I3IpcSocket::ReadResult I3IpcSocket::readOnce() {
  char chunk[16384];
  for (;;) {
    const ssize_t count = ::recv(fd, chunk, sizeof chunk, 0);
    if (count > 0) {
      buffer.append(chunk, static_cast<std::size_t>(count));
      return ReadResult::data;
    }
    if (count == 0) return ReadResult::closed;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReadResult::nothing : ReadResult::closed;
  }
}

I3IpcReply I3IpcSocket::request(std::uint32_t type, std::string_view payload,
                                std::chrono::milliseconds timeout) {
  if (fd < 0) return {std::nullopt, "not connected"};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (auto failure = sendAll(fd, encodeI3IpcMessage(type, payload), deadline)) {
    close();
    return {std::nullopt, std::move(*failure)};
  }
  for (;;) {
    bool corrupt = false;
    while (auto message = takeI3IpcMessage(buffer, corrupt)) {
      if ((message->type & i3ipc::kEventBit) != 0) {
        events.push_back(std::move(*message));
      } else if (message->type == type) {
        return {std::move(message->payload), {}};
      }
    }
    if (corrupt) {
      close();
      return {std::nullopt, "the desktop's answer is not an i3-IPC message"};
    }
    pollfd readable{fd, POLLIN, 0};
    const int ready = ::poll(&readable, 1, millisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      close();
      return {std::nullopt, "the desktop did not answer in time"};
    }
    if (ready < 0 || readOnce() == ReadResult::closed) {
      close();
      return {std::nullopt, "the desktop closed the connection"};
    }
  }
}

bool I3IpcSocket::readAvailable() {
  if (fd < 0) return false;
  auto result = ReadResult::data;
  while (result == ReadResult::data) result = readOnce();
  // The messages that came before the end still count.
  bool corrupt = false;
  while (auto message = takeI3IpcMessage(buffer, corrupt)) {
    if ((message->type & i3ipc::kEventBit) != 0) events.push_back(std::move(*message));
  }
  if (corrupt || result == ReadResult::closed) {
    close();
    return false;
  }
  return true;
}

std::vector<I3IpcMessage> I3IpcSocket::takeEvents() {
  return std::exchange(events, {});
}

}  // namespace kestravane::platform::wayland
