// The lone-tap decision: orders the trigger events of one press and answers `fire` only when the
// trigger is released while nothing has spoilt the press. It knows nothing of keys or time; the
// engine decides which key events become which `TriggerEvent` and when a hold is too long.
// Threads: a plain value without locks or shared state; its owner calls it from one thread at
// a time.
#pragma once

namespace kestravane {

enum class TriggerEvent {
  triggerDown,  // the trigger key went down while it was up
  triggerUp,    // the trigger key went up after it was down
  otherKey,     // any other key was pressed or released
  timeout,      // the trigger has been held longer than the engine's hold limit
};

enum class TriggerAction {
  none,  // nothing to do
  fire,  // switch the layout now
};

class TriggerStateMachine {
 public:
  TriggerStateMachine() = default;

  // Applies one transition and returns its action; never fails.
  TriggerAction handle(TriggerEvent event) noexcept;

  // Forgets any press being tracked, e.g. when the owner's view of the keyboard may be stale.
  void reset() noexcept;

 private:
  enum class State {
    idle,          // no press of the trigger is being tracked
    pending,       // the trigger is down and releasing it now fires
    disqualified,  // the trigger is down but this press can no longer fire
  };

  State state = State::idle;
};

}  // namespace kestravane
