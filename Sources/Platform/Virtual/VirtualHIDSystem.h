// The virtual Mac's HID system parameters: the Caps Lock lock state is the keyboard's own, the one
// its events carry, so setting it changes the flag word of every later event, as on a Mac. A
// failure mode stands for a HID system the process cannot reach.
// Threads: any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

#include "Platform/HIDSystem.h"
#include "Platform/Virtual/Keyboard.h"

namespace kestravane::platform::vmac {

class VirtualHIDSystem final : public HIDSystem {
 public:
  explicit VirtualHIDSystem(std::shared_ptr<Keyboard> keyboard);

  // Seam.
  std::optional<bool> modifierLockState(ModifierLock lock) override;
  bool setModifierLockState(ModifierLock lock, bool on) override;

  // Control.
  // While set, every call fails: reads answer nothing and sets change nothing.
  void setUnreachable(bool unreachable) { _unreachable.store(unreachable); }
  // How many sets the program asked for, whether they worked or not.
  std::size_t setCount() const { return sets.load(); }

 private:
  const std::shared_ptr<Keyboard> keyboard;
  std::atomic<bool> _unreachable{false};
  std::atomic<std::size_t> sets{0};
};

}  // namespace kestravane::platform::vmac
