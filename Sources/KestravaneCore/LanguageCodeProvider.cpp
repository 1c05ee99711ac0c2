#include "KestravaneCore/LanguageCodeProvider.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

namespace kestravane {
namespace {

std::mutex providerMutex;
LanguageCodeProvider installedProvider;

}  // namespace

void setLanguageCodeProvider(LanguageCodeProvider provider) {
  std::lock_guard lock(providerMutex);
  installedProvider = std::move(provider);
}

std::optional<std::string> currentLanguageCode() {
  LanguageCodeProvider provider;
  {
    std::lock_guard lock(providerMutex);
    provider = installedProvider;
  }
  return provider ? provider() : posixLanguageCode();
}

std::optional<std::string> posixLanguageCode() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    std::string_view name(value);
    if (name == "C" || name == "POSIX" || name.starts_with("C.")) return std::nullopt;
    std::string_view code = name.substr(0, name.find_first_of("_.@"));
    if (code.empty()) return std::nullopt;
    return std::string(code);
  }
  return std::nullopt;
}

}  // namespace kestravane
