#include "KestravaneCore/Strings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestravane {
namespace {

const InterfaceLanguage& englishLanguage() {
  return interfaceLanguages().front();
}

const InterfaceLanguage& chosen(AppLanguage lang,
                                const std::optional<std::string>& systemLanguageCode) {
  const auto& all = interfaceLanguages();
  const auto found = std::find_if(all.begin(), all.end(), [&](const InterfaceLanguage& entry) {
    return lang == AppLanguage::system ? systemLanguageCode == entry.systemCode
                                       : lang == entry.language;
  });
  return found == all.end() ? englishLanguage() : *found;
}

std::string prefixed(std::string_view prefix, std::string_view argument) {
  std::string line;
  line.reserve(prefix.size() + argument.size());
  line.append(prefix).append(argument);
  return line;
}

// Where each Linux desktop text goes in a language's table.
using TextPlace = std::pair<std::string_view DesktopTexts::*, std::string_view TextTable::*>;
constexpr std::array<TextPlace, 10> kDesktopTextPlaces{{
    {&DesktopTexts::statusNoAccessibility, &TextTable::statusNoAccessibility},
    {&DesktopTexts::requestAccessibility, &TextTable::requestAccessibility},
    {&DesktopTexts::stepAccessibility, &TextTable::stepAccessibility},
    {&DesktopTexts::stepAccessibilityHint, &TextTable::stepAccessibilityHint},
    {&DesktopTexts::needLayoutsHint, &TextTable::needLayoutsHint},
    {&DesktopTexts::stepLayoutsHint, &TextTable::stepLayoutsHint},
    {&DesktopTexts::freeCapsLock, &TextTable::freeCapsLock},
    {&DesktopTexts::stepCapsLockHint, &TextTable::stepCapsLockHint},
    {&DesktopTexts::keyTesterHint, &TextTable::keyTesterHint},
    {&DesktopTexts::keyTesterNeedsInputMonitoring, &TextTable::keyTesterNeedsInputMonitoring},
}};

}  // namespace

const std::vector<InterfaceLanguage>& interfaceLanguages() {
  // English first: it is what every unknown system language falls back to.
  static const std::vector<InterfaceLanguage> languages{
      {AppLanguage::en, "en", &kEnglishTexts, &kEnglishLinuxTexts, &TextTable::langEnglish},
      {AppLanguage::ru, "ru", &kRussianTexts, &kRussianLinuxTexts, &TextTable::langRussian},
  };
  return languages;
}

Strings::Strings(AppLanguage lang, const std::optional<std::string>& systemLanguageCode,
                 Keyboard keyboard)
    : _keyboard(keyboard) {
  const InterfaceLanguage& language = chosen(lang, systemLanguageCode);
  _resolved = language.language;
  table = *language.texts;
  if (keyboard == Keyboard::pc) {
    for (const auto& [desktopText, text] : kDesktopTextPlaces) {
      table.*text = language.linuxTexts->*desktopText;
    }
  }
}

std::vector<std::pair<AppLanguage, std::string_view>> Strings::languageOptions() const {
  std::vector<std::pair<AppLanguage, std::string_view>> options;
  for (const auto& language : interfaceLanguages()) {
    options.emplace_back(language.language, text(language.pickerName));
  }
  options.emplace_back(AppLanguage::system, langSystem());
  return options;
}

std::string Strings::triggerLabel(std::string_view triggerName) const {
  return prefixed(table.triggerPrefix, triggerName);
}

std::string Strings::layoutsLabel(std::string_view joinedLayoutNames) const {
  return prefixed(table.layoutsPrefix, joinedLayoutNames);
}

std::string Strings::settingsNotSaved(std::string_view reason) const {
  return prefixed(table.settingsNotSavedPrefix, reason);
}

}  // namespace kestravane
