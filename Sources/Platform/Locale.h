// The current locale (Locale.current.language.languageCode).
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

namespace kestravane::platform {

class Locale {
 public:
  virtual ~Locale() = default;
  // The language code's identifier ("ru", "en", ...), read afresh; absent when there is none.
  virtual std::optional<std::string> currentLanguageCode() = 0;
};

}  // namespace kestravane::platform
