#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "KestravaneCore/TriggerStateMachine.h"

namespace kestravane {
namespace {

using enum TriggerEvent;
using Action = TriggerAction;

enum class Probe { idle, pending, disqualified };
const char* name(Probe state) {
  return std::array{"idle", "pending", "disqualified"}[static_cast<std::size_t>(state)];
}

// Brings a fresh machine into `state` through its public interface only.
TriggerStateMachine machineIn(Probe state) {
  TriggerStateMachine machine;
  if (state != Probe::idle) machine.handle(triggerDown);
  if (state == Probe::disqualified) machine.handle(otherKey);
  return machine;
}

// Tells the state of a machine from the actions that copies of it give: only a pending press
// fires on release, and only an idle machine fires on a whole new tap.
Probe stateOf(const TriggerStateMachine& machine) {
  TriggerStateMachine release = machine;
  if (release.handle(triggerUp) == Action::fire) return Probe::pending;
  TriggerStateMachine tap = machine;
  tap.handle(triggerDown);
  return tap.handle(triggerUp) == Action::fire ? Probe::idle : Probe::disqualified;
}

std::vector<Action> feed(TriggerStateMachine& machine, const std::vector<TriggerEvent>& events) {
  std::vector<Action> actions;
  for (TriggerEvent event : events) actions.push_back(machine.handle(event));
  return actions;
}

TEST(TriggerStateMachine, EveryStateAndEventPairFollowsTheTransitionTable) {
  struct Row {
    Probe before;
    TriggerEvent event;
    Probe after;
    Action action;
  };
  const Row table[] = {
      {Probe::idle, triggerDown, Probe::pending, Action::none},
      {Probe::idle, triggerUp, Probe::idle, Action::none},
      {Probe::idle, otherKey, Probe::idle, Action::none},
      {Probe::idle, timeout, Probe::idle, Action::none},
      {Probe::pending, triggerDown, Probe::pending, Action::none},
      {Probe::pending, triggerUp, Probe::idle, Action::fire},
      {Probe::pending, otherKey, Probe::disqualified, Action::none},
      {Probe::pending, timeout, Probe::disqualified, Action::none},
      {Probe::disqualified, triggerDown, Probe::disqualified, Action::none},
      {Probe::disqualified, triggerUp, Probe::idle, Action::none},
      {Probe::disqualified, otherKey, Probe::disqualified, Action::none},
      {Probe::disqualified, timeout, Probe::disqualified, Action::none},
  };
  for (const Row& row : table) {
    SCOPED_TRACE(std::string(name(row.before)) + " + event " +
                 std::to_string(static_cast<int>(row.event)));
    TriggerStateMachine machine = machineIn(row.before);
    ASSERT_EQ(stateOf(machine), row.before);
    EXPECT_EQ(machine.handle(row.event), row.action);
    EXPECT_EQ(stateOf(machine), row.after) << "ended in " << name(stateOf(machine));
  }
}

TEST(TriggerStateMachine, EventSequencesGiveTheExpectedActions) {
  struct Case {
    const char* what;
    std::vector<TriggerEvent> events;
    std::vector<Action> actions;
  };
  const Case cases[] = {
      {"two lone taps fire twice",
       {triggerDown, triggerUp, triggerDown, triggerUp},
       {Action::none, Action::fire, Action::none, Action::fire}},
      {"another key spoils the press, the next tap fires",
       {triggerDown, otherKey, triggerUp, triggerDown, triggerUp},
       {Action::none, Action::none, Action::none, Action::none, Action::fire}},
      {"a hold past the limit never fires",
       {triggerDown, timeout, triggerUp},
       {Action::none, Action::none, Action::none}},
      {"a repeated down fires once on release",
       {triggerDown, triggerDown, triggerUp},
       {Action::none, Action::none, Action::fire}},
      {"a second down does not rescue a spoilt press",
       {triggerDown, otherKey, triggerDown, triggerUp},
       {Action::none, Action::none, Action::none, Action::none}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TriggerStateMachine machine;
    EXPECT_EQ(feed(machine, c.events), c.actions);
  }
}

TEST(TriggerStateMachine, ResetForgetsThePressInEveryState) {
  for (Probe state : {Probe::idle, Probe::pending, Probe::disqualified}) {
    SCOPED_TRACE(name(state));
    TriggerStateMachine machine = machineIn(state);
    machine.reset();
    EXPECT_EQ(machine.handle(triggerUp), Action::none);
    EXPECT_EQ(feed(machine, {triggerDown, triggerUp}), (std::vector{Action::none, Action::fire}));
  }
}

}  // namespace
}  // namespace kestravane
