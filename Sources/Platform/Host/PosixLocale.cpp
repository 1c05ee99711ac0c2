#include "Platform/Host/PosixLocale.h"

#include <cstdlib>
#include <string_view>
#include <utility>

namespace kestravane::platform::host {

std::optional<std::string> PosixLocale::currentLanguageCode() {
  {
    std::lock_guard lock(mutex);
    if (override) return *override;
  }
  return posixLanguageCode();
}

std::optional<std::string> PosixLocale::posixLanguageCode() {
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

void PosixLocale::setLanguageCode(std::optional<std::string> code) {
  std::lock_guard lock(mutex);
  override.emplace(std::move(code));
}

void PosixLocale::clearOverride() {
  std::lock_guard lock(mutex);
  override.reset();
}

}  // namespace kestravane::platform::host
