// One evdev tap's run-loop source: an epoll descriptor that holds a udev monitor and every
// keyboard device (and, when the tap's mask asks for clicks, every pointer device) open for
// reading, so the poll run loop serves them all on the tap's thread. Each device event becomes
// the event a Mac would report, through the X11 backend's KeyTranslator with the evdev code + 8
// as the key code; the events go to the tap's callback as EvdevEvents. Devices come and go with
// udev's add and remove events, and a device that fails a read is dropped; the keys it held are
// let go in the translation, without events. When the kernel dropped a device's events,
// libevdev's resynchronisation updates the keys held, without events either, and then the
// callback is told with a tap-disabled notice (kEventTapDisabledByTimeout, no event), as macOS
// tells a tap that missed events, so a release after the gap cannot complete a tap.
// Threads: made on any thread; perform() and everything it reaches run on the thread of the run
//   loop holding the source. `enabled` and `invalidated` may be set from any thread;
//   openDevices() and openKeyboards() may be read from any thread.
// Ownership: owns the udev context, the monitor, the devices and the epoll descriptor.
#pragma once

#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/EventTaps.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/EvdevDevice.h"
#include "Platform/Wayland/InputDevices.h"
#include "Platform/X11/KeyTranslator.h"

struct udev;
struct udev_monitor;

namespace kestravane::platform::wayland {

// What a tap delivers: the event a Mac would report, and when the device saw it, on the
// monotonic clock (SystemUptimeClock's).
struct EvdevEvent {
  x11::KeyEvent key;
  std::uint64_t timestampNanos = 0;
};

class EvdevTapSource final : public desktop::PollSource {
 public:
  struct Setup {
    EventMask mask = 0;
    TapCallback callback = nullptr;
    void* userInfo = nullptr;
  };

  // The source with udev's current devices open; nullptr when udev cannot be reached, or when
  // keyboards exist and none of them opens (Input Monitoring refused).
  static std::shared_ptr<EvdevTapSource> create(Setup setup);
  ~EvdevTapSource() override;
  EvdevTapSource(const EvdevTapSource&) = delete;
  EvdevTapSource& operator=(const EvdevTapSource&) = delete;

  int descriptor() const override { return epoll; }
  void perform() override;

  // The devices open now.
  std::size_t openDevices() const { return deviceCount.load(std::memory_order_acquire); }
  // The keyboards among them: while there is one, this process may read the keyboards.
  std::size_t openKeyboards() const { return keyboardCount.load(std::memory_order_acquire); }

  std::atomic<bool> enabled{true};
  std::atomic<bool> invalidated{false};

 private:
  struct OpenDevice {
    std::unique_ptr<EvdevDevice> device;
    std::bitset<256> held;  // the X key codes this device holds down
    bool keyboard = false;
    bool dropped = false;
  };

  EvdevTapSource(Setup setup, udev* context, udev_monitor* monitor, int epoll);
  // Opens a device and adds it to the epoll set; false when it cannot be opened.
  bool add(const InputDevice& found);
  void drop(OpenDevice& open);
  void eraseDropped();
  void readMonitor();
  void drain(OpenDevice& open);
  // One event of a device; `deliverIt` false while libevdev resynchronises.
  void take(OpenDevice& open, const input_event& event, std::uint64_t timestampNanos,
            bool deliverIt);
  void deliver(const std::optional<x11::KeyEvent>& event, std::uint64_t timestampNanos);
  void deliverDropNotice();
  bool wantsPointers() const;

  const Setup setup;
  udev* const context;
  udev_monitor* const monitor;
  const int epoll;
  std::vector<std::unique_ptr<OpenDevice>> devices;  // the tap's thread (after create())
  std::atomic<std::size_t> deviceCount{0};
  std::atomic<std::size_t> keyboardCount{0};
  x11::KeyTranslator translator;  // the tap's thread
};

}  // namespace kestravane::platform::wayland
