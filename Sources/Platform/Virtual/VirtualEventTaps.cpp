#include "Platform/Virtual/VirtualEventTaps.h"

#include <utility>

#include "Platform/Virtual/VirtualEvent.h"

namespace kestravane::platform::vmac {

VirtualEventTaps::VirtualEventTaps(std::shared_ptr<WindowServer> windowServer)
    : windowServer(std::move(windowServer)) {}

std::shared_ptr<EventTap> VirtualEventTaps::tapCreate(TapLocation location, TapPlacement placement,
                                                      TapOptions options, EventMask mask,
                                                      TapCallback callback, void* userInfo) {
  createCalls.fetch_add(1);
  PermissionState& permissions = *windowServer->permissions();
  permissions.noteInputMonitoringUse();
  if (!callback || !permissions.inputMonitoring()) return nullptr;
  if (options == TapOptions::defaultTap && !permissions.postEventAccess()) return nullptr;
  return windowServer->addTap(location, placement, options, mask, callback, userInfo);
}

void VirtualEventTaps::tapEnable(EventTap& tap, bool enable) {
  if (auto* virtualTap = dynamic_cast<VirtualEventTap*>(&tap)) virtualTap->setEnabled(enable);
}

void VirtualEventTaps::invalidate(EventTap& tap) {
  if (auto* virtualTap = dynamic_cast<VirtualEventTap*>(&tap)) virtualTap->invalidate();
}

std::shared_ptr<RunLoopSource> VirtualEventTaps::createRunLoopSource(EventTap& tap) {
  auto* virtualTap = dynamic_cast<VirtualEventTap*>(&tap);
  return virtualTap ? virtualTap->runLoopSource() : nullptr;
}

std::int64_t VirtualEventTaps::integerValueField(const Event& event, EventField field) const {
  switch (field) {
    case kKeyboardEventKeycode:
      return event.keyCode;
    case kKeyboardEventAutorepeat:
      return event.autorepeat;
    case kMouseEventButtonNumber:
      return event.mouseButton;
    default:
      return 0;  // fields an event of the virtual Mac does not carry
  }
}

EventFlags VirtualEventTaps::flags(const Event& event) const {
  return event.flags;
}

bool VirtualEventTaps::preflightListenEventAccess() {
  return windowServer->permissions()->inputMonitoring();
}

bool VirtualEventTaps::preflightPostEventAccess() {
  return windowServer->permissions()->postEventAccess();
}

bool VirtualEventTaps::requestListenEventAccess() {
  return windowServer->permissions()->requestListenEventAccess();
}

}  // namespace kestravane::platform::vmac
