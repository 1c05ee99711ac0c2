#include "Platform/X11/X11KeymapWatch.h"

#include <X11/XKBlib.h>

#include <utility>

#include "Platform/X11/KeymapLayouts.h"

namespace kestravane::platform::x11 {

X11KeymapWatch::X11KeymapWatch(std::shared_ptr<X11Connection> connection)
    : connection(std::move(connection)),
      rulesNamesAtom(XInternAtom(this->connection->display(), "_XKB_RULES_NAMES", False)) {
  Display* display = this->connection->display();
  int opcode = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (XkbQueryExtension(display, &opcode, &xkbEventBase, &error, &major, &minor)) {
    constexpr unsigned keymapEvents =
        XkbNewKeyboardNotifyMask | XkbMapNotifyMask | XkbNamesNotifyMask | XkbControlsNotifyMask;
    XkbSelectEvents(display, XkbUseCoreKbd, keymapEvents, keymapEvents);
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                          XkbGroupStateMask);
  } else {
    xkbEventBase = -1;
  }
  XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
  XSync(display, False);
}

void X11KeymapWatch::take(bool fromSocket, bool groupsCount) {
  Display* display = connection->display();
  // XPending reads what the socket holds without waiting: no round trip, no sleep.
  while ((fromSocket ? XPending(display) : XEventsQueued(display, QueuedAlready)) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (xkbEventBase >= 0 && event.type == xkbEventBase) {
      const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
      if (xkb.any.xkb_type == XkbStateNotify) {
        // A change newer than the group just read makes that reading stale.
        if (groupsCount) justRead.reset();
        continue;
      }
    }
    // Without XKB nothing says what changed: any event counts.
    const bool keymapChanged =
        xkbEventBase < 0 || event.type == xkbEventBase ||
        (event.type == PropertyNotify && event.xproperty.atom == rulesNamesAtom);
    if (keymapChanged) {
      ++changes;
      justRead.reset();
    }
  }
}

std::uint64_t X11KeymapWatch::generation() {
  take(true, true);
  // A lock's reading answers the reading right after the lock, not one at a later listing.
  justRead.reset();
  return changes;
}

std::optional<int> X11KeymapWatch::group() {
  take(true, true);
  if (xkbEventBase >= 0 && justRead) return std::exchange(justRead, std::nullopt);
  // A reading of its own answers only this call: the next one may come after someone else's
  // switch whose notification is still on its way.
  const auto group = readGroup();
  justRead.reset();
  return group;
}

std::optional<int> X11KeymapWatch::readGroup() {
  const auto group = currentGroup(connection->display());
  // What arrived while waiting for the answer is older than it: only keymap changes count.
  take(false, false);
  justRead = group;
  return group;
}

const std::optional<XkbRulesNames>& X11KeymapWatch::rulesNames() {
  if (const auto now = generation(); now != namesRead) {
    names = readXkbRulesNames(connection->display());
    namesRead = now;
  }
  return names;
}

}  // namespace kestravane::platform::x11
