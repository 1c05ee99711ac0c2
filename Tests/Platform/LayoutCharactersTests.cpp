#include "Platform/Virtual/LayoutCharacters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Platform/Virtual/KeyTable.h"

namespace kestravane::platform::vmac {
namespace {

std::uint16_t code(std::string_view name) {
  const KeyInfo* key = keyByName(name);
  EXPECT_NE(key, nullptr) << name;
  return key ? key->code : 0xFFFF;
}

std::string typed(KeyboardLayout layout, std::string_view name, EventFlags flags = 0) {
  return typedCharacters(layout, code(name), flags);
}

TEST(LayoutCharactersTest, InputSourcesNameTheirLayout) {
  EXPECT_EQ(keyboardLayoutFor("com.apple.keylayout.US"), KeyboardLayout::us);
  EXPECT_EQ(keyboardLayoutFor("com.apple.keylayout.Russian"), KeyboardLayout::russian);
  EXPECT_EQ(keyboardLayoutFor("com.apple.keylayout.German"), KeyboardLayout::german);
  EXPECT_EQ(keyboardLayoutFor("com.apple.keylayout.RussianWin"), std::nullopt);
  EXPECT_EQ(keyboardLayoutFor("com.apple.inputmethod.Kotoeri.RomajiTyping.Japanese"), std::nullopt);
}

TEST(LayoutCharactersTest, TheSameKeysTypeEachLayoutsOwnLetters) {
  struct Case {
    std::string_view key;
    std::string us, russian, german;
  };
  for (const auto& c :
       {Case{"a", "a", "ф", "a"}, Case{"q", "q", "й", "q"}, Case{"y", "y", "н", "z"},
        Case{"z", "z", "я", "y"}, Case{"semicolon", ";", "ж", "ö"}, Case{"quote", "'", "э", "ä"},
        Case{"leftBracket", "[", "х", "ü"}, Case{"backslash", "\\", "ё", "#"},
        Case{"minus", "-", "-", "ß"}, Case{"grave", "`", "]", "<"}, Case{"digit5", "5", "5", "5"},
        Case{"space", " ", " ", " "}}) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(typed(KeyboardLayout::us, c.key), c.us);
    EXPECT_EQ(typed(KeyboardLayout::russian, c.key), c.russian);
    EXPECT_EQ(typed(KeyboardLayout::german, c.key), c.german);
  }
}

TEST(LayoutCharactersTest, RussianHasAllThirtyThreeLettersOnceEach) {
  std::set<std::string> letters;
  std::size_t typing = 0;
  for (const auto& key : allKeys()) {
    const std::string text = typedCharacters(KeyboardLayout::russian, key.code, 0);
    // Cyrillic small letters are U+0430..U+045F: two bytes starting 0xD0 or 0xD1.
    if (text.size() == 2 && (text[0] == '\xD0' || text[0] == '\xD1')) {
      letters.insert(text);
      ++typing;
    }
  }
  EXPECT_EQ(letters.size(), 33u);
  EXPECT_EQ(typing, 33u);
}

TEST(LayoutCharactersTest, ShiftGivesTheUpperLevelAndCapsLockOnlyCapitals) {
  EXPECT_EQ(typed(KeyboardLayout::us, "a", kFlagShift), "A");
  EXPECT_EQ(typed(KeyboardLayout::russian, "a", kFlagShift), "Ф");
  EXPECT_EQ(typed(KeyboardLayout::german, "semicolon", kFlagShift), "Ö");
  EXPECT_EQ(typed(KeyboardLayout::us, "digit2", kFlagShift), "@");
  EXPECT_EQ(typed(KeyboardLayout::russian, "digit3", kFlagShift), "№");
  EXPECT_EQ(typed(KeyboardLayout::german, "digit7", kFlagShift), "/");

  EXPECT_EQ(typed(KeyboardLayout::us, "a", kFlagAlphaShift), "A");
  EXPECT_EQ(typed(KeyboardLayout::russian, "backslash", kFlagAlphaShift), "Ё");
  EXPECT_EQ(typed(KeyboardLayout::german, "quote", kFlagAlphaShift), "Ä");
  // Caps Lock leaves digits and punctuation alone, and ß has no capital on this layout.
  EXPECT_EQ(typed(KeyboardLayout::us, "digit2", kFlagAlphaShift), "2");
  EXPECT_EQ(typed(KeyboardLayout::russian, "slash", kFlagAlphaShift), "/");
  EXPECT_EQ(typed(KeyboardLayout::german, "minus", kFlagAlphaShift), "ß");
  // With Shift as well it still gives capitals, as a Mac does.
  EXPECT_EQ(typed(KeyboardLayout::russian, "a", kFlagAlphaShift | kFlagShift), "Ф");
  EXPECT_EQ(typed(KeyboardLayout::us, "digit1", kFlagAlphaShift | kFlagShift), "!");
}

TEST(LayoutCharactersTest, EditingKeysTypeTheirControlCharacters) {
  for (const auto layout : {KeyboardLayout::us, KeyboardLayout::russian, KeyboardLayout::german}) {
    EXPECT_EQ(typed(layout, "return"), "\r");
    EXPECT_EQ(typed(layout, "tab"), "\t");
    EXPECT_EQ(typed(layout, "delete"), "\b");
    EXPECT_EQ(typed(layout, "keypad7"), "7");
  }
  EXPECT_EQ(typed(KeyboardLayout::us, "keypadDecimal"), ".");
  EXPECT_EQ(typed(KeyboardLayout::german, "keypadDecimal"), ",");
}

TEST(LayoutCharactersTest, KeysWithoutACharacterAndShortcutsTypeNothing) {
  for (const auto& name : {"fn", "capsLock", "leftShift", "rightCommand", "leftOption", "escape",
                           "f1", "leftArrow", "upArrow", "home", "forwardDelete"}) {
    EXPECT_EQ(typed(KeyboardLayout::us, name), "") << name;
  }
  EXPECT_EQ(typedCharacters(KeyboardLayout::us, 0x7F, 0), "") << "a code no key has";
  for (const EventFlags held : {kFlagCommand, kFlagControl, kFlagAlternate}) {
    EXPECT_EQ(typed(KeyboardLayout::russian, "a", held), "") << held;
  }
  // The marks a Mac sets on keys (non-coalesced, numeric pad) change nothing.
  EXPECT_EQ(typed(KeyboardLayout::us, "a", kFlagNonCoalesced), "a");
}

TEST(LayoutCharactersTest, EveryKeyOfTheMainBlockTypesUnderEveryLayout) {
  for (const auto layout : {KeyboardLayout::us, KeyboardLayout::russian, KeyboardLayout::german}) {
    for (const auto& key : allKeys()) {
      if (key.isModifier() || key.name == "escape" || key.code > 53) continue;
      EXPECT_NE(typedCharacters(layout, key.code, 0), "")
          << key.name << " under layout " << static_cast<int>(layout);
    }
  }
}

}  // namespace
}  // namespace kestravane::platform::vmac
