// The keyboard's lock states in a Wayland session, where the desktop owns them: the compositor
// keeps each keyboard's locked modifiers, and no protocol lets another program set Caps Lock's
// lock (writing the LED to a device lights the lamp without locking anything). So the state is
// never claimed: modifierLockState() is absent, and setModifierLockState() refuses, which the
// switch reports as with a HID system that refused. The keyboards have no Caps Lock delay to lift
// here either (the desktop sees a press as soon as the kernel does): none are listed.
// Threads: any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "Platform/HIDSystem.h"

namespace kestravane::platform::wayland {

class WaylandHIDSystem final : public HIDSystem {
 public:
  std::optional<bool> modifierLockState(ModifierLock) override { return std::nullopt; }
  bool setModifierLockState(ModifierLock, bool) override { return false; }
  std::vector<KeyboardService> keyboardServices() override { return {}; }
  bool setCapsLockDelayOverride(std::uint64_t, std::optional<std::int64_t>) override {
    return false;
  }
  void setKeyboardsAttachedObserver(std::function<void()>) override {}
};

}  // namespace kestravane::platform::wayland
