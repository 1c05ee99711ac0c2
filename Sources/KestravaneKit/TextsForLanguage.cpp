#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

Strings textsFor(AppLanguage language, platform::Locale& locale, Keyboard keyboard,
                 Wording wording) {
  if (language != AppLanguage::system) return Strings(language, std::nullopt, keyboard, wording);
  return Strings(language, locale.currentLanguageCode(), keyboard, wording);
}

}  // namespace kestravane
