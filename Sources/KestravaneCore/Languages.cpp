#include "KestravaneCore/Languages.h"

#include <algorithm>

#include "KestravaneCore/TextTable.h"

namespace kestravane {
namespace {

constexpr std::string_view kSystem = "system";

#define PLIVEX_LANGUAGE_ROW(code, englishName, table) \
  {AppLanguage::code, #code, englishName, &table},
constexpr auto kLanguages =
    std::to_array<InterfaceLanguage>({PLIVEX_LANGUAGES(PLIVEX_LANGUAGE_ROW)});
#undef PLIVEX_LANGUAGE_ROW

}  // namespace

std::span<const InterfaceLanguage> interfaceLanguages() {
  return kLanguages;
}

const InterfaceLanguage& interfaceLanguage(AppLanguage language) {
  const auto found =
      std::find_if(kLanguages.begin(), kLanguages.end(),
                   [&](const InterfaceLanguage& row) { return row.language == language; });
  return found == kLanguages.end() ? kLanguages.front() : *found;
}

std::string_view rawValue(AppLanguage language) noexcept {
  return language == AppLanguage::system ? kSystem : interfaceLanguage(language).code;
}

std::optional<AppLanguage> parseAppLanguage(std::string_view raw) noexcept {
  for (const AppLanguage language : allAppLanguages) {
    if (rawValue(language) == raw) return language;
  }
  return std::nullopt;
}

std::string appLanguageChoices(std::string_view separator) {
  std::string choices;
  for (const AppLanguage language : allAppLanguages) {
    if (!choices.empty()) choices += separator;
    choices += rawValue(language);
  }
  return choices;
}

}  // namespace kestravane
