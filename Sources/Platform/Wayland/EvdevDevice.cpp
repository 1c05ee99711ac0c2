#include "Platform/Wayland/EvdevDevice.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

namespace kestravane::platform::wayland {
namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;

std::uint64_t nanosOf(const timespec& time) {
  return static_cast<std::uint64_t>(time.tv_sec) * kNanosPerSecond +
         static_cast<std::uint64_t>(time.tv_nsec);
}

std::int64_t now(clockid_t clock) {
  timespec time{};
  clock_gettime(clock, &time);
  return static_cast<std::int64_t>(nanosOf(time));
}

// libevdev's own messages would go to stderr from the tap thread and can name event codes: the
// program never writes what is typed anywhere.
void discardLog(const libevdev*, libevdev_log_priority, void*, const char*, int, const char*,
                const char*, va_list) {}

}  // namespace

std::unique_ptr<EvdevDevice> EvdevDevice::open(const std::string& devnode) {
  const int fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  int clock = CLOCK_MONOTONIC;
  const bool monotonic = ::ioctl(fd, EVIOCSCLOCKID, &clock) == 0;
  libevdev* device = libevdev_new();
  if (device == nullptr) {
    ::close(fd);
    errno = ENOMEM;
    return nullptr;
  }
  libevdev_set_device_log_function(device, discardLog, LIBEVDEV_LOG_ERROR, nullptr);
  if (const int status = libevdev_set_fd(device, fd); status < 0) {
    libevdev_free(device);
    ::close(fd);
    errno = -status;
    return nullptr;
  }
  return std::unique_ptr<EvdevDevice>(new EvdevDevice(fd, device, devnode, monotonic));
}

EvdevDevice::EvdevDevice(int fd, libevdev* device, std::string devnode, bool monotonic)
    : fd(fd), device(device), path(std::move(devnode)), monotonic(monotonic) {}

EvdevDevice::~EvdevDevice() {
  libevdev_free(device);
  ::close(fd);
}

bool EvdevDevice::led(unsigned code) const {
  return libevdev_get_event_value(device, EV_LED, code) != 0;
}

int EvdevDevice::next(bool syncing, input_event& event) {
  return libevdev_next_event(device, syncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL,
                             &event);
}

std::uint64_t EvdevDevice::monotonicNanos(const input_event& event) const {
  const auto stamped = static_cast<std::int64_t>(event.input_event_sec) *
                           static_cast<std::int64_t>(kNanosPerSecond) +
                       static_cast<std::int64_t>(event.input_event_usec) * 1000;
  if (monotonic) return static_cast<std::uint64_t>(stamped);
  // A real-time stamp: as long ago on the monotonic clock as it is on the real-time one.
  const std::int64_t realtime = now(CLOCK_REALTIME);
  const std::int64_t uptime = now(CLOCK_MONOTONIC);
  const std::int64_t age = realtime > stamped ? realtime - stamped : 0;
  return static_cast<std::uint64_t>(uptime > age ? uptime - age : 0);
}

}  // namespace kestravane::platform::wayland
