// The texts in the configured interface language, with `system` resolved through the platform's
// current locale, read afresh at every call (the user may change the system language while the
// program runs).
// Threads: any thread (the locale service may be asked from any thread).
#pragma once

#include "KestravaneCore/Strings.h"
#include "Platform/Locale.h"

namespace kestravane {

// Asks `locale` only for AppLanguage::system. The texts name the keys of `keyboard`.
Strings textsFor(AppLanguage language, platform::Locale& locale, Keyboard keyboard = Keyboard::mac,
                 Wording wording = Wording::common);

}  // namespace kestravane
