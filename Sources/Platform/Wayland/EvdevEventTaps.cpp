#include "Platform/Wayland/EvdevEventTaps.h"

#include <algorithm>
#include <utility>

#include "Platform/Wayland/EvdevTapSource.h"

namespace kestravane::platform::wayland {
namespace {

constexpr EventField kKeyboardEventAutorepeat = 8;  // kCGKeyboardEventAutorepeat

// The seam's Event is an opaque name for the backend's EvdevEvent.
const EvdevEvent& evdevEvent(const Event& event) {
  return *reinterpret_cast<const EvdevEvent*>(&event);
}

class EvdevEventTap final : public EventTap {
 public:
  explicit EvdevEventTap(std::shared_ptr<EvdevTapSource> source) : source(std::move(source)) {}
  const std::shared_ptr<EvdevTapSource> source;
};

EvdevEventTap* evdevTap(EventTap& tap) {
  return dynamic_cast<EvdevEventTap*>(&tap);
}

}  // namespace

std::shared_ptr<EventTap> EvdevEventTaps::tapCreate(TapLocation, TapPlacement, TapOptions,
                                                    EventMask mask, TapCallback callback,
                                                    void* userInfo) {
  if (callback == nullptr) return nullptr;
  auto source = EvdevTapSource::create({.mask = mask, .callback = callback, .userInfo = userInfo});
  if (!source) return nullptr;
  {
    const std::scoped_lock lock(sourcesLock);
    std::erase_if(sources, [](const auto& made) { return made.expired(); });
    sources.push_back(source);
  }
  return std::make_shared<EvdevEventTap>(std::move(source));
}

void EvdevEventTaps::tapEnable(EventTap& tap, bool enable) {
  if (auto* evdev = evdevTap(tap)) evdev->source->enabled.store(enable, std::memory_order_release);
}

void EvdevEventTaps::invalidate(EventTap& tap) {
  if (auto* evdev = evdevTap(tap))
    evdev->source->invalidated.store(true, std::memory_order_release);
}

std::shared_ptr<RunLoopSource> EvdevEventTaps::createRunLoopSource(EventTap& tap) {
  auto* evdev = evdevTap(tap);
  return evdev ? evdev->source : nullptr;
}

std::int64_t EvdevEventTaps::integerValueField(const Event& event, EventField field) const {
  const x11::KeyEvent& key = evdevEvent(event).key;
  switch (field) {
    case kKeyboardEventKeycode:
      return key.keyCode;
    case kKeyboardEventAutorepeat:
      return key.autorepeat ? 1 : 0;
    case kMouseEventButtonNumber:
      return key.mouseButton;
    default:
      return 0;
  }
}

EventFlags EvdevEventTaps::flags(const Event& event) const {
  return evdevEvent(event).key.flags;
}

bool EvdevEventTaps::aTapReadsAKeyboard() const {
  const std::scoped_lock lock(sourcesLock);
  return std::ranges::any_of(sources, [](const auto& made) {
    const auto source = made.lock();
    return source && source->openKeyboards() > 0;
  });
}

DeviceAccess EvdevEventTaps::keyboardAccess() const {
  return aTapReadsAKeyboard() ? DeviceAccess::granted : probeKeyboardAccess();
}

bool EvdevEventTaps::preflightListenEventAccess() {
  const DeviceAccess access = keyboardAccess();
  return access == DeviceAccess::granted || access == DeviceAccess::noKeyboards;
}

std::uint64_t EvdevEventTaps::eventTimestampNanos(const Event& event) const {
  return evdevEvent(event).timestampNanos;
}

std::size_t EvdevEventTaps::openDevices(EventTap& tap) const {
  auto* evdev = evdevTap(tap);
  return evdev ? evdev->source->openDevices() : 0;
}

}  // namespace kestravane::platform::wayland
