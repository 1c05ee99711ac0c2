// Where the texts learn the current locale's language code. The core makes no platform calls:
// the platform layer installs a provider; until it does, the process's POSIX locale is read.
// Threading: any thread; the provider is swapped under a lock and called outside it.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kestravane {

using LanguageCodeProvider = std::function<std::optional<std::string>()>;

// Installs `provider`; an empty function restores the POSIX default.
void setLanguageCodeProvider(LanguageCodeProvider provider);

// Asks the installed provider, afresh on every call.
std::optional<std::string> currentLanguageCode();

// The language code of the POSIX locale named by LC_ALL, then LC_MESSAGES, then LANG (the first
// that is set and not empty): the letters before "_", "." or "@"; absent for "C", "POSIX" or
// when none is set.
std::optional<std::string> posixLanguageCode();

}  // namespace kestravane
