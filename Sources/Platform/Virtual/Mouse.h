// The virtual Mac's mouse buttons: a click sends a mouse-down and a mouse-up event of its button
// through the window server, carrying the flag word of the modifier keys held on the keyboard
// (as a Command-click does on a Mac). Pointer movement is not modelled.
// Threads: any thread; each call returns after its events were delivered. Not to be called from
// a tap callback (the delivery would wait for that very callback).
#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/WindowServer.h"

namespace kestravane::platform::vmac {

// kCGMouseEventButtonNumber values: the buttons have their own event types, the others share
// "other mouse".
enum class MouseButton : std::int64_t { left = 0, right = 1, other = 2 };

class Mouse {
 public:
  Mouse(std::shared_ptr<WindowServer> windowServer, std::shared_ptr<const Keyboard> keyboard);

  void click(MouseButton button);

 private:
  const std::shared_ptr<WindowServer> windowServer;
  const std::shared_ptr<const Keyboard> keyboard;
};

}  // namespace kestravane::platform::vmac
