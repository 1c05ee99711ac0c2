#include "Platform/X11/X11EventTaps.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>

#include <atomic>
#include <memory>
#include <utility>

#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/X11/KeyTranslator.h"
#include "Platform/X11/LockedGroupTracker.h"
#include "Platform/X11/MediaKeys.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11KeyTable.h"

namespace kestravane::platform::x11 {
namespace {

constexpr EventField kKeyboardEventAutorepeat = 8;  // kCGKeyboardEventAutorepeat

// The seam's Event is an opaque name for the backend's KeyEvent.
const KeyEvent& keyEvent(const Event& event) {
  return *reinterpret_cast<const KeyEvent*>(&event);
}

struct FreeKeyboard {
  void operator()(XkbDescPtr keyboard) const { XkbFreeKeyboard(keyboard, 0, True); }
};

// What a tap reads of the keymap: whether the Caps Lock key's first action (first group, first
// level) locks the Lock modifier, which keys are media keys, and how many layouts (groups) the
// program lists.
struct KeymapFacts {
  bool capsKeyLocks = false;
  MediaKeyTable mediaKeys = noMediaKeys();
  std::size_t layouts = 0;
};

KeymapFacts readKeymapFacts(Display* display) {
  const std::unique_ptr<XkbDescRec, FreeKeyboard> keyboard(
      XkbGetMap(display, XkbKeySymsMask | XkbKeyActionsMask, XkbUseCoreKbd));
  KeymapFacts facts;
  if (!keyboard || keyboard->map == nullptr) return facts;
  // The program lists one layout per group (KeymapLayouts.h).
  if (XkbGetControls(display, XkbGroupsWrapMask, keyboard.get()) == Success &&
      keyboard->ctrls != nullptr) {
    facts.layouts = keyboard->ctrls->num_groups;
  }
  // A media key has one symbol (first group, first level).
  for (unsigned key = keyboard->min_key_code;
       key <= keyboard->max_key_code && key < facts.mediaKeys.size(); ++key) {
    if (XkbKeyNumSyms(keyboard.get(), key) == 0) continue;
    if (const auto type = mediaKeyTypeOf(XkbKeySymsPtr(keyboard.get(), key)[0])) {
      facts.mediaKeys[key] = *type;
    }
  }
  constexpr unsigned key = kXKeycodeCapsLock;
  if (key < keyboard->min_key_code || key > keyboard->max_key_code ||
      !XkbKeyHasActions(keyboard.get(), key)) {
    return facts;
  }
  const XkbAction& action = XkbKeyActionsPtr(keyboard.get(), key)[0];
  facts.capsKeyLocks = action.type == XkbSA_LockMods && (action.mods.mask & LockMask) != 0;
  return facts;
}

// The mouse events a mask asks for, which the tap then reads from the server too.
constexpr EventMask kMouseEvents =
    eventMaskBit(kEventLeftMouseDown) | eventMaskBit(kEventLeftMouseUp) |
    eventMaskBit(kEventRightMouseDown) | eventMaskBit(kEventRightMouseUp) |
    eventMaskBit(kEventOtherMouseDown) | eventMaskBit(kEventOtherMouseUp);

// One tap's connection, read on the thread of the run loop that holds it.
class TapSource final : public desktop::PollSource {
 public:
  struct Setup {
    std::shared_ptr<X11Connection> connection;
    int xinputOpcode = 0;
    int xkbEventBase = 0;
    EventMask mask = 0;
    TapCallback callback = nullptr;
    void* userInfo = nullptr;
    std::function<void()> onKeymapChange;
  };

  TapSource(Setup setup, bool capsLocked, int group) : setup(std::move(setup)), groups(group) {
    translator.setCapsLocked(capsLocked);
    takeKeymap();
  }

  int descriptor() const override { return ConnectionNumber(display()); }

  void perform() override {
    while (XPending(display()) > 0) {
      XEvent event;
      XNextEvent(display(), &event);
      if (!invalidated.load(std::memory_order_acquire)) handle(event);
    }
  }

  // From a callback on the reading thread: locks the group after the one current when the event
  // being delivered was made. The events of this connection come in the server's order, so every
  // group change made before that event (XKB's own switch, another program's) has been read
  // already: no round trip is needed, and none is waited for. The group is taken as locked at
  // once, so a second tap whose event comes before the server's notification goes on from it
  // (LockedGroupTracker).
  std::optional<std::size_t> selectNextLayout() {
    if (invalidated.load(std::memory_order_acquire) || layouts < 2) return std::nullopt;
    const std::size_t next = (static_cast<std::size_t>(groups.group()) + 1) % layouts;
    if (!XkbLockGroup(display(), XkbUseCoreKbd, static_cast<unsigned>(next))) return std::nullopt;
    XFlush(display());
    groups.locked(static_cast<int>(next));
    return next;
  }

  std::atomic<bool> enabled{false};
  std::atomic<bool> invalidated{false};

 private:
  Display* display() const { return setup.connection->display(); }

