// What a trigger key does of its own (Caps Lock's capitals, the context menu of the key that
// stands for fn/Globe), taken away while the key serves as the trigger and given back afterwards.
// Needed where the platform's taps can only observe: there the tap cannot swallow the trigger's
// events, so the key must lose its meaning instead. On macOS the active tap swallows them, and
// nothing is taken away.
// Threads: main thread.
#pragma once

#include <cstdint>

namespace kestravane::platform {

class TriggerKeyActions {
 public:
  virtual ~TriggerKeyActions() = default;
  // Takes the own action away from the key with this virtual key code (kKeyCodeCapsLock,
  // kKeyCodeFn, kKeyCodeRightCommand) while it is the trigger; a key withheld before gets its
  // action back first. Whether the key is now without an action of its own that would get in
  // the way (true where nothing needs taking away).
  virtual bool withhold(std::int64_t keyCode) = 0;
  // Gives the withheld key its action back; nothing happens when no key is withheld.
  virtual void giveBack() = 0;
};

}  // namespace kestravane::platform
