#include "Platform/Virtual/VirtualAccessibility.h"

#include <utility>

namespace kestravane::platform::vmac {

VirtualAccessibility::VirtualAccessibility(std::shared_ptr<PermissionState> permissions)
    : permissions_(std::move(permissions)) {}

bool VirtualAccessibility::isProcessTrusted() {
  return permissions_->accessibilityTrusted();
}

bool VirtualAccessibility::isProcessTrustedWithOptions(const std::map<std::string, bool>& options) {
  const auto prompt = options.find(kAXTrustedCheckOptionPrompt);
  const bool asksForPrompt = prompt != options.end() && prompt->second;
  const bool trusted = permissions_->accessibilityTrusted();
  std::lock_guard lock(mutex_);
  trustQueries_.push_back(asksForPrompt);
  if (asksForPrompt && !trusted) ++promptsShown_;
  return trusted;
}

bool VirtualAccessibility::isSecureEventInputEnabled() {
  return permissions_->secureInput();
}

std::vector<bool> VirtualAccessibility::trustQueries() const {
  std::lock_guard lock(mutex_);
  return trustQueries_;
}

std::size_t VirtualAccessibility::promptsShown() const {
  std::lock_guard lock(mutex_);
  return promptsShown_;
}

}  // namespace kestravane::platform::vmac
