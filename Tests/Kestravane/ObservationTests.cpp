#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/ObservableObject.h"
#include "Kestravane/Published.h"

namespace kestravane {
namespace {

class Model final : public ObservableObject {
 public:
  Published<std::string> name{*this, "old"};
  Published<std::vector<int>> numbers{*this, {}};
  void changed() { sendWillChange(); }
};

TEST(ObservationTest, ObserversAreToldBeforeEachAssignmentEvenOfAnEqualValue) {
  Model model;
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

TEST(ObservationTest, ObserversRunInSubscriptionOrderUntilTheirHandleGoes) {
  Model model;
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

TEST(ObservationTest, AnObserverCancelledDuringANotificationIsNotCalledLaterInIt) {
  Model model;
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

TEST(ObservationTest, ASubscriptionMayOutliveItsObject) {
  Subscription subscription;
  {
    Model model;
    subscription = model.subscribe([] {});
    EXPECT_TRUE(subscription.isActive());
  }
  EXPECT_FALSE(subscription.isActive());
  subscription.cancel();  // nothing left to touch; must not crash
}

}  // namespace
}  // namespace kestravane
