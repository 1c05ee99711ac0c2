#include "KestravaneCore/TriggerStateMachine.h"

namespace kestravane {

TriggerAction TriggerStateMachine::handle(TriggerEvent event) noexcept {
  switch (state) {
    case State::idle:
      // Only a press starts tracking; stray releases and other keys are nobody's business.
      if (event == TriggerEvent::triggerDown) state = State::pending;
      return TriggerAction::none;
    case State::pending:
      switch (event) {
        case TriggerEvent::triggerDown:
          return TriggerAction::none;  // auto-repeat or a doubled report of the same press
        case TriggerEvent::triggerUp:
          state = State::idle;
          return TriggerAction::fire;
        case TriggerEvent::otherKey:
        case TriggerEvent::timeout:
          state = State::disqualified;
          return TriggerAction::none;
      }
      break;
    case State::disqualified:
      // A spoilt press stays spoilt until its release, which ends it silently.
      if (event == TriggerEvent::triggerUp) state = State::idle;
      return TriggerAction::none;
  }
  return TriggerAction::none;
}

void TriggerStateMachine::reset() noexcept {
  state = State::idle;
}

}  // namespace kestravane
