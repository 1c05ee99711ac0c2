#include "Platform/Wayland/SessionBus.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>

namespace kestravane::platform::wayland {

sd_bus* openSessionBus(const std::optional<std::string>& address, std::chrono::milliseconds timeout,
                       std::string& failure) {
  sd_bus* bus = nullptr;
  int result = 0;
  if (!address) {
    result = sd_bus_open_user(&bus);
  } else if ((result = sd_bus_new(&bus)) >= 0) {
    if ((result = sd_bus_set_address(bus, address->c_str())) >= 0 &&
        (result = sd_bus_set_bus_client(bus, 1)) >= 0) {
      result = sd_bus_start(bus);
    }
  }
  if (result < 0) {
    failure = std::string("cannot connect to the session bus: ") + std::strerror(-result);
    sd_bus_unref(bus);
    return nullptr;
  }
  sd_bus_set_method_call_timeout(
      bus, static_cast<std::uint64_t>(
               std::chrono::duration_cast<std::chrono::microseconds>(timeout).count()));
  return bus;
}

}  // namespace kestravane::platform::wayland
