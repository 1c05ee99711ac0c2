#include "Platform/Virtual/VirtualLocale.h"

#include <utility>

#include "KestravaneCore/LanguageCodeProvider.h"

namespace kestravane::platform::vmac {

std::optional<std::string> VirtualLocale::currentLanguageCode() {
  {
    std::lock_guard lock(mutex_);
    if (override_) return *override_;
  }
  return posixLanguageCode();
}

void VirtualLocale::setLanguageCode(std::optional<std::string> code) {
  std::lock_guard lock(mutex_);
  override_.emplace(std::move(code));
}

void VirtualLocale::clearOverride() {
  std::lock_guard lock(mutex_);
  override_.reset();
}

}  // namespace kestravane::platform::vmac
