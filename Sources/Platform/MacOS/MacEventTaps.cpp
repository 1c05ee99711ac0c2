#include "Platform/MacOS/MacEventTaps.h"

namespace kestravane::platform::macos {
namespace {

// The seam's Event is an opaque name for the CGEvent itself.
CGEventRef cgEvent(const Event& event) {
  return reinterpret_cast<CGEventRef>(const_cast<Event*>(&event));
}

// The CoreGraphics callback: hands the event to the seam's callback and returns its answer. A
// fixed, small amount of work: no allocation, no lock, no logging.
CGEventRef forwardEvent(CGEventTapProxy, CGEventType type, CGEventRef event, void* userInfo) {
  const auto* target = static_cast<const TapTarget*>(userInfo);
  Event* answer = target->callback(static_cast<EventType>(type), reinterpret_cast<Event*>(event),
                                   target->userInfo);
  return reinterpret_cast<CGEventRef>(answer);
}

MacEventTap* macTap(EventTap& tap) {
  return dynamic_cast<MacEventTap*>(&tap);
}

}  // namespace

MacEventTap::~MacEventTap() {
  if (_port) CFMachPortInvalidate(_port.get());
}

std::shared_ptr<EventTap> MacEventTaps::tapCreate(TapLocation location, TapPlacement placement,
                                                  TapOptions options, EventMask mask,
                                                  TapCallback callback, void* userInfo) {
  if (callback == nullptr) return nullptr;
  // The tap object exists first: CoreGraphics is handed the address of its target.
  auto tap = std::make_shared<MacEventTap>(TapTarget{callback, userInfo});
  CFMachPortRef port = CGEventTapCreate(
      static_cast<CGEventTapLocation>(location), static_cast<CGEventTapPlacement>(placement),
      static_cast<CGEventTapOptions>(options), static_cast<CGEventMask>(mask), &forwardEvent,
      const_cast<TapTarget*>(&tap->target()));
  if (port == nullptr) return nullptr;  // refused: no Input Monitoring (or Accessibility)
  tap->adoptPort(port);
  return tap;
}

void MacEventTaps::tapEnable(EventTap& tap, bool enable) {
  if (auto* mac = macTap(tap); mac && mac->port()) CGEventTapEnable(mac->port(), enable);
}

void MacEventTaps::invalidate(EventTap& tap) {
  if (auto* mac = macTap(tap); mac && mac->port()) CFMachPortInvalidate(mac->port());
}

std::shared_ptr<RunLoopSource> MacEventTaps::createRunLoopSource(EventTap& tap) {
  auto* mac = macTap(tap);
  if (mac == nullptr || mac->port() == nullptr) return nullptr;
  auto source = CFRef<CFRunLoopSourceRef>::adopt(
      CFMachPortCreateRunLoopSource(kCFAllocatorDefault, mac->port(), 0));
  if (!source) return nullptr;  // an invalidated port has no source
  return std::make_shared<MacRunLoopSource>(std::move(source));
}

std::int64_t MacEventTaps::integerValueField(const Event& event, EventField field) const {
  return CGEventGetIntegerValueField(cgEvent(event), static_cast<CGEventField>(field));
}

EventFlags MacEventTaps::flags(const Event& event) const {
  return static_cast<EventFlags>(CGEventGetFlags(cgEvent(event)));
}

bool MacEventTaps::preflightListenEventAccess() {
  return CGPreflightListenEventAccess();
}

bool MacEventTaps::requestListenEventAccess() {
  return CGRequestListenEventAccess();
}

bool MacEventTaps::preflightPostEventAccess() {
  return CGPreflightPostEventAccess();
}

}  // namespace kestravane::platform::macos
