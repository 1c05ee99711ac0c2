// What a tap thread takes the group to be while its own locks and the server's notifications
// cross on the wire.
#include "Platform/X11/LockedGroupTracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestravane::platform::x11 {
namespace {

struct Step {
  enum { lock, notify, notifyModifiersOnly } kind;
  int group;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  int expected;
};

TEST(LockedGroupTracker, OwnLocksOutrunTheirNotificationsAndOthersChangesWin) {
  const std::vector<Case> cases{
      // Three taps of us,ru,de faster than the server: the first lock's late notification must
      // not take the group back from the second's.
      {"three taps at once",
       {{Step::lock, 1},
        {Step::lock, 2},
        {Step::notify, 1},
        {Step::lock, 0},
        {Step::notify, 2},
        {Step::notify, 0}},
       0},
      {"a late notification before the next tap",
       {{Step::lock, 1}, {Step::lock, 2}, {Step::notify, 1}},
       2},
      {"a modifier changed before the lock landed",
       {{Step::lock, 1}, {Step::notifyModifiersOnly, 0}},
       1},
      {"another program's lock comes first", {{Step::lock, 1}, {Step::notify, 2}}, 2},
      {"nothing pending: the server's word",
       {{Step::notify, 2}, {Step::notifyModifiersOnly, 2}},
       2},
      {"after another's lock, ours lands",
       {{Step::lock, 1}, {Step::notify, 2}, {Step::notify, 1}},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LockedGroupTracker tracker(0);
    for (const Step& step : c.steps) {
      if (step.kind == Step::lock) tracker.locked(step.group);
      if (step.kind == Step::notify) tracker.notified(step.group, true);
      if (step.kind == Step::notifyModifiersOnly) tracker.notified(step.group, false);
    }
    EXPECT_EQ(tracker.group(), c.expected);
  }
}

}  // namespace
}  // namespace kestravane::platform::x11
