#include "Platform/Virtual/VirtualAccessibility.h"

#include <utility>

namespace kestravane::platform::vmac {

VirtualAccessibility::VirtualAccessibility(std::shared_ptr<PermissionState> permissions)
    : _permissions(std::move(permissions)) {}

bool VirtualAccessibility::isProcessTrusted() {
  return _permissions->accessibilityTrusted();
}

bool VirtualAccessibility::isProcessTrustedWithOptions(const std::map<std::string, bool>& options) {
  const auto prompt = options.find(kAXTrustedCheckOptionPrompt);
  const bool asksForPrompt = prompt != options.end() && prompt->second;
  const bool trusted = _permissions->accessibilityTrusted();
  std::lock_guard lock(mutex);
  _trustQueries.push_back(asksForPrompt);
  if (asksForPrompt && !trusted) ++_promptsShown;
  return trusted;
}

bool VirtualAccessibility::isSecureEventInputEnabled() {
  return _permissions->secureInput();
}

std::vector<bool> VirtualAccessibility::trustQueries() const {
  std::lock_guard lock(mutex);
  return _trustQueries;
}

std::size_t VirtualAccessibility::promptsShown() const {
  std::lock_guard lock(mutex);
  return _promptsShown;
}

}  // namespace kestravane::platform::vmac
