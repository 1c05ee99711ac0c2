// The backend of this build as a program's entry point gets it: the real services on a Mac, a
// fresh virtual Mac elsewhere.
#include "Platform/Backend.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform {
namespace {

TEST(BackendTest, GivesEveryServiceOfThePlatformItNames) {
  const auto services = makeBackendServices();
  ASSERT_NE(services, nullptr);
  EXPECT_NE(services->eventTaps, nullptr);
  EXPECT_NE(services->runLoops, nullptr);
  EXPECT_NE(services->clock, nullptr);
  EXPECT_NE(services->threads, nullptr);
  EXPECT_NE(services->dispatch, nullptr);
  EXPECT_NE(services->inputSources, nullptr);
  EXPECT_NE(services->accessibility, nullptr);
  EXPECT_NE(services->preferences, nullptr);
  EXPECT_NE(services->loginItems, nullptr);
  EXPECT_NE(services->userDefaults, nullptr);
  EXPECT_NE(services->workspace, nullptr);
  EXPECT_NE(services->bundleInfo, nullptr);
  EXPECT_NE(services->log, nullptr);
  EXPECT_NE(services->locale, nullptr);
  EXPECT_NE(services->application, nullptr);
  EXPECT_NE(services->hidSystem, nullptr);
#ifdef __APPLE__
  EXPECT_EQ(backendName(), "macOS");
#else
  EXPECT_EQ(backendName(), "virtual Mac");
#endif
}

// The returned pointer alone keeps whatever stands behind the services alive and wired.
TEST(BackendTest, ServicesStayUsableThroughTheReturnedPointerAlone) {
  const auto services = makeBackendServices();
  const auto first = services->clock->uptimeNanos();
  EXPECT_LE(first, services->clock->uptimeNanos());
  const auto sources = services->inputSources->createInputSourceList({}, false);
  EXPECT_TRUE(sources.has_value());
}

TEST(BackendTest, VirtualMacIsFreshWithNothingGranted) {
  if (backendName() != "virtual Mac") GTEST_SKIP() << "the real system's state is not the test's";
  const auto services = makeBackendServices();
  EXPECT_FALSE(services->accessibility->isProcessTrusted());
  EXPECT_FALSE(services->eventTaps->preflightListenEventAccess());
  EXPECT_EQ(services->userDefaults->objectForKey("PlivexConfig.v1"), std::nullopt);
  services->userDefaults->setObject(std::string("kept"), "probe");
  // Another call is another machine: nothing stored in the first shows in the second.
  EXPECT_EQ(makeBackendServices()->userDefaults->objectForKey("probe"), std::nullopt);
}

}  // namespace
}  // namespace kestravane::platform
