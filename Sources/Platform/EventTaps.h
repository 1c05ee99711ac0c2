// Quartz event taps (CGEventTapCreate and friends) and listen-event access.
// Threads: every call may be made from any thread; a tap's callback runs on the thread whose
// run loop holds the tap's run-loop source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "KestravaneCore/TriggerKeys.h"

namespace kestravane::platform {

// CGEventType values seen by the program's taps.
using EventType = std::uint32_t;
inline constexpr EventType kEventLeftMouseDown = 1;
inline constexpr EventType kEventLeftMouseUp = 2;
inline constexpr EventType kEventRightMouseDown = 3;
inline constexpr EventType kEventRightMouseUp = 4;
inline constexpr EventType kEventKeyDown = 10;
inline constexpr EventType kEventKeyUp = 11;
inline constexpr EventType kEventFlagsChanged = 12;
// NX_SYSDEFINED: media, volume and brightness keys, among others.
inline constexpr EventType kEventSystemDefined = 14;
inline constexpr EventType kEventOtherMouseDown = 25;
inline constexpr EventType kEventOtherMouseUp = 26;
inline constexpr EventType kEventTapDisabledByTimeout = 0xFFFFFFFE;
inline constexpr EventType kEventTapDisabledByUserInput = 0xFFFFFFFF;

// The two notices by which the system tells a tap's callback that it disabled the tap; they carry
// no key event.
inline constexpr bool isTapDisabledNotice(EventType type) {
  return type == kEventTapDisabledByTimeout || type == kEventTapDisabledByUserInput;
}

// CGEventMask: bit n selects event type n.
using EventMask = std::uint64_t;
inline constexpr EventMask eventMaskBit(EventType type) {
  return EventMask{1} << type;
}

// CGEventFlags word.
using EventFlags = std::uint64_t;
inline constexpr EventFlags kFlagAlphaShift = 0x10000;  // Caps Lock is on
inline constexpr EventFlags kFlagShift = 0x20000;
inline constexpr EventFlags kFlagControl = 0x40000;
inline constexpr EventFlags kFlagAlternate = 0x80000;  // Option
inline constexpr EventFlags kFlagCommand = 0x100000;
inline constexpr EventFlags kFlagSecondaryFn = 0x800000;  // fn/Globe held
inline constexpr EventFlags kFlagNonCoalesced = 0x100;

// The device-dependent bit of the right Command key (NX_DEVICERCMDKEYMASK); the general Command
// flag is set by both Command keys.
inline constexpr EventFlags kFlagDeviceRightCommand =
    triggerKey(TriggerKind::rightCommand).downFlag;

// Virtual key codes (kVK_...) of the keys that can trigger a switch, as the trigger table has them.
inline constexpr std::int64_t kKeyCodeRightCommand = triggerKey(TriggerKind::rightCommand).keyCode;
inline constexpr std::int64_t kKeyCodeCapsLock = triggerKey(TriggerKind::capsLock).keyCode;
inline constexpr std::int64_t kKeyCodeFn = triggerKey(TriggerKind::fn).keyCode;

// CGEventField numbers.
using EventField = std::uint32_t;
inline constexpr EventField kMouseEventButtonNumber = 3;
inline constexpr EventField kKeyboardEventKeycode = 9;

// CGEventTapLocation.
enum class TapLocation : std::uint32_t { hid = 0, session = 1, annotatedSession = 2 };
// CGEventTapPlacement.
enum class TapPlacement : std::uint32_t { headInsert = 0, tailAppend = 1 };
// CGEventTapOptions.
enum class TapOptions : std::uint32_t { defaultTap = 0, listenOnly = 1 };

// CGEventRef: opaque; each backend defines or reinterprets it. Read it through EventTaps.
struct Event;

// CGEventTapCallBack: return the event to let it pass, nullptr to swallow it. The answer of a
// listen-only tap is ignored. So is every answer where the platform's taps can only observe (on
// X11 the raw key events have reached the applications whatever the callback says): there the
// trigger key's own action is taken away instead (TriggerKeyActions).
using TapCallback = Event* (*)(EventType type, Event* event, void* userInfo);

// CFMachPortRef of an event tap.
class EventTap {
 public:
  virtual ~EventTap() = default;
};

// CFRunLoopSourceRef.
class RunLoopSource {
 public:
  virtual ~RunLoopSource() = default;
};

class EventTaps {
 public:
  virtual ~EventTaps() = default;

  // CGEventTapCreate(location, placement, options, mask, callback, userInfo); nullptr when the
  // system refuses the tap. The tap starts enabled, and from then on every event its mask selects
  // waits for its callback: until a running run loop serves its source, up to the tap timeout.
  virtual std::shared_ptr<EventTap> tapCreate(TapLocation location, TapPlacement placement,
                                              TapOptions options, EventMask mask,
                                              TapCallback callback, void* userInfo) = 0;
  // CGEventTapEnable(tap, enable).
  virtual void tapEnable(EventTap& tap, bool enable) = 0;
  // CFMachPortInvalidate(tap): the tap is dead and delivers nothing more.
  virtual void invalidate(EventTap& tap) = 0;
  // CFMachPortCreateRunLoopSource(kCFAllocatorDefault, tap, 0).
  virtual std::shared_ptr<RunLoopSource> createRunLoopSource(EventTap& tap) = 0;

  // CGEventGetIntegerValueField(event, field).
  virtual std::int64_t integerValueField(const Event& event, EventField field) const = 0;
  // CGEventGetFlags(event).
  virtual EventFlags flags(const Event& event) const = 0;

  // CGPreflightListenEventAccess(): whether Input Monitoring is granted.
  virtual bool preflightListenEventAccess() = 0;
  // CGRequestListenEventAccess(): asks the user; returns the system's answer.
  virtual bool requestListenEventAccess() = 0;
  // CGPreflightPostEventAccess(): whether an active (filtering) tap may be created. Granted with
  // Accessibility; it can be false while AXIsProcessTrusted() is true (a rebuilt program that the
  // Accessibility list still names by its old signature).
  virtual bool preflightPostEventAccess() = 0;

  // Not a Quartz call: where the platform can, selects the keyboard layout after the one that was
  // current when the event being delivered was made, from within `tap`'s callback on its thread,
  // without waiting for the system's answer. Answers the selected layout's position among the
  // enabled keyboard layouts, in the system's order; absent when nothing was selected. On a Mac
  // layouts are selected on the main thread only, so it never selects.
  virtual std::optional<std::size_t> selectNextLayoutFromTap(EventTap& tap) {
    static_cast<void>(tap);
    return std::nullopt;
  }
};

}  // namespace kestravane::platform
