#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

Strings textsFor(AppLanguage language, platform::Locale& locale, Keyboard keyboard) {
  if (language != AppLanguage::system) return Strings(language, std::nullopt, keyboard);
  return Strings(language, locale.currentLanguageCode(), keyboard);
}

}  // namespace kestravane
