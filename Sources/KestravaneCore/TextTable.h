// The shape of one language's text table, for the tables themselves and Strings alone: one
// member per TextId, each with the Mac's text and, where it differs, a Linux desktop's.
// Threads: constant tables; usable from any thread.
#pragma once

#include <array>
#include <string_view>

#include "KestravaneCore/Languages.h"
#include "KestravaneCore/TextId.h"

namespace kestravane {

// UTF-8. The exact characters (emoji, "…", "≥", typographic quotes, the leading spaces of the
// indented menu items) are what the windows show. No default: a table that misses a text does
// not build.
struct Phrase {
  constexpr Phrase(const char* macText, const char* desktopText = "")
      : mac(macText), desktop(desktopText) {}

  std::string_view mac;
  // Where the keyboard settings are the desktop's (or XKB's own), and what the program needs
  // from the X server is XInput 2, not a permission; empty: the same as on a Mac.
  std::string_view desktop;
};

#define PLIVEX_TEXT_MEMBER(name) Phrase name;
struct TextTable {
  PLIVEX_TEXT_IDS(PLIVEX_TEXT_MEMBER)
};
#undef PLIVEX_TEXT_MEMBER

#define PLIVEX_TEXT_FIELD(name) &TextTable::name,
inline constexpr std::array<Phrase TextTable::*, kTextCount> kTextFields{
    PLIVEX_TEXT_IDS(PLIVEX_TEXT_FIELD)};
#undef PLIVEX_TEXT_FIELD

#define PLIVEX_LANGUAGE_TABLE(code, englishName, table) extern const TextTable table;
PLIVEX_LANGUAGES(PLIVEX_LANGUAGE_TABLE)
#undef PLIVEX_LANGUAGE_TABLE

}  // namespace kestravane
