#include "Platform/Virtual/VirtualLoginItems.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestravane::platform::vmac {
namespace {

TEST(VirtualLoginItemsTest, RegisterAndUnregisterMoveTheStatus) {
  VirtualLoginItems items;
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
  EXPECT_EQ(items.registerMainApp(), std::nullopt);
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
  EXPECT_EQ(items.unregisterMainApp(), std::nullopt);
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
  EXPECT_EQ(items.registerCallCount(), 1);
  EXPECT_EQ(items.unregisterCallCount(), 1);
  EXPECT_EQ(items.statusCallCount(), 3);
}

TEST(VirtualLoginItemsTest, RegistrationMayWaitForTheUsersApproval) {
  VirtualLoginItems items;
  items.setRequiresApproval(true);
  EXPECT_EQ(items.registerMainApp(), std::nullopt);
  EXPECT_EQ(items.status(), LoginItemStatus::requiresApproval);
  items.approve();
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
  items.approve();  // nothing waits any more
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
}

TEST(VirtualLoginItemsTest, FailuresCarryTheirDescriptionAndChangeNothing) {
  struct Case {
    LoginItemStatus initial;
    bool registering;
  };
  for (const Case c :
       {Case{LoginItemStatus::notRegistered, true}, Case{LoginItemStatus::requiresApproval, true},
        Case{LoginItemStatus::enabled, false}, Case{LoginItemStatus::requiresApproval, false}}) {
    SCOPED_TRACE(static_cast<int>(c.initial));
    VirtualLoginItems items(c.initial);
    items.setRegisterFailure("Operation not permitted");
    items.setUnregisterFailure("Invalid argument");
    const auto error = c.registering ? items.registerMainApp() : items.unregisterMainApp();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->description, c.registering ? "Operation not permitted" : "Invalid argument");
    EXPECT_EQ(items.status(), c.initial);

    items.setRegisterFailure(std::nullopt);
    items.setUnregisterFailure(std::nullopt);
    EXPECT_EQ(c.registering ? items.registerMainApp() : items.unregisterMainApp(), std::nullopt);
    EXPECT_EQ(items.status(),
              c.registering ? LoginItemStatus::enabled : LoginItemStatus::notRegistered);
  }
}

// A service that cannot be found cannot be registered: the call throws, whatever else is set,
// and the item stays not found until the application is where the service can find it.
TEST(VirtualLoginItemsTest, AServiceThatIsNotFoundCannotBeRegistered) {
  VirtualLoginItems items(LoginItemStatus::notFound);
  for (const bool requiresApproval : {false, true}) {
    items.setRequiresApproval(requiresApproval);
    const auto error = items.registerMainApp();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->description,
              "The operation couldn’t be completed. (SMAppServiceErrorDomain error 3.)");
    EXPECT_EQ(items.status(), LoginItemStatus::notFound);
  }
  items.setRegisterFailure("Operation not permitted");
  EXPECT_EQ(items.registerMainApp()->description, "Operation not permitted")
      << "a failure set on purpose takes precedence";
  items.setRegisterFailure(std::nullopt);

  items.setRequiresApproval(false);
  items.setStatus(LoginItemStatus::notRegistered);  // the application was moved into place
  EXPECT_EQ(items.registerMainApp(), std::nullopt);
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
  EXPECT_EQ(items.registerCallCount(), 4);
}

TEST(VirtualLoginItemsTest, StatusObserverSeesEveryChangeAndNoFailure) {
  VirtualLoginItems items;
  std::vector<LoginItemStatus> seen;
  items.setStatusObserver([&] { seen.push_back(items.currentStatus()); });  // no lock held
  items.setRequiresApproval(true);
  EXPECT_EQ(items.registerMainApp(), std::nullopt);
  items.approve();
  items.approve();  // nothing waited: no change
  items.setUnregisterFailure("Operation not permitted");
  EXPECT_TRUE(items.unregisterMainApp().has_value());
  items.setUnregisterFailure(std::nullopt);
  EXPECT_EQ(items.unregisterMainApp(), std::nullopt);
  items.setStatus(LoginItemStatus::notFound);
  EXPECT_EQ(seen, (std::vector<LoginItemStatus>{
                      LoginItemStatus::requiresApproval, LoginItemStatus::enabled,
                      LoginItemStatus::notRegistered, LoginItemStatus::notFound}));
  EXPECT_EQ(items.statusCallCount(), 0) << "the control's reads are not the program's";
}

}  // namespace
}  // namespace kestravane::platform::vmac
