// The virtual Mac's Accessibility trust and secure keyboard entry, read from the shared
// PermissionState (so the window server hides key events from taps while secure input is on).
// Asking with the prompt option is recorded; the prompt never grants trust by itself: the user
// grants it later in System Settings (PermissionState::setAccessibilityTrusted).
// Threads: any thread.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Accessibility.h"
#include "Platform/Virtual/PermissionState.h"

namespace kestravane::platform::vmac {

class VirtualAccessibility final : public Accessibility {
 public:
  explicit VirtualAccessibility(std::shared_ptr<PermissionState> permissions);

  bool isProcessTrusted() override;
  bool isProcessTrustedWithOptions(const std::map<std::string, bool>& options) override;
  bool isSecureEventInputEnabled() override;

  // Control.
  const std::shared_ptr<PermissionState>& permissions() const { return _permissions; }
  // One entry per isProcessTrustedWithOptions() call: whether it asked for the prompt.
  std::vector<bool> trustQueries() const;
  // How many times the system showed its prompt (asked for while untrusted).
  std::size_t promptsShown() const;

 private:
  const std::shared_ptr<PermissionState> _permissions;
  mutable std::mutex mutex;
  std::vector<bool> _trustQueries;
  std::size_t _promptsShown = 0;
};

}  // namespace kestravane::platform::vmac
