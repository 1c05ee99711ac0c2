#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

Strings textsFor(AppLanguage language, platform::Locale& locale) {
  if (language != AppLanguage::system) return Strings(language);
  return Strings(language, locale.currentLanguageCode());
}

}  // namespace kestravane
