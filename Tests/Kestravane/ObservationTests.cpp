// Observation: notices after each real change, in subscription order, for as long as a
// subscription lives; and a controller that tells its windows only what changed.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/AppTestSupport.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/Published.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
// Observation belongs to the main thread: the test's, which drives the virtual Mac's main queue.
using ObservationTest = AppTest;

class Model final : public ObservableObject {
 public:
  explicit Model(const platform::Services& services) : ObservableObject(services) {}
  Published<std::string> name{*this, "old"};
  Published<std::vector<int>> numbers{*this, {}};
  Published<int> counter{*this, 0};
  // A change every time.
  void changed() { counter.set(counter.get() + 1); }
};

TEST_F(ObservationTest, ObserversAreToldAfterEachChangeAndNeverForAnEqualValue) {
  Model model{*services()};
  std::vector<std::string> seen;
  auto subscription = model.subscribe([&] { seen.push_back(model.name.get()); });

  model.name.set("new");
  model.name.set("new");
  model.numbers.modify([](std::vector<int>& numbers) { numbers.push_back(1); });
  model.numbers.modify([](std::vector<int>&) {});
  model.name.set("old");

  EXPECT_EQ(seen, (std::vector<std::string>{"new", "new", "old"}));
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

// The periodic check redraws an open window only when what it shows changed; a permission
// granted in System Settings still shows within one check.
TEST_F(ObservationTest, ACheckThatFindsNothingNewTellsNoOneAndOneThatDoesTellsAtOnce) {
  readyMac();
  mac.permissions().setAccessibilityTrusted(false);
  launch();
  runPending();
  std::size_t notices = 0;
  auto subscription = controller->subscribe([&] { ++notices; });
  advance(AppController::kPollIntervalSeconds);
  advance(AppController::kPollIntervalSeconds);
  EXPECT_EQ(notices, 0U);

  mac.permissions().setAccessibilityTrusted(true);
  advance(AppController::kPollIntervalSeconds);
  EXPECT_GT(notices, 0U);
  EXPECT_TRUE(controller->hasAccessibility());
  EXPECT_EQ(controller->health(), EngineHealth::active) << "the same check started the engine";
}

}  // namespace
}  // namespace kestravane
