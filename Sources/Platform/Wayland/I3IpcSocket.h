// A connection to an i3-IPC socket, as Sway serves it ($SWAYSOCK): each message is "i3-ipc", its
// payload's length and its type (two 32-bit numbers in the machine's byte order), then the
// payload (JSON). Replies carry the request's type; events have the high bit set.
// The socket never blocks a caller longer than the timeout it gives: a compositor that hangs
// costs the caller that long, and the connection is closed (a late reply would answer the wrong
// request).
// Threads: one thread at a time per object (the one that owns it).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::wayland {

struct I3IpcMessage {
  std::uint32_t type = 0;
  std::string payload;
  bool operator==(const I3IpcMessage&) const = default;
};

namespace i3ipc {
inline constexpr std::uint32_t kRunCommand = 0;
inline constexpr std::uint32_t kSubscribe = 2;
inline constexpr std::uint32_t kGetConfig = 9;
inline constexpr std::uint32_t kGetInputs = 100;
inline constexpr std::uint32_t kEventBit = 0x80000000u;
inline constexpr std::uint32_t kInputEvent = 0x80000015u;
// Larger payloads are taken for a corrupt stream: Sway's largest (a tree) is far smaller.
inline constexpr std::uint32_t kMaximumPayload = 64u * 1024u * 1024u;
}  // namespace i3ipc

struct I3IpcReply {
  std::optional<std::string> payload;
  std::string failure;  // set when payload is not
};

// One framed message.
std::string encodeI3IpcMessage(std::uint32_t type, std::string_view payload);

// Takes the first whole message off the front of `buffer`; nothing while it is incomplete.
// `corrupt` becomes true (and nothing is taken) when the front is not a message at all.
std::optional<I3IpcMessage> takeI3IpcMessage(std::string& buffer, bool& corrupt);

class I3IpcSocket {
 public:
  I3IpcSocket() = default;
  ~I3IpcSocket();
  I3IpcSocket(I3IpcSocket&& other) noexcept;
  I3IpcSocket& operator=(I3IpcSocket&& other) noexcept;
  I3IpcSocket(const I3IpcSocket&) = delete;
  I3IpcSocket& operator=(const I3IpcSocket&) = delete;

  // Connects to the Unix socket at `path`; why it could not, or nothing.
  std::optional<std::string> connect(const std::string& path);
  bool isOpen() const { return fd >= 0; }
  int descriptor() const { return fd; }
  void close();

  // Sends one request and waits for its reply (events that come first are kept for
  // takeEvents()): the reply's payload, or why there is none (then the socket is closed).
  I3IpcReply request(std::uint32_t type, std::string_view payload,
                     std::chrono::milliseconds timeout);
  // Reads what has arrived without waiting; false when the peer closed or the stream broke (the
  // socket is then closed). Events read here or during request() collect for takeEvents().
  bool readAvailable();
  std::vector<I3IpcMessage> takeEvents();

 private:
  enum class ReadResult { data, nothing, closed };
  ReadResult readOnce();

  int fd = -1;
  std::string buffer;
  std::vector<I3IpcMessage> events;
};

}  // namespace kestravane::platform::wayland
