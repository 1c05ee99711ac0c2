// The few steps on a desktop's Unix stream socket that its switchers share: connecting without
// blocking, and sending or reading with a deadline, so that a compositor that hangs costs the
// caller no more than the deadline.
// Threads: any thread, one per descriptor.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform::wayland {

using Deadline = std::chrono::steady_clock::time_point;

// A non-blocking, close-on-exec descriptor connected to the socket at `path`; -1 and why not.
int connectUnixSocket(const std::string& path, std::string& failure);

// Sends all of `bytes`; why not when the peer went or the deadline passed.
std::optional<std::string> sendAll(int descriptor, std::string_view bytes, Deadline deadline);

// Reads until the peer ends the stream: what it sent, or nothing and why.
std::optional<std::string> readToEnd(int descriptor, Deadline deadline, std::string& failure);

// The milliseconds left until `deadline`, for poll(); 0 once it passed.
int millisecondsUntil(Deadline deadline);

}  // namespace kestravane::platform::wayland
