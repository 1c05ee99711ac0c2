// The current locale of a POSIX host: the language code, read afresh from the process's POSIX
// locale unless the control has overridden it.
// Threads: any thread.
// Locks: one internal mutex.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "Platform/Locale.h"

namespace kestravane::platform::host {

class PosixLocale final : public Locale {
 public:
  PosixLocale() = default;

  // Seam: the override when one is set, otherwise posixLanguageCode() at this moment.
  std::optional<std::string> currentLanguageCode() override;

  // The language code of the POSIX locale named by LC_ALL, then LC_MESSAGES, then LANG (the
  // first that is set and not empty): the letters before "_", "." or "@"; absent for "C",
  // "POSIX" or when none is set.
  static std::optional<std::string> posixLanguageCode();

  // Control: the user picking a system language; nullopt models a locale without a language.
  void setLanguageCode(std::optional<std::string> code);
  // Back to following the POSIX locale.
  void clearOverride();

 private:
  std::mutex mutex;
  std::optional<std::optional<std::string>> override;
};

}  // namespace kestravane::platform::host
