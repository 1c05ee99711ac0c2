// The application object (NSApplication.sharedApplication, created on first use): activation
// policy, activation and termination.
// Threads: main thread only.
#pragma once

#include "Platform/Application.h"

namespace kestravane::platform::macos {

class MacApplication final : public Application {
 public:
  bool setActivationPolicy(ActivationPolicy policy) override;
  ActivationPolicy activationPolicy() override;
  void activate() override;
  void terminate() override;
};

}  // namespace kestravane::platform::macos
