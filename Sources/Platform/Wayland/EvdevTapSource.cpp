#include "Platform/Wayland/EvdevTapSource.h"

#include <libudev.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <string_view>
#include <utility>

#include "Platform/Wayland/EvdevCodes.h"

namespace kestravane::platform::wayland {
namespace {

constexpr EventMask kMouseEvents =
    eventMaskBit(kEventLeftMouseDown) | eventMaskBit(kEventLeftMouseUp) |
    eventMaskBit(kEventRightMouseDown) | eventMaskBit(kEventRightMouseUp) |
    eventMaskBit(kEventOtherMouseDown) | eventMaskBit(kEventOtherMouseUp);

constexpr int kReadyBatch = 16;

bool watch(int epoll, int fd, void* tag) {
  epoll_event interest{};
  interest.events = EPOLLIN;
  interest.data.ptr = tag;
  return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &interest) == 0;
}

}  // namespace

std::shared_ptr<EvdevTapSource> EvdevTapSource::create(Setup setup) {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  if (epoll < 0) {
    udev_unref(context);
    return nullptr;
  }
  // The monitor listens before the devices are listed, so none plugged in between is missed.
  // Without one (no netlink socket in a sandbox) the tap reads the devices there are now.
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor != nullptr &&
      (udev_monitor_filter_add_match_subsystem_devtype(monitor, "input", nullptr) < 0 ||
       udev_monitor_enable_receiving(monitor) < 0 ||
       !watch(epoll, udev_monitor_get_fd(monitor), nullptr))) {
    udev_monitor_unref(monitor);
    monitor = nullptr;
  }
  std::shared_ptr<EvdevTapSource> source(new EvdevTapSource(setup, context, monitor, epoll));
  bool anyKeyboard = false;
  bool keyboardOpened = false;
  for (const InputDevice& found : listInputDevices(context, source->wantsPointers())) {
    anyKeyboard = anyKeyboard || found.keyboard;
    if (source->add(found) && found.keyboard) keyboardOpened = true;
  }
  // As a Mac refuses a tap without Input Monitoring. With no keyboard at all nothing was
  // refused: the tap waits for one to be plugged in.
  if (anyKeyboard && !keyboardOpened) return nullptr;
  return source;
}

EvdevTapSource::EvdevTapSource(Setup setup, udev* context, udev_monitor* monitor, int epoll)
    : setup(setup), context(context), monitor(monitor), epoll(epoll) {
  translator.setMediaKeys(evdevMediaKeys());
}

EvdevTapSource::~EvdevTapSource() {
  devices.clear();
  if (monitor != nullptr) udev_monitor_unref(monitor);
  udev_unref(context);
  ::close(epoll);
}

bool EvdevTapSource::wantsPointers() const {
  return (setup.mask & kMouseEvents) != 0;
}

bool EvdevTapSource::add(const InputDevice& found) {
  for (const auto& open : devices) {
    if (!open->dropped && open->device->devnode() == found.devnode) return true;
  }
  auto device = EvdevDevice::open(found.devnode);
  if (!device) return false;
  auto open = std::make_unique<OpenDevice>();
  open->device = std::move(device);
  open->keyboard = found.keyboard;
  if (!watch(epoll, open->device->descriptor(), open.get())) return false;
  // The lock as the keyboard's light shows it; the desktop keeps the lights of all in step.
  if (found.keyboard && open->device->led(LED_CAPSL)) translator.setCapsLocked(true);
  devices.push_back(std::move(open));
  deviceCount.fetch_add(1, std::memory_order_acq_rel);
  if (found.keyboard) keyboardCount.fetch_add(1, std::memory_order_acq_rel);
  return true;
}

void EvdevTapSource::drop(OpenDevice& open) {
  if (open.dropped) return;
  open.dropped = true;
  epoll_ctl(epoll, EPOLL_CTL_DEL, open.device->descriptor(), nullptr);
  // Its releases will never come: no key stays down in the flags of the events to follow.
  for (unsigned key = 0; key < open.held.size(); ++key) {
    if (open.held.test(key)) translator.release(key);
  }
  open.held.reset();
  deviceCount.fetch_sub(1, std::memory_order_acq_rel);
  if (open.keyboard) keyboardCount.fetch_sub(1, std::memory_order_acq_rel);
}

