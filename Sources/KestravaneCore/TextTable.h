// The shape of one language's text table, for the tables themselves and Strings alone: one
// member per TextId, each with the Mac's text and, where they differ, a Linux desktop's and a
// Wayland session's.
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
  constexpr Phrase(const char* macText, const char* desktopText = "", const char* waylandText = "")
      : mac(macText), desktop(desktopText), wayland(waylandText) {}

  std::string_view mac;
  // Where the keyboard settings are the desktop's (or XKB's own), and what the program needs
  // from the X server is XInput 2, not a permission; empty: the same as on a Mac.
  std::string_view desktop;
  // In a Wayland session, where the keys come from the keyboards' devices (the `input` group)
  // and the desktop, not setxkbmap, holds the layouts; empty: the same as `desktop`.
  std::string_view wayland;
};

#define PLIVEX_TEXT_ITEM(name) Phrase name;
struct TextTable {
  PLIVEX_EVERY_TEXT
};
#undef PLIVEX_TEXT_ITEM

#define PLIVEX_TEXT_ITEM(name) &TextTable::name,
inline constexpr std::array<Phrase TextTable::*, kTextCount> kTextFields{PLIVEX_EVERY_TEXT};
#undef PLIVEX_TEXT_ITEM

#define PLIVEX_LANGUAGE_TABLE(code, englishName, table) extern const TextTable table;
PLIVEX_LANGUAGES(PLIVEX_LANGUAGE_TABLE)
#undef PLIVEX_LANGUAGE_TABLE

}  // namespace kestravane