  void handle(XEvent& event) {
    if (event.type == GenericEvent && event.xcookie.extension == setup.xinputOpcode) {
      if (!XGetEventData(display(), &event.xcookie)) return;
      const auto& raw = *static_cast<const XIRawEvent*>(event.xcookie.data);
      const auto detail = static_cast<unsigned>(raw.detail);
      switch (event.xcookie.evtype) {
        case XI_RawKeyPress:
          deliver(translator.press(detail, (raw.flags & XIKeyRepeat) != 0));
          break;
        case XI_RawKeyRelease:
          deliver(translator.release(detail));
          break;
        case XI_RawButtonPress:
          deliver(translator.button(detail, true));
          break;
        case XI_RawButtonRelease:
          deliver(translator.button(detail, false));
          break;
        default:
          break;
      }
      XFreeEventData(display(), &event.xcookie);
      return;
    }
    if (event.type != setup.xkbEventBase) return;
    const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
    if (xkb.any.xkb_type == XkbStateNotify) {
      translator.setCapsLocked((xkb.state.locked_mods & LockMask) != 0);
      constexpr unsigned kGroupParts =
          XkbGroupStateMask | XkbGroupBaseMask | XkbGroupLatchMask | XkbGroupLockMask;
      groups.notified(xkb.state.group, (xkb.state.changed & kGroupParts) != 0);
    } else {
      // XkbNewKeyboardNotify or XkbMapNotify: a keymap change, rare enough for a round trip.
      takeKeymap();
      if (setup.onKeymapChange) setup.onKeymapChange();
    }
  }

  void takeKeymap() {
    const KeymapFacts facts = readKeymapFacts(display());
    translator.setCapsKeyLocks(facts.capsKeyLocks);
    translator.setMediaKeys(facts.mediaKeys);
    layouts = facts.layouts;
  }

  bool wants(EventType type) const { return (setup.mask & eventMaskBit(type)) != 0; }

  void deliver(const std::optional<KeyEvent>& event) {
    if (!event || !enabled.load(std::memory_order_acquire) || !wants(event->type)) return;
    KeyEvent copy = *event;
    // The answer cannot change what the applications receive.
    setup.callback(copy.type, reinterpret_cast<Event*>(&copy), setup.userInfo);
  }

  const Setup setup;
  KeyTranslator translator;   // the reading thread only
  LockedGroupTracker groups;  // the reading thread only: the keyboard's group
  std::size_t layouts = 0;    // the reading thread only: the keymap's groups
};

class X11EventTap final : public EventTap {
 public:
  explicit X11EventTap(std::shared_ptr<TapSource> source) : source(std::move(source)) {}
  const std::shared_ptr<TapSource> source;
};

X11EventTap* x11Tap(EventTap& tap) {
  return dynamic_cast<X11EventTap*>(&tap);
}

// The raw key events, and the raw button events when `tapMask` asks for mouse events.
bool selectRawEvents(Display* display, EventMask tapMask) {
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  if ((tapMask & kMouseEvents) != 0) {
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
  }
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
  ErrorTrap trap;
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);
  return !trap.failed();
}

}  // namespace

X11EventTaps::X11EventTaps(Options options) : options(std::move(options)) {}

std::shared_ptr<EventTap> X11EventTaps::tapCreate(TapLocation, TapPlacement, TapOptions,
                                                  EventMask mask, TapCallback callback,
                                                  void* userInfo) {
  if (callback == nullptr) return nullptr;
  TapSource::Setup setup;
  setup.connection = X11Connection::open(options.displayName);
  if (!setup.connection) return nullptr;
  Display* display = setup.connection->display();
  const auto opcode = announceXInput(display, options.requiredXInput);
  if (!opcode) return nullptr;
  int xkbOpcode = 0;
  int xkbError = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (!XkbQueryExtension(display, &xkbOpcode, &setup.xkbEventBase, &xkbError, &major, &minor)) {
    return nullptr;
  }
  if (!selectRawEvents(display, mask)) return nullptr;
  constexpr unsigned keymapEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
  XkbSelectEvents(display, XkbUseCoreKbd, keymapEvents, keymapEvents);
  constexpr unsigned long stateDetails = XkbModifierLockMask | XkbGroupStateMask;
  XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, stateDetails, stateDetails);
  XkbStateRec state{};
  const bool known = XkbGetState(display, XkbUseCoreKbd, &state) == Success;
  const bool capsLocked = known && (state.locked_mods & LockMask) != 0;

  setup.xinputOpcode = *opcode;
  setup.mask = mask;
  setup.callback = callback;
  setup.userInfo = userInfo;
  setup.onKeymapChange = options.onKeymapChange;
  return std::make_shared<X11EventTap>(
      std::make_shared<TapSource>(std::move(setup), capsLocked, known ? state.group : 0));
}

void X11EventTaps::tapEnable(EventTap& tap, bool enable) {
  if (auto* x11 = x11Tap(tap)) x11->source->enabled.store(enable, std::memory_order_release);
}

void X11EventTaps::invalidate(EventTap& tap) {
  if (auto* x11 = x11Tap(tap)) x11->source->invalidated.store(true, std::memory_order_release);
}

std::shared_ptr<RunLoopSource> X11EventTaps::createRunLoopSource(EventTap& tap) {
  auto* x11 = x11Tap(tap);
  return x11 ? x11->source : nullptr;
}

std::optional<std::size_t> X11EventTaps::selectNextLayoutFromTap(EventTap& tap) {
  auto* x11 = x11Tap(tap);
  return x11 ? x11->source->selectNextLayout() : std::nullopt;
}

std::int64_t X11EventTaps::integerValueField(const Event& event, EventField field) const {
  switch (field) {
    case kKeyboardEventKeycode:
      return keyEvent(event).keyCode;
    case kKeyboardEventAutorepeat:
      return keyEvent(event).autorepeat ? 1 : 0;
    case kMouseEventButtonNumber:
      return keyEvent(event).mouseButton;
    default:
      return 0;
  }
}

EventFlags X11EventTaps::flags(const Event& event) const {
  return keyEvent(event).flags;
}

}  // namespace kestravane::platform::x11
