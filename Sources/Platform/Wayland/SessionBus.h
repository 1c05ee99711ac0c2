// A connection to the D-Bus session bus through sd-bus (DBusLayoutsSwitcher.h says why sd-bus),
// or to the bus at a given address, as the tests' private buses are. Method calls on it wait at
// most the timeout given.
// Threads: the connection belongs to the thread that uses it.
#pragma once

#include <chrono>
#include <optional>
#include <string>

struct sd_bus;

namespace kestravane::platform::wayland {

// The connection (to close with sd_bus_flush_close_unref), or nullptr and why.
sd_bus* openSessionBus(const std::optional<std::string>& address, std::chrono::milliseconds timeout,
                       std::string& failure);

}  // namespace kestravane::platform::wayland
