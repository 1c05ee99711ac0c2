// One request on Hyprland's request socket (.socket.sock in the instance's folder). Hyprland
// answers one request per connection and then closes it, so each request connects afresh.
// Threads: any thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform::wayland {

// Hyprland's reply, waiting at most `timeout`; nothing and why ("Hyprland's socket: ...").
std::optional<std::string> askHyprland(const std::string& socketFolder, std::string_view request,
                                       std::chrono::milliseconds timeout, std::string& failure);

}  // namespace kestravane::platform::wayland
