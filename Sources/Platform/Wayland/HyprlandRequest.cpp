#include "Platform/Wayland/HyprlandRequest.h"

#include <unistd.h>

#include "Platform/Wayland/UnixSocket.h"

namespace kestravane::platform::wayland {

std::optional<std::string> askHyprland(const std::string& socketFolder, std::string_view request,
                                       std::chrono::milliseconds timeout, std::string& failure) {
  const int socket = connectUnixSocket(socketFolder + "/.socket.sock", failure);
  if (socket < 0) {
    failure = "Hyprland's socket: " + failure;
    return std::nullopt;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::optional<std::string> reply;
  if (auto refused = sendAll(socket, request, deadline)) {
    failure = std::move(*refused);
  } else {
    reply = readToEnd(socket, deadline, failure);
  }
  ::close(socket);
  if (!reply) failure = "Hyprland's socket: " + failure;
  return reply;
}

}  // namespace kestravane::platform::wayland
