// One evdev device opened for reading: listen-only (never grabbed, so the desktop sees every key
// as before), non-blocking, read with libevdev. The kernel is asked to stamp its events with
// CLOCK_MONOTONIC, the clock the program measures with; where it refuses (an older kernel, a
// stand-in device), the events carry CLOCK_REALTIME and are moved onto the monotonic clock by the
// offset between the two clocks at the read. When the kernel dropped events (SYN_DROPPED),
// libevdev's resynchronisation brings the device's key state up to date.
// Threads: one thread at a time (the tap's thread once the tap runs).
// Ownership: owns the descriptor and the libevdev context; closes both when destroyed.
#pragma once

#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

namespace kestravane::platform::wayland {

class EvdevDevice {
 public:
  // What a drain met besides the events themselves.
  enum class Drained {
    caughtUp,  // nothing more to read now
    gone,      // the device is gone or unreadable: drop it
  };

  // Opens `devnode`; nullptr with errno set when it cannot be opened or is no evdev device.
  static std::unique_ptr<EvdevDevice> open(const std::string& devnode);
  ~EvdevDevice();
  EvdevDevice(const EvdevDevice&) = delete;
  EvdevDevice& operator=(const EvdevDevice&) = delete;

  int descriptor() const { return fd; }
  const std::string& devnode() const { return path; }
  // The current value of an LED (EV_LED code), as libevdev last learnt it.
  bool led(unsigned code) const;

  // Reads every waiting event. `onEvent(event, timestampNanos)` receives each as the device sent
  // it. After a drop, `onResync(event)` receives the events by which libevdev brings the key
  // state up to date, then `onDropped()` comes once: libevdev discards what was waiting when it
  // resynchronised, so only events read after that notice are new. Never allocates.
  template <typename OnEvent, typename OnDropped, typename OnResync>
  Drained drain(OnEvent&& onEvent, OnDropped&& onDropped, OnResync&& onResync);

 private:
  EvdevDevice(int fd, libevdev* device, std::string devnode, bool monotonic);
  // One libevdev_next_event(); see libevdev's return codes.
  int next(bool syncing, input_event& event);
  std::uint64_t monotonicNanos(const input_event& event) const;

  const int fd;
  libevdev* const device;
  const std::string path;
  const bool monotonic;  // the kernel stamps the events with CLOCK_MONOTONIC
};

template <typename OnEvent, typename OnDropped, typename OnResync>
EvdevDevice::Drained EvdevDevice::drain(OnEvent&& onEvent, OnDropped&& onDropped,
                                        OnResync&& onResync) {
  bool syncing = false;
  for (;;) {
    input_event event{};
    const int status = next(syncing, event);
    if (status == -EAGAIN) {
      // A resynchronisation ends with -EAGAIN; reading then goes on normally.
      if (!syncing) return Drained::caughtUp;
      syncing = false;
      onDropped();
      continue;
    }
    if (status < 0) return Drained::gone;
    if (syncing) {
      onResync(event);
      continue;
    }
    if (status == LIBEVDEV_READ_STATUS_SYNC) {  // the SYN_DROPPED itself
      syncing = true;
      continue;
    }
    onEvent(event, monotonicNanos(event));
  }
}

}  // namespace kestravane::platform::wayland
