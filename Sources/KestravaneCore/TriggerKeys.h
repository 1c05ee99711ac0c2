// The trigger keys, one row each: the value stored for it, the names the user sees, the key code
// and device flag bit the engine watches, the system setting that may take the key away, and what
// each backend needs to know of the key (the X11 key that stands for it, whether its own action
// is taken away, the virtual Mac's name for it). Everything that lists or tells the triggers apart
// (the engine's decision, the menu, the settings window, the console, the scenario notation, the
// seam's key constants, the backends' key tables and the Mac's check against Apple's values)
// reads this table, so a new trigger is a row here and its case in TriggerKind (and on a Mac,
// its constants in MacSeamValues.mm). The header needs the standard library only: the seam and
// its backends read it too.
// Threads: constant data and pure functions; usable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestravane {

// The key whose lone tap switches the layout. Persisted as its raw value.
enum class TriggerKind { fn, capsLock, rightCommand };

// A system setting that uses a trigger key itself, so that a tap would do two things at once.
// Each has its health, remedy and onboarding step (Presentation.cpp) and its reader (the
// application controller).
enum class KeyConflict {
  none,
  globeKey,           // "Press 🌐 key to" is not "Do Nothing"
  capsLockSwitching,  // "Use the Caps Lock key to switch to and from ABC" is on
  metaLauncher,       // the desktop acts on a lone Meta (Super) tap: KDE Plasma's launcher
};

// The keyboards of the system the program runs on: a Mac's, or a PC's, which has no fn/Globe and
// no ⌘ keys (the Menu key stands for fn/Globe, the right Super key for right Command).
enum class Keyboard { mac, pc };

// The names the user sees for a trigger key, on each kind of keyboard (triggerNames()).
struct TriggerNames {
  std::string_view menu;     // the menu's trigger row ("Trigger: Fn")
  std::string_view picker;   // the settings window's option
  std::string_view console;  // the console's confirmation and status
};

struct TriggerKey {
  TriggerKind kind;
  std::string_view rawValue;  // stored in the settings and typed in the console and scenarios
  TriggerNames names;         // on a Mac keyboard
  TriggerNames pcNames;       // the key that stands for it on a PC keyboard
  std::int64_t keyCode;       // the virtual key code of the key
  std::uint64_t downFlag;     // the device flag bit set while the key is down; 0: no press is
                              // tracked, every event of the key fires (Caps Lock)
  KeyConflict conflict;
  // The setting that may take the key that stands for it on a PC keyboard (a Linux desktop's).
  KeyConflict pcConflict;
  // The X key code (evdev + 8) of the PC keyboard's key that stands for it on an X11 desktop.
  unsigned xKeycode;
  // Whether the key's own action (Caps Lock's capitals, the Menu key's context menu) is taken
  // away while it is the trigger, where the taps can only observe and cannot swallow it.
  bool withholdsOwnAction;
  // The key's name in the virtual Mac's key table.
  std::string_view virtualKey;
  // The XKB option that takes its own action away where only the desktop's keymap options can
  // (Wayland); empty when nothing is taken away.
  std::string_view xkbOption;
};

inline constexpr auto kTriggerKeys = std::to_array<TriggerKey>({
    {TriggerKind::fn,
     "fn",
     {"Fn", "Fn / 🌐", "fn / Globe"},
     {"Menu key", "Menu key ☰", "Menu key"},
     63,
     0x800000,
     KeyConflict::globeKey,
     KeyConflict::none,
     135,  // Menu
     true,
     "fn",
     "ctrl:menu_rctrl"},  // a lone Ctrl tap does nothing, unlike the menu or Super
    {TriggerKind::capsLock,
     "capsLock",
     {"Caps Lock", "Caps Lock", "Caps Lock"},
     {"Caps Lock", "Caps Lock", "Caps Lock"},
     57,
     0,
     KeyConflict::capsLockSwitching,
     KeyConflict::capsLockSwitching,
     66,  // Caps_Lock
     true,
     "capsLock",
     "caps:none"},
    {TriggerKind::rightCommand,
     "rightCommand",
     {"Right ⌘", "Right ⌘", "Right ⌘"},
     {"Right Super", "Right Super (Windows key)", "right Super"},
     54,
     0x10,
     KeyConflict::none,
     KeyConflict::metaLauncher,
     134,  // Super_R
     false,
     "rightCommand",
     ""},
});

inline constexpr std::array<TriggerKind, kTriggerKeys.size()> allTriggerKinds = [] {
  std::array<TriggerKind, kTriggerKeys.size()> kinds{};
  for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] = kTriggerKeys[i].kind;
  return kinds;
}();

constexpr const TriggerKey& triggerKey(TriggerKind kind) {
  for (const auto& key : kTriggerKeys) {
    if (key.kind == kind) return key;
  }
  return kTriggerKeys.front();
}

// The row whose key code is `keyCode`, or nullptr when no trigger has that key.
constexpr const TriggerKey* triggerKeyWithCode(std::int64_t keyCode) {
  for (const auto& key : kTriggerKeys) {
    if (key.keyCode == keyCode) return &key;
  }
  return nullptr;
}

// The system setting that may take the trigger key away on this kind of keyboard: a PC keyboard
// has no Globe key, so the key that stands for fn (the Menu key) has no such setting, while a
// desktop may act on the right Super key that stands for right Command.
constexpr KeyConflict conflictOf(TriggerKind kind, Keyboard keyboard) {
  return keyboard == Keyboard::pc ? triggerKey(kind).pcConflict : triggerKey(kind).conflict;
}

// The names shown for the trigger on this kind of keyboard.
constexpr const TriggerNames& triggerNames(TriggerKind kind, Keyboard keyboard = Keyboard::mac) {
  return keyboard == Keyboard::pc ? triggerKey(kind).pcNames : triggerKey(kind).names;
}

}  // namespace kestravane
