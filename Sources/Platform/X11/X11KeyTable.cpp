#include "Platform/X11/X11KeyTable.h"

#include <algorithm>
#include <array>

namespace kestravane::platform::x11 {
namespace {

constexpr EventFlags kNumericPad = 0x200000;  // kCGEventFlagMaskNumericPad
constexpr EventFlags kFnMark = kFlagSecondaryFn;
constexpr EventFlags kArrowMarks = kFlagSecondaryFn | kNumericPad;

constexpr MacKey modifier(std::uint8_t x, std::uint16_t mac, EventFlags flag, EventFlags device) {
  return MacKey{x, mac, KeyRole::modifier, flag | device, 0};
}
constexpr MacKey key(std::uint8_t x, std::uint16_t mac, EventFlags marks = 0) {
  return MacKey{x, mac, KeyRole::ordinary, 0, marks};
}

// Modifiers first (modifierKeys() is that prefix). X key code = evdev code + 8.
constexpr std::size_t kModifierCount = 9;
constexpr std::array kKeys = std::to_array<MacKey>({
    modifier(37, 59, kFlagControl, 0x1),                       // Control_L → Control
    modifier(50, 56, kFlagShift, 0x2),                         // Shift_L → Shift
    modifier(62, 60, kFlagShift, 0x4),                         // Shift_R → right Shift
    modifier(133, 55, kFlagCommand, 0x8),                      // Super_L → Command
    modifier(134, 54, kFlagCommand, kFlagDeviceRightCommand),  // Super_R → right Command
    modifier(64, 58, kFlagAlternate, 0x20),                    // Alt_L → Option
    modifier(108, 61, kFlagAlternate, 0x40),                   // Alt_R / AltGr → right Option
    modifier(105, 62, kFlagControl, 0x2000),                   // Control_R → right Control
    modifier(135, 63, kFlagSecondaryFn, 0),                    // Menu → fn/Globe
    MacKey{66, 57, KeyRole::capsLock, 0, 0},                   // Caps Lock
    // The main block, by position.
    key(9, 53),                                                       // Escape
    key(10, 18), key(11, 19), key(12, 20), key(13, 21), key(14, 23),  // 1 2 3 4 5
    key(15, 22), key(16, 26), key(17, 28), key(18, 25), key(19, 29),  // 6 7 8 9 0
    key(20, 27), key(21, 24),                                         // - =
    key(22, 51),                                                      // BackSpace → Delete
    key(23, 48),                                                      // Tab
    key(24, 12), key(25, 13), key(26, 14), key(27, 15), key(28, 17),  // q w e r t
    key(29, 16), key(30, 32), key(31, 34), key(32, 31), key(33, 35),  // y u i o p
    key(34, 33), key(35, 30),                                         // [ ]
    key(36, 36),                                                      // Return
    key(38, 0), key(39, 1), key(40, 2), key(41, 3), key(42, 5),       // a s d f g
    key(43, 4), key(44, 38), key(45, 40), key(46, 37),                // h j k l
    key(47, 41), key(48, 39), key(49, 50), key(51, 42),               // ; ' ` backslash
    key(52, 6), key(53, 7), key(54, 8), key(55, 9), key(56, 11),      // z x c v b
    key(57, 45), key(58, 46), key(59, 43), key(60, 47), key(61, 44),  // n m , . /
    key(65, 49),                                                      // space
    key(94, 10),                                                      // ISO key beside Shift_L
    // Function and navigation keys.
    key(67, 122, kFnMark), key(68, 120, kFnMark), key(69, 99, kFnMark),      // F1 F2 F3
    key(70, 118, kFnMark), key(71, 96, kFnMark), key(72, 97, kFnMark),       // F4 F5 F6
    key(73, 98, kFnMark), key(74, 100, kFnMark), key(75, 101, kFnMark),      // F7 F8 F9
    key(76, 109, kFnMark), key(95, 103, kFnMark), key(96, 111, kFnMark),     // F10 F11 F12
    key(118, 114, kFnMark),                                                  // Insert → Help
    key(110, 115, kFnMark), key(112, 116, kFnMark), key(119, 117, kFnMark),  // Home PgUp Del
    key(115, 119, kFnMark), key(117, 121, kFnMark),                          // End PgDn
    key(113, 123, kArrowMarks), key(114, 124, kArrowMarks),                  // Left Right
    key(116, 125, kArrowMarks), key(111, 126, kArrowMarks),                  // Down Up
    // Keypad.
    key(77, 71, kNumericPad),  // Num Lock → Clear
    key(106, 75, kNumericPad), key(63, 67, kNumericPad), key(82, 78, kNumericPad),  // / * -
    key(86, 69, kNumericPad), key(104, 76, kNumericPad), key(91, 65, kNumericPad),  // + Enter .
    key(125, 81, kNumericPad),                                                      // =
    key(90, 82, kNumericPad), key(87, 83, kNumericPad), key(88, 84, kNumericPad),   // 0 1 2
    key(89, 85, kNumericPad), key(83, 86, kNumericPad), key(84, 87, kNumericPad),   // 3 4 5
    key(85, 88, kNumericPad), key(79, 89, kNumericPad), key(80, 91, kNumericPad),   // 6 7 8
    key(81, 92, kNumericPad),                                                       // 9
});

// Every trigger's X11 key stands for the trigger's Mac key and sets its down flag, so a row of
// the trigger table cannot name a key this table maps elsewhere.
constexpr bool standsForItsTrigger(const TriggerKey& trigger) {
  for (const MacKey& key : kKeys) {
    if (key.xKeycode != trigger.xKeycode) continue;
    return key.macKeyCode == trigger.keyCode &&
           (trigger.downFlag == 0 || (key.modifierFlags & trigger.downFlag) != 0);
  }
  return false;
}
static_assert(std::ranges::all_of(kTriggerKeys, standsForItsTrigger));

// X key code → index into kKeys, -1 for none; built once at compile time.
constexpr auto kIndexByXKeycode = [] {
  std::array<std::int16_t, 256> index{};
  index.fill(-1);
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    index[kKeys[i].xKeycode] = static_cast<std::int16_t>(i);
  }
  return index;
}();

constexpr bool tableIsConsistent() {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if ((i < kModifierCount) != (kKeys[i].role == KeyRole::modifier)) return false;
    for (std::size_t j = i + 1; j < kKeys.size(); ++j) {
      if (kKeys[i].xKeycode == kKeys[j].xKeycode || kKeys[i].macKeyCode == kKeys[j].macKeyCode) {
        return false;
      }
    }
  }
  return true;
}
static_assert(tableIsConsistent(), "modifiers first; each X and each Mac key code once");

}  // namespace

const MacKey* macKeyFor(unsigned xKeycode) {
  if (xKeycode >= kIndexByXKeycode.size()) return nullptr;
  const std::int16_t index = kIndexByXKeycode[xKeycode];
  return index < 0 ? nullptr : &kKeys[static_cast<std::size_t>(index)];
}

std::int64_t unmappedKeyCode(unsigned xKeycode) {
  return 0x100 + static_cast<std::int64_t>(xKeycode);
}

std::optional<unsigned> xKeycodeFor(std::int64_t macKeyCode) {
  const auto found = std::ranges::find(kKeys, macKeyCode, [](const MacKey& entry) {
    return static_cast<std::int64_t>(entry.macKeyCode);
  });
  if (found == kKeys.end()) return std::nullopt;
  return found->xKeycode;
}

std::span<const MacKey> modifierKeys() {
  return std::span(kKeys).first(kModifierCount);
}

}  // namespace kestravane::platform::x11
