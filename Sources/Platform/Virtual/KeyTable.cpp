#include "Platform/Virtual/KeyTable.h"

#include <algorithm>
#include <array>

namespace kestravane::platform::vmac {
namespace {

constexpr EventFlags kNumericPad = 0x200000;  // kCGEventFlagMaskNumericPad
constexpr EventFlags kFnMark = kFlagSecondaryFn;
constexpr EventFlags kArrowMarks = kFlagSecondaryFn | kNumericPad;

constexpr std::array kKeys = std::to_array<KeyInfo>({
    // Modifiers.
    {"fn", "", keycode::function, 0, kFlagSecondaryFn, 0},
    {"capsLock", "", keycode::capsLock, 0, kFlagAlphaShift, 0},
    {"leftControl", "control", keycode::control, 0x1, kFlagControl, 0},
    {"leftShift", "shift", keycode::shift, 0x2, kFlagShift, 0},
    {"rightShift", "rshift", keycode::rightShift, 0x4, kFlagShift, 0},
    {"leftCommand", "lcmd", keycode::command, 0x8, kFlagCommand, 0},
    {"rightCommand", "rcmd", keycode::rightCommand, kFlagDeviceRightCommand, kFlagCommand, 0},
    {"leftOption", "option", keycode::option, 0x20, kFlagAlternate, 0},
    {"rightOption", "roption", keycode::rightOption, 0x40, kFlagAlternate, 0},
    {"rightControl", "rcontrol", keycode::rightControl, 0x2000, kFlagControl, 0},
    // The main block (ANSI positions).
    {"a", "", 0},
    {"s", "", 1},
    {"d", "", 2},
    {"f", "", 3},
    {"h", "", 4},
    {"g", "", 5},
    {"z", "", 6},
    {"x", "", 7},
    {"c", "", 8},
    {"v", "", 9},
    {"section", "", 10},
    {"b", "", 11},
    {"q", "", 12},
    {"w", "", 13},
    {"e", "", 14},
    {"r", "", 15},
    {"y", "", 16},
    {"t", "", 17},
    {"digit1", "", 18},
    {"digit2", "", 19},
    {"digit3", "", 20},
    {"digit4", "", 21},
    {"digit6", "", 22},
    {"digit5", "", 23},
    {"equal", "", 24},
    {"digit9", "", 25},
    {"digit7", "", 26},
    {"minus", "", 27},
    {"digit8", "", 28},
    {"digit0", "", 29},
    {"rightBracket", "", 30},
    {"o", "", 31},
    {"u", "", 32},
    {"leftBracket", "", 33},
    {"i", "", 34},
    {"p", "", 35},
    {"return", "", keycode::returnKey},
    {"l", "", 37},
    {"j", "", 38},
    {"quote", "", 39},
    {"k", "", 40},
    {"semicolon", "", 41},
    {"backslash", "", 42},
    {"comma", "", 43},
    {"slash", "", 44},
    {"n", "", 45},
    {"m", "", 46},
    {"period", "", 47},
    {"tab", "", 48},
    {"space", "", keycode::space},
    {"grave", "", 50},
    {"delete", "", 51},
    {"escape", "", 53},
    // Function and navigation keys.
    {"f1", "", keycode::f1, 0, 0, kFnMark},
    {"f2", "", 120, 0, 0, kFnMark},
    {"f3", "", 99, 0, 0, kFnMark},
    {"f4", "", 118, 0, 0, kFnMark},
    {"f5", "", 96, 0, 0, kFnMark},
    {"f6", "", 97, 0, 0, kFnMark},
    {"f7", "", 98, 0, 0, kFnMark},
    {"f8", "", 100, 0, 0, kFnMark},
    {"f9", "", 101, 0, 0, kFnMark},
    {"f10", "", 109, 0, 0, kFnMark},
    {"f11", "", 103, 0, 0, kFnMark},
    {"f12", "", 111, 0, 0, kFnMark},
    {"f13", "", 105, 0, 0, kFnMark},
    {"f14", "", 107, 0, 0, kFnMark},
    {"f15", "", 113, 0, 0, kFnMark},
    {"f16", "", 106, 0, 0, kFnMark},
    {"f17", "", 64, 0, 0, kFnMark},
    {"f18", "", 79, 0, 0, kFnMark},
    {"f19", "", 80, 0, 0, kFnMark},
    {"f20", "", 90, 0, 0, kFnMark},
    {"help", "", 114, 0, 0, kFnMark},
    {"home", "", 115, 0, 0, kFnMark},
    {"pageUp", "", 116, 0, 0, kFnMark},
    {"forwardDelete", "", 117, 0, 0, kFnMark},
    {"end", "", 119, 0, 0, kFnMark},
    {"pageDown", "", 121, 0, 0, kFnMark},
    {"leftArrow", "", keycode::leftArrow, 0, 0, kArrowMarks},
    {"rightArrow", "", 124, 0, 0, kArrowMarks},
    {"downArrow", "", 125, 0, 0, kArrowMarks},
    {"upArrow", "", 126, 0, 0, kArrowMarks},
    // Keypad.
    {"keypadDecimal", "", 65, 0, 0, kNumericPad},
    {"keypadMultiply", "", 67, 0, 0, kNumericPad},
    {"keypadPlus", "", 69, 0, 0, kNumericPad},
    {"keypadClear", "", 71, 0, 0, kNumericPad},
    {"keypadDivide", "", 75, 0, 0, kNumericPad},
    {"keypadEnter", "", 76, 0, 0, kNumericPad},
    {"keypadMinus", "", 78, 0, 0, kNumericPad},
    {"keypadEquals", "", 81, 0, 0, kNumericPad},
    {"keypad0", "", 82, 0, 0, kNumericPad},
    {"keypad1", "", keycode::keypad1, 0, 0, kNumericPad},
    {"keypad2", "", 84, 0, 0, kNumericPad},
    {"keypad3", "", 85, 0, 0, kNumericPad},
    {"keypad4", "", 86, 0, 0, kNumericPad},
    {"keypad5", "", 87, 0, 0, kNumericPad},
    {"keypad6", "", 88, 0, 0, kNumericPad},
    {"keypad7", "", 89, 0, 0, kNumericPad},
    {"keypad8", "", 91, 0, 0, kNumericPad},
    {"keypad9", "", 92, 0, 0, kNumericPad},
});

// Every trigger's key is on the virtual Mac's keyboard, under the trigger table's name, with the
// trigger's key code and down flag.
constexpr bool isOnTheKeyboard(const TriggerKey& trigger) {
  for (const KeyInfo& key : kKeys) {
    if (key.name != trigger.virtualKey) continue;
    return key.code == trigger.keyCode &&
           (trigger.downFlag == 0 || key.downFlag() == trigger.downFlag);
  }
  return false;
}
static_assert(std::ranges::all_of(kTriggerKeys, isOnTheKeyboard));

bool equalsIgnoringCase(std::string_view left, std::string_view right) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(),
                    [&](char l, char r) { return lower(l) == lower(r); });
}

}  // namespace

std::span<const KeyInfo> allKeys() {
  return kKeys;
}

const KeyInfo* keyByCode(std::int64_t code) {
  const auto it = std::ranges::find(
      kKeys, code, [](const KeyInfo& key) { return static_cast<std::int64_t>(key.code); });
  return it == kKeys.end() ? nullptr : &*it;
}

const KeyInfo* keyByName(std::string_view name) {
  if (name.empty()) return nullptr;
  const auto it = std::ranges::find_if(kKeys, [&](const KeyInfo& key) {
    return equalsIgnoringCase(key.name, name) ||
           (!key.alias.empty() && equalsIgnoringCase(key.alias, name));
  });
  return it == kKeys.end() ? nullptr : &*it;
}

}  // namespace kestravane::platform::vmac