void EvdevTapSource::eraseDropped() {
  std::erase_if(devices, [](const auto& open) { return open->dropped; });
}

void EvdevTapSource::perform() {
  epoll_event ready[kReadyBatch];
  for (;;) {
    const int count = epoll_wait(epoll, ready, kReadyBatch, 0);
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) {
      auto* open = static_cast<OpenDevice*>(ready[i].data.ptr);
      if (open == nullptr) {
        readMonitor();
      } else if (!open->dropped) {
        drain(*open);
      }
    }
    // Only now: a later entry of the same batch may name a device dropped by an earlier one.
    eraseDropped();
    if (count < kReadyBatch) return;
  }
}

void EvdevTapSource::readMonitor() {
  while (udev_device* changed = udev_monitor_receive_device(monitor)) {
    const char* action = udev_device_get_action(changed);
    const std::string_view what = action != nullptr ? action : "";
    if (what == "add") {
      const InputDevice found = classifyInputDevice(changed, wantsPointers());
      if (!found.devnode.empty()) add(found);
    } else if (what == "remove") {
      const char* devnode = udev_device_get_devnode(changed);
      for (const auto& open : devices) {
        if (devnode != nullptr && open->device->devnode() == devnode) drop(*open);
      }
    }
    udev_device_unref(changed);
  }
}

void EvdevTapSource::drain(OpenDevice& open) {
  const auto drained = open.device->drain(
      [&](const input_event& event, std::uint64_t timestampNanos) {
        take(open, event, timestampNanos, true);
      },
      [&] { deliverDropNotice(); }, [&](const input_event& event) { take(open, event, 0, false); });
  if (drained == EvdevDevice::Drained::gone) drop(open);
}

void EvdevTapSource::take(OpenDevice& open, const input_event& event, std::uint64_t timestampNanos,
                          bool deliverIt) {
  if (event.type == EV_LED && event.code == LED_CAPSL) {
    translator.setCapsLocked(event.value != 0);
    return;
  }
  if (event.type != EV_KEY) return;
  if (const auto button = xButtonOfEvdev(event.code)) {
    // Buttons do not repeat; a value of 2 would be no click.
    if (event.value == 2) return;
    const auto translated = translator.button(*button, event.value != 0);
    if (deliverIt) deliver(translated, timestampNanos);
    return;
  }
  const auto key = xKeycodeOfEvdev(event.code);
  if (!key) return;
  std::optional<x11::KeyEvent> translated;
  switch (event.value) {
    case 0:
      open.held.reset(*key);
      translated = translator.release(*key);
      break;
    case 1:
      open.held.set(*key);
      translated = translator.press(*key, false);
      break;
    default:  // 2: the kernel's auto-repeat, marked as X11 marks the server's
      translated = translator.press(*key, true);
      break;
  }
  if (deliverIt) deliver(translated, timestampNanos);
}

void EvdevTapSource::deliver(const std::optional<x11::KeyEvent>& event,
                             std::uint64_t timestampNanos) {
  if (!event || !enabled.load(std::memory_order_acquire) ||
      invalidated.load(std::memory_order_acquire) ||
      (setup.mask & eventMaskBit(event->type)) == 0) {
    return;
  }
  EvdevEvent copy{*event, timestampNanos};
  // The devices are never grabbed: the answer cannot change what the desktop receives.
  setup.callback(copy.key.type, reinterpret_cast<Event*>(&copy), setup.userInfo);
}

void EvdevTapSource::deliverDropNotice() {
  if (!enabled.load(std::memory_order_acquire) || invalidated.load(std::memory_order_acquire)) {
    return;
  }
  setup.callback(kEventTapDisabledByTimeout, nullptr, setup.userInfo);
}

}  // namespace kestravane::platform::wayland
