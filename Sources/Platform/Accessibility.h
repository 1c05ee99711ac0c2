// Accessibility trust (AXIsProcessTrusted, AXIsProcessTrustedWithOptions) and secure keyboard
// entry (IsSecureEventInputEnabled).
// Threads: any thread.
#pragma once

#include <map>
#include <string>

namespace kestravane::platform {

// The options key that makes the system show its Accessibility prompt.
inline constexpr const char* kAXTrustedCheckOptionPrompt = "AXTrustedCheckOptionPrompt";

class Accessibility {
 public:
  virtual ~Accessibility() = default;
  // AXIsProcessTrusted().
  virtual bool isProcessTrusted() = 0;
  // AXIsProcessTrustedWithOptions(options): with the prompt option true, an untrusted process
  // gets the system's prompt. Returns the trust state as of the call.
  virtual bool isProcessTrustedWithOptions(const std::map<std::string, bool>& options) = 0;
  // IsSecureEventInputEnabled().
  virtual bool isSecureEventInputEnabled() = 0;
};

}  // namespace kestravane::platform
