#include "KestravaneCore/Strings.h"

#include <algorithm>

#include "KestravaneCore/TextTable.h"

namespace kestravane {
namespace {

const InterfaceLanguage& chosen(AppLanguage lang,
                                const std::optional<std::string>& systemLanguageCode) {
  if (lang != AppLanguage::system) return interfaceLanguage(lang);
  const auto all = interfaceLanguages();
  const auto found = std::find_if(all.begin(), all.end(), [&](const InterfaceLanguage& entry) {
    return systemLanguageCode == entry.code;
  });
  return found == all.end() ? all.front() : *found;
}

std::string prefixed(std::string_view prefix, std::string_view argument) {
  std::string line;
  line.reserve(prefix.size() + argument.size());
  line.append(prefix).append(argument);
  return line;
}

}  // namespace

Strings::Strings(AppLanguage lang, const std::optional<std::string>& systemLanguageCode,
                 Keyboard keyboard, Wording wording)
    : _keyboard(keyboard), _wording(wording) {
  const InterfaceLanguage& language = chosen(lang, systemLanguageCode);
  _resolved = language.language;
  table = language.texts;
}

std::string_view Strings::operator[](TextId id) const {
  const Phrase& phrase = table->*kTextFields[static_cast<std::size_t>(id)];
  if (_wording == Wording::wayland && !phrase.wayland.empty()) return phrase.wayland;
  return _keyboard == Keyboard::pc && !phrase.desktop.empty() ? phrase.desktop : phrase.mac;
}

std::vector<std::pair<AppLanguage, std::string_view>> Strings::languageOptions() const {
  std::vector<std::pair<AppLanguage, std::string_view>> options;
  for (const auto& language : interfaceLanguages()) {
    options.emplace_back(language.language, language.language == _resolved
                                                ? (*this)[TextId::languageName]
                                                : language.englishName);
  }
  options.emplace_back(AppLanguage::system, (*this)[TextId::langSystem]);
  return options;
}

std::string Strings::triggerLabel(std::string_view triggerName) const {
  return prefixed((*this)[TextId::triggerPrefix], triggerName);
}

std::string Strings::layoutsLabel(std::string_view joinedLayoutNames) const {
  return prefixed((*this)[TextId::layoutsPrefix], joinedLayoutNames);
}

std::string Strings::settingsNotSaved(std::string_view reason) const {
  return prefixed((*this)[TextId::settingsNotSavedPrefix], reason);
}

}  // namespace kestravane
