// Trigger-key actions on macOS: nothing to take away, since the engine's active event tap
// swallows the trigger's events itself.
// Threads: any thread.
#pragma once

#include <cstdint>

#include "Platform/TriggerKeyActions.h"

namespace kestravane::platform::macos {

class MacTriggerKeyActions final : public TriggerKeyActions {
 public:
  bool withhold(std::int64_t) override { return true; }
  void giveBack() override {}
};

}  // namespace kestravane::platform::macos
