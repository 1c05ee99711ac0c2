// Accessibility trust through ApplicationServices (AXIsProcessTrusted,
// AXIsProcessTrustedWithOptions) and secure keyboard entry through Carbon
// (IsSecureEventInputEnabled).
// Threads: any thread.
#pragma once

#include <map>
#include <string>

#include "Platform/Accessibility.h"

namespace kestravane::platform::macos {

class MacAccessibility final : public Accessibility {
 public:
  bool isProcessTrusted() override;
  // The seam's option names become the framework's keys (kAXTrustedCheckOptionPrompt).
  bool isProcessTrustedWithOptions(const std::map<std::string, bool>& options) override;
  bool isSecureEventInputEnabled() override;
};

}  // namespace kestravane::platform::macos
