#include "Platform/Host/HostApplication.h"

#include <gtest/gtest.h>

namespace kestravane::platform::host {
namespace {

TEST(VirtualApplicationTest, StartsAsAnAgentAndRecordsPolicyActivationAndTermination) {
  HostApplication app;
  int changes = 0;
  int terminations = 0;
  app.setObserver([&] { ++changes; });
  app.setTerminationHandler([&] { ++terminations; });
  EXPECT_EQ(app.activationPolicy(), ActivationPolicy::accessory);
  EXPECT_FALSE(app.isActive());

  EXPECT_TRUE(app.setActivationPolicy(ActivationPolicy::regular));
  EXPECT_EQ(app.activationPolicy(), ActivationPolicy::regular);
  app.activate();
  app.activate();
  EXPECT_TRUE(app.isActive());
  EXPECT_EQ(app.activationCount(), 2);
  app.deactivate();
  EXPECT_FALSE(app.isActive());

  app.terminate();
  EXPECT_EQ(app.terminationCount(), 1);
  EXPECT_EQ(terminations, 1);
  EXPECT_EQ(changes, 5);
}

}  // namespace
}  // namespace kestravane::platform::host
