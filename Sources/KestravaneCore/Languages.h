// The interface languages: one row each (its code, its name in English, its text table), from
// which the AppLanguage cases, their stored raw values and the language picker's options follow.
// A language is its row here plus its table (<Name>Texts.cpp).
// Threads: constants and pure functions; usable from any thread.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// X(code, English name, table): English first, since every unknown system language falls back
// to it. The code is stored in the settings and picks the language under "System" when it is the
// locale's language code exactly.
#define PLIVEX_LANGUAGES(X)       \
  X(en, "English", kEnglishTexts) \
  X(ru, "Russian", kRussianTexts)

namespace kestravane {

struct TextTable;

// The interface language: one case per row, then `system` (follow the system's language).
// Persisted as its raw value.
#define PLIVEX_LANGUAGE_CASE(code, englishName, table) code,
enum class AppLanguage { PLIVEX_LANGUAGES(PLIVEX_LANGUAGE_CASE) system };
#undef PLIVEX_LANGUAGE_CASE

#define PLIVEX_LANGUAGE_VALUE(code, englishName, table) AppLanguage::code,
inline constexpr std::array allAppLanguages{PLIVEX_LANGUAGES(PLIVEX_LANGUAGE_VALUE)
                                                AppLanguage::system};
#undef PLIVEX_LANGUAGE_VALUE

struct InterfaceLanguage {
  AppLanguage language;
  std::string_view code;
  std::string_view englishName;  // its name in the picker of every other language
  const TextTable* texts;
};

// In the order the language picker offers them (followed by "System").
std::span<const InterfaceLanguage> interfaceLanguages();

// The row of a language other than `system`.
const InterfaceLanguage& interfaceLanguage(AppLanguage language);

// The row's code, or "system".
std::string_view rawValue(AppLanguage language) noexcept;

// Exact, case-sensitive inverse of rawValue; absent for any other string.
std::optional<AppLanguage> parseAppLanguage(std::string_view raw) noexcept;

// Every raw value joined by `separator` ("en|ru|system").
std::string appLanguageChoices(std::string_view separator);

}  // namespace kestravane
