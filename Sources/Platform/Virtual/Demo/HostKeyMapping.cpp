#include "Platform/Virtual/Demo/HostKeyMapping.h"

#include <QKeyEvent>
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "Platform/Virtual/KeyTable.h"

namespace kestravane::platform::vmac::demo {
namespace {

// Keys are named as in KeyTable.h; a test checks that every name here is there.
struct ScanCodeKey {
  std::uint32_t scanCode;
  std::string_view key;
};

// X keycodes of a PC keyboard (evdev codes + 8), main block row by row, then the rest.
constexpr std::array kByScanCode = std::to_array<ScanCodeKey>({
    {9, "escape"},
    {10, "digit1"},
    {11, "digit2"},
    {12, "digit3"},
    {13, "digit4"},
    {14, "digit5"},
    {15, "digit6"},
    {16, "digit7"},
    {17, "digit8"},
    {18, "digit9"},
    {19, "digit0"},
    {20, "minus"},
    {21, "equal"},
    {22, "delete"},
    {23, "tab"},
    {24, "q"},
    {25, "w"},
    {26, "e"},
    {27, "r"},
    {28, "t"},
    {29, "y"},
    {30, "u"},
    {31, "i"},
    {32, "o"},
    {33, "p"},
    {34, "leftBracket"},
    {35, "rightBracket"},
    {36, "return"},
    {37, "leftControl"},
    {38, "a"},
    {39, "s"},
    {40, "d"},
    {41, "f"},
    {42, "g"},
    {43, "h"},
    {44, "j"},
    {45, "k"},
    {46, "l"},
    {47, "semicolon"},
    {48, "quote"},
    {49, "grave"},
    {50, "leftShift"},
    {51, "backslash"},
    {52, "z"},
    {53, "x"},
    {54, "c"},
    {55, "v"},
    {56, "b"},
    {57, "n"},
    {58, "m"},
    {59, "comma"},
    {60, "period"},
    {61, "slash"},
    {62, "rightShift"},
    {63, "keypadMultiply"},
    {64, "leftOption"},
    {65, "space"},
    {66, "capsLock"},
    {67, "f1"},
    {68, "f2"},
    {69, "f3"},
    {70, "f4"},
    {71, "f5"},
    {72, "f6"},
    {73, "f7"},
    {74, "f8"},
    {75, "f9"},
    {76, "f10"},
    {77, "keypadClear"},
    {79, "keypad7"},
    {80, "keypad8"},
    {81, "keypad9"},
    {82, "keypadMinus"},
    {83, "keypad4"},
    {84, "keypad5"},
    {85, "keypad6"},
    {86, "keypadPlus"},
    {87, "keypad1"},
    {88, "keypad2"},
    {89, "keypad3"},
    {90, "keypad0"},
    {91, "keypadDecimal"},
    {94, "section"},
    {95, "f11"},
    {96, "f12"},
    {104, "keypadEnter"},
    {105, "rightControl"},
    {106, "keypadDivide"},
    {108, "rightCommand"},
    {110, "home"},
    {111, "upArrow"},
    {112, "pageUp"},
    {113, "leftArrow"},
    {114, "rightArrow"},
    {115, "end"},
    {116, "downArrow"},
    {117, "pageDown"},
    {118, "fn"},
    {119, "forwardDelete"},
    {125, "keypadEquals"},
    {133, "leftCommand"},
    {134, "rightCommand"},
    {135, "rightOption"},
    {146, "help"},
    {191, "f13"},
    {192, "f14"},
    {193, "f15"},
    {472, "fn"},
});

struct QtKeyKey {
  int qtKey;
  std::string_view key;
};

// Keys a Qt::Key names whatever the layout; letters and digits are added by rule below.
constexpr std::array kByQtKey = std::to_array<QtKeyKey>({
    {Qt::Key_Escape, "escape"},
    {Qt::Key_Tab, "tab"},
    {Qt::Key_Backspace, "delete"},
    {Qt::Key_Return, "return"},
    {Qt::Key_Enter, "keypadEnter"},
    {Qt::Key_Insert, "fn"},
    {Qt::Key_Delete, "forwardDelete"},
    {Qt::Key_Home, "home"},
    {Qt::Key_End, "end"},
    {Qt::Key_PageUp, "pageUp"},
    {Qt::Key_PageDown, "pageDown"},
    {Qt::Key_Left, "leftArrow"},
    {Qt::Key_Up, "upArrow"},
    {Qt::Key_Right, "rightArrow"},
    {Qt::Key_Down, "downArrow"},
    {Qt::Key_Shift, "leftShift"},
    {Qt::Key_Control, "leftControl"},
    {Qt::Key_Meta, "leftCommand"},
    {Qt::Key_Alt, "leftOption"},
    {Qt::Key_AltGr, "rightCommand"},
    {Qt::Key_Super_L, "leftCommand"},
    {Qt::Key_Super_R, "rightCommand"},
    {Qt::Key_Menu, "rightOption"},
    {Qt::Key_CapsLock, "capsLock"},
    {Qt::Key_Space, "space"},
    {Qt::Key_Minus, "minus"},
    {Qt::Key_Equal, "equal"},
    {Qt::Key_BracketLeft, "leftBracket"},
    {Qt::Key_BracketRight, "rightBracket"},
    {Qt::Key_Semicolon, "semicolon"},
    {Qt::Key_Apostrophe, "quote"},
    {Qt::Key_Backslash, "backslash"},
    {Qt::Key_Comma, "comma"},
    {Qt::Key_Period, "period"},
    {Qt::Key_Slash, "slash"},
    {Qt::Key_QuoteLeft, "grave"},
    {Qt::Key_F1, "f1"},
    {Qt::Key_F2, "f2"},
    {Qt::Key_F3, "f3"},
    {Qt::Key_F4, "f4"},
    {Qt::Key_F5, "f5"},
    {Qt::Key_F6, "f6"},
    {Qt::Key_F7, "f7"},
    {Qt::Key_F8, "f8"},
    {Qt::Key_F9, "f9"},
    {Qt::Key_F10, "f10"},
    {Qt::Key_F11, "f11"},
    {Qt::Key_F12, "f12"},
});

std::optional<std::uint16_t> codeOf(std::string_view name) {
  const KeyInfo* key = keyByName(name);
  if (!key) return std::nullopt;
  return key->code;
}

}  // namespace

std::optional<std::uint16_t> macKeyForScanCode(std::uint32_t scanCode) {
  const auto it = std::ranges::find(kByScanCode, scanCode, &ScanCodeKey::scanCode);
  if (it == kByScanCode.end()) return std::nullopt;
  return codeOf(it->key);
}

std::optional<std::uint16_t> macKeyForQtKey(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    const char letter[2] = {static_cast<char>('a' + (qtKey - Qt::Key_A)), '\0'};
    return codeOf(letter);
  }
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    const std::string digit = "digit" + std::to_string(qtKey - Qt::Key_0);
    return codeOf(digit);
  }
  const auto it = std::ranges::find(kByQtKey, qtKey, &QtKeyKey::qtKey);
  if (it == kByQtKey.end()) return std::nullopt;
  return codeOf(it->key);
}

std::optional<std::uint16_t> macKeyFor(const QKeyEvent& event) {
  if (event.nativeScanCode() != 0) {
    if (auto code = macKeyForScanCode(event.nativeScanCode())) return code;
  }
  return macKeyForQtKey(event.key());
}

QString hostKeyHelp() {
  return QStringLiteral(
      "Your keyboard types on the virtual Mac by position while this window has focus: "
      "Insert is fn/Globe, the Super (Windows) keys are ⌘ Command, right Alt (AltGr) is "
      "right ⌘ too, left Alt is ⌥ Option, Menu is right ⌥ Option, Backspace is delete. "
      "Click a key to tap it, hold the mouse button to hold it, right-click to latch it.");
}

}  // namespace kestravane::platform::vmac::demo
