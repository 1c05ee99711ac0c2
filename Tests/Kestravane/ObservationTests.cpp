// Observation: notices before each change, in subscription order, for as long as a subscription
// lives; and the rebuild on change that a view relies on.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/AppTestSupport.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/Published.h"
#include "Kestravane/RebuildScheduler.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
// Observation belongs to the main thread: the test's, which drives the virtual Mac's main queue.
using ObservationTest = AppTest;
using RebuildSchedulerTest = AppTest;

class Model final : public ObservableObject {
 public:
  explicit Model(const platform::Services& services) : ObservableObject(services) {}
  Published<std::string> name{*this, "old"};
  Published<std::vector<int>> numbers{*this, {}};
  void changed() { sendWillChange(); }
};

TEST_F(ObservationTest, ObserversAreToldBeforeEachAssignmentEvenOfAnEqualValue) {
  Model model{*services()};
  std::vector<std::string> seen;
  auto subscription = model.subscribe([&] { seen.push_back(model.name.get()); });

  model.name.set("new");
  model.name.set("new");
  model.numbers.modify([](std::vector<int>& numbers) { numbers.push_back(1); });
  model.changed();

  EXPECT_EQ(seen, (std::vector<std::string>{"old", "new", "new", "new"}));
  EXPECT_EQ(model.name.get(), "new");
  EXPECT_EQ(model.numbers.get(), std::vector<int>{1});
}

TEST_F(ObservationTest, ObserversRunInSubscriptionOrderUntilTheirHandleGoes) {
  Model model{*services()};
  std::vector<int> calls;
  auto first = model.subscribe([&] { calls.push_back(1); });
  std::optional<Subscription> second = model.subscribe([&] { calls.push_back(2); });
  auto third = model.subscribe([&] { calls.push_back(3); });

  model.changed();
  second.reset();
  third.cancel();
  model.changed();
  Subscription moved = std::move(first);
  model.changed();

  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3, 1, 1}));
  EXPECT_TRUE(moved.isActive());
  EXPECT_FALSE(third.isActive());
  EXPECT_EQ(model.observerCount(), 1U);
}

TEST_F(ObservationTest, AnObserverCancelledDuringANotificationIsNotCalledLaterInIt) {
  Model model{*services()};
  std::vector<int> calls;
  Subscription later;
  auto first = model.subscribe([&] {
    calls.push_back(1);
    later.cancel();
  });
  later = model.subscribe([&] { calls.push_back(2); });
  Subscription added;
  auto adder = model.subscribe([&] {
    if (!added.isActive()) added = model.subscribe([&] { calls.push_back(4); });
  });

  model.changed();
  EXPECT_EQ(calls, std::vector<int>{1});
  model.changed();
  EXPECT_EQ(calls, (std::vector<int>{1, 1, 4}));
}

TEST_F(ObservationTest, ASubscriptionMayOutliveItsObject) {
  Subscription subscription;
  {
    Model model{*services()};
    subscription = model.subscribe([] {});
    EXPECT_TRUE(subscription.isActive());
  }
  EXPECT_FALSE(subscription.isActive());
  subscription.cancel();  // nothing left to touch; must not crash
}

TEST_F(RebuildSchedulerTest, ABurstOfChangesGivesOneRebuildOnALaterTurnThatSeesTheNewValues) {
  Model model{*services()};
  std::vector<std::string> rebuilds;
  RebuildScheduler scheduler(model, [&] {
    rebuilds.push_back(model.name.get() + "/" + std::to_string(model.numbers.get().size()));
  });

  model.name.set("a");
  model.name.set("b");
  model.numbers.modify([](std::vector<int>& numbers) { numbers.push_back(1); });
  EXPECT_TRUE(rebuilds.empty()) << "never inside the notice, where the old value still stands";
  EXPECT_EQ(mac.dispatch().waitingCount(), 1U) << "one rebuild posted for the whole burst";
  runPending();
  EXPECT_EQ(rebuilds, std::vector<std::string>{"b/1"});

  runPending();
  EXPECT_EQ(rebuilds.size(), 1U) << "no change, no rebuild";
  model.changed();  // a notice without a property change rebuilds too
  model.name.set("c");
  runPending();
  EXPECT_EQ(rebuilds, (std::vector<std::string>{"b/1", "c/1"}));
}

TEST_F(RebuildSchedulerTest, AViewOfTheControllerRebuildsOnceWithTheStateAfterTheOperation) {
  readyMac();
  launch();
  runPending();
  ASSERT_TRUE(controller->isRunning());
  std::vector<std::pair<EngineHealth, bool>> rebuilds;
  std::size_t notices = 0;
  auto counter = controller->subscribe([&] { ++notices; });
  RebuildScheduler scheduler(
      *controller, [&] { rebuilds.emplace_back(controller->health(), controller->isRunning()); });

  controller->toggleEnabled();
  runPending();
  EXPECT_GE(notices, 2U);
  EXPECT_EQ(rebuilds,
            (std::vector<std::pair<EngineHealth, bool>>{{EngineHealth::disabled, false}}));
}

TEST_F(RebuildSchedulerTest, ARebuildStillQueuedDoesNothingOnceTheSchedulerOrTheObjectIsGone) {
  for (const bool dropObject : {false, true}) {
    SCOPED_TRACE(dropObject ? "object gone" : "scheduler gone");
    auto model = std::make_unique<Model>(*services());
    std::size_t rebuilds = 0;
    auto scheduler = std::make_unique<RebuildScheduler>(*model, [&] { ++rebuilds; });
    model->name.set("new");
    ASSERT_EQ(mac.dispatch().waitingCount(), 1U);

    if (dropObject) {
      model.reset();
    } else {
      scheduler.reset();
      EXPECT_EQ(model->observerCount(), 0U);
      model->name.set("newer");
      EXPECT_EQ(mac.dispatch().waitingCount(), 1U) << "nothing more is posted";
    }
    runPending();
    EXPECT_EQ(rebuilds, 0U);
  }
}

}  // namespace
}  // namespace kestravane
