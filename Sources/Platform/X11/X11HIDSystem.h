// The keyboard's lock states on an X11 desktop: the XKB locked modifiers of the core keyboard
// (XkbGetState, XkbLockModifiers). Caps Lock is the Lock modifier.
// Threads: the thread that uses the main connection (the main thread in the program).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/HIDSystem.h"
#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

class X11HIDSystem final : public HIDSystem {
 public:
  explicit X11HIDSystem(std::shared_ptr<X11Connection> connection)
      : connection(std::move(connection)) {}

  std::optional<bool> modifierLockState(ModifierLock lock) override;
  bool setModifierLockState(ModifierLock lock, bool on) override;
  // An X server's keyboards have no Caps Lock delay to lift: none are listed.
  std::vector<KeyboardService> keyboardServices() override { return {}; }
  bool setCapsLockDelayOverride(std::uint64_t, std::optional<std::int64_t>) override {
    return false;
  }
  void setKeyboardsAttachedObserver(std::function<void()>) override {}

 private:
  const std::shared_ptr<X11Connection> connection;
};

}  // namespace kestravane::platform::x11
