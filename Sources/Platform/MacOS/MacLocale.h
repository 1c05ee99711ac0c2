// The current locale's language code (NSLocale.autoupdatingCurrentLocale.languageCode), which
// follows a change of the system language without a restart.
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/Locale.h"

namespace kestravane::platform::macos {

class MacLocale final : public Locale {
 public:
  std::optional<std::string> currentLanguageCode() override;
};

}  // namespace kestravane::platform::macos
