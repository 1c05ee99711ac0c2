#include "Platform/Virtual/LayoutCharacters.h"

#include <algorithm>
#include <array>
#include <span>

#include "Platform/Virtual/KeyTable.h"

namespace kestravane::platform::vmac {
namespace {

// One key of a layout: what it types alone and with Shift; Caps Lock acts only on letters.
struct Row {
  std::string_view key;  // the key's name in KeyTable.h
  std::string_view base;
  std::string_view upper;
  bool letter = false;
};

constexpr Row letter(std::string_view key, std::string_view base, std::string_view upper) {
  return {key, base, upper, true};
}

// The tables read best laid out by hand.
// clang-format off

// Keys that type the same under every modelled layout.
constexpr std::array kCommon = std::to_array<Row>({
    {"return", "\r", "\r"}, {"tab", "\t", "\t"}, {"space", " ", " "}, {"delete", "\b", "\b"},
    {"keypadEnter", "\x03", "\x03"}, {"keypadMultiply", "*", "*"}, {"keypadPlus", "+", "+"},
    {"keypadDivide", "/", "/"}, {"keypadMinus", "-", "-"}, {"keypadEquals", "=", "="},
    {"keypad0", "0", "0"}, {"keypad1", "1", "1"}, {"keypad2", "2", "2"}, {"keypad3", "3", "3"},
    {"keypad4", "4", "4"}, {"keypad5", "5", "5"}, {"keypad6", "6", "6"}, {"keypad7", "7", "7"},
    {"keypad8", "8", "8"}, {"keypad9", "9", "9"},
});

constexpr std::array kUS = std::to_array<Row>({
    letter("q", "q", "Q"), letter("w", "w", "W"), letter("e", "e", "E"), letter("r", "r", "R"),
    letter("t", "t", "T"), letter("y", "y", "Y"), letter("u", "u", "U"), letter("i", "i", "I"),
    letter("o", "o", "O"), letter("p", "p", "P"), letter("a", "a", "A"), letter("s", "s", "S"),
    letter("d", "d", "D"), letter("f", "f", "F"), letter("g", "g", "G"), letter("h", "h", "H"),
    letter("j", "j", "J"), letter("k", "k", "K"), letter("l", "l", "L"), letter("z", "z", "Z"),
    letter("x", "x", "X"), letter("c", "c", "C"), letter("v", "v", "V"), letter("b", "b", "B"),
    letter("n", "n", "N"), letter("m", "m", "M"),
    {"digit1", "1", "!"}, {"digit2", "2", "@"}, {"digit3", "3", "#"}, {"digit4", "4", "$"},
    {"digit5", "5", "%"}, {"digit6", "6", "^"}, {"digit7", "7", "&"}, {"digit8", "8", "*"},
    {"digit9", "9", "("}, {"digit0", "0", ")"}, {"minus", "-", "_"}, {"equal", "=", "+"},
    {"leftBracket", "[", "{"}, {"rightBracket", "]", "}"}, {"backslash", "\\", "|"},
    {"semicolon", ";", ":"}, {"quote", "'", "\""}, {"comma", ",", "<"}, {"period", ".", ">"},
    {"slash", "/", "?"}, {"grave", "`", "~"}, {"section", "§", "±"},
    {"keypadDecimal", ".", "."},
});

// ЙЦУКЕН on the ANSI positions, with the Mac's punctuation on Shift and the digits.
constexpr std::array kRussian = std::to_array<Row>({
    letter("q", "й", "Й"), letter("w", "ц", "Ц"), letter("e", "у", "У"), letter("r", "к", "К"),
    letter("t", "е", "Е"), letter("y", "н", "Н"), letter("u", "г", "Г"), letter("i", "ш", "Ш"),
    letter("o", "щ", "Щ"), letter("p", "з", "З"), letter("leftBracket", "х", "Х"),
    letter("rightBracket", "ъ", "Ъ"), letter("backslash", "ё", "Ё"),
    letter("a", "ф", "Ф"), letter("s", "ы", "Ы"), letter("d", "в", "В"), letter("f", "а", "А"),
    letter("g", "п", "П"), letter("h", "р", "Р"), letter("j", "о", "О"), letter("k", "л", "Л"),
    letter("l", "д", "Д"), letter("semicolon", "ж", "Ж"), letter("quote", "э", "Э"),
    letter("z", "я", "Я"), letter("x", "ч", "Ч"), letter("c", "с", "С"), letter("v", "м", "М"),
    letter("b", "и", "И"), letter("n", "т", "Т"), letter("m", "ь", "Ь"), letter("comma", "б", "Б"),
    letter("period", "ю", "Ю"),
    {"digit1", "1", "!"}, {"digit2", "2", "\""}, {"digit3", "3", "№"}, {"digit4", "4", "%"},
    {"digit5", "5", ":"}, {"digit6", "6", ","}, {"digit7", "7", "."}, {"digit8", "8", ";"},
    {"digit9", "9", "("}, {"digit0", "0", ")"}, {"minus", "-", "_"}, {"equal", "=", "+"},
    {"slash", "/", "?"}, {"grave", "]", "["}, {"section", ">", "<"},
    {"keypadDecimal", ",", "."},
});

// QWERTZ: Y and Z change places; umlauts and ß where U.S. has punctuation.
constexpr std::array kGerman = std::to_array<Row>({
    letter("q", "q", "Q"), letter("w", "w", "W"), letter("e", "e", "E"), letter("r", "r", "R"),
    letter("t", "t", "T"), letter("y", "z", "Z"), letter("u", "u", "U"), letter("i", "i", "I"),
    letter("o", "o", "O"), letter("p", "p", "P"), letter("leftBracket", "ü", "Ü"),
    letter("a", "a", "A"), letter("s", "s", "S"), letter("d", "d", "D"), letter("f", "f", "F"),
    letter("g", "g", "G"), letter("h", "h", "H"), letter("j", "j", "J"), letter("k", "k", "K"),
    letter("l", "l", "L"), letter("semicolon", "ö", "Ö"), letter("quote", "ä", "Ä"),
    letter("z", "y", "Y"), letter("x", "x", "X"), letter("c", "c", "C"), letter("v", "v", "V"),
    letter("b", "b", "B"), letter("n", "n", "N"), letter("m", "m", "M"),
    {"digit1", "1", "!"}, {"digit2", "2", "\""}, {"digit3", "3", "§"}, {"digit4", "4", "$"},
    {"digit5", "5", "%"}, {"digit6", "6", "&"}, {"digit7", "7", "/"}, {"digit8", "8", "("},
    {"digit9", "9", ")"}, {"digit0", "0", "="}, {"minus", "ß", "?"}, {"equal", "´", "`"},
    {"rightBracket", "+", "*"}, {"backslash", "#", "'"}, {"comma", ",", ";"}, {"period", ".", ":"},
    {"slash", "-", "_"}, {"grave", "<", ">"}, {"section", "^", "°"},
    {"keypadDecimal", ",", ","},
});

// clang-format on

std::span<const Row> rowsOf(KeyboardLayout layout) {
  switch (layout) {
    case KeyboardLayout::us:
      return kUS;
    case KeyboardLayout::russian:
      return kRussian;
    case KeyboardLayout::german:
      return kGerman;
  }
  return {};
}

const Row* find(std::span<const Row> rows, std::string_view key) {
  const auto it = std::ranges::find(rows, key, &Row::key);
  return it == rows.end() ? nullptr : &*it;
}

}  // namespace

std::optional<KeyboardLayout> keyboardLayoutFor(std::string_view inputSourceID) {
  if (inputSourceID == "com.apple.keylayout.US") return KeyboardLayout::us;
  if (inputSourceID == "com.apple.keylayout.Russian") return KeyboardLayout::russian;
  if (inputSourceID == "com.apple.keylayout.German") return KeyboardLayout::german;
  return std::nullopt;
}

std::string typedCharacters(KeyboardLayout layout, std::uint16_t keyCode, EventFlags flags) {
  if ((flags & (kFlagCommand | kFlagControl | kFlagAlternate)) != 0) return {};
  const KeyInfo* key = keyByCode(keyCode);
  if (!key) return {};
  const Row* row = find(rowsOf(layout), key->name);
  if (!row) row = find(kCommon, key->name);
  if (!row) return {};
  const bool shift = (flags & kFlagShift) != 0;
  const bool capsLock = (flags & kFlagAlphaShift) != 0;
  const bool upper = shift || (capsLock && row->letter);
  return std::string(upper ? row->upper : row->base);
}

}  // namespace kestravane::platform::vmac
