#include "Platform/Virtual/Mouse.h"

#include <utility>

namespace kestravane::platform::vmac {
namespace {

struct ButtonTypes {
  EventType down;
  EventType up;
};

ButtonTypes typesOf(MouseButton button) {
  switch (button) {
    case MouseButton::left:
      return {kEventLeftMouseDown, kEventLeftMouseUp};
    case MouseButton::right:
      return {kEventRightMouseDown, kEventRightMouseUp};
    case MouseButton::other:
      break;
  }
  return {kEventOtherMouseDown, kEventOtherMouseUp};
}

}  // namespace

Mouse::Mouse(std::shared_ptr<WindowServer> windowServer, std::shared_ptr<const Keyboard> keyboard)
    : windowServer(std::move(windowServer)), keyboard(std::move(keyboard)) {}

void Mouse::click(MouseButton button) {
  const ButtonTypes types = typesOf(button);
  for (const EventType type : {types.down, types.up}) {
    Event event;
    event.type = type;
    event.flags = keyboard->currentFlags();
    event.mouseButton = static_cast<std::int64_t>(button);
    windowServer->post(event);
  }
}

}  // namespace kestravane::platform::vmac
