#include "Platform/Virtual/VirtualPreferences.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestravane::platform::vmac {
namespace {

constexpr auto kUser = PreferencesUser::currentUser;
constexpr auto kAnyHost = PreferencesHost::anyHost;

std::optional<PropertyValue> readFnUsage(VirtualPreferences& preferences) {
  preferences.appSynchronize(kHIToolboxDomain);
  return preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost);
}

TEST(VirtualPreferencesTest, FnUsageTypeIsAbsentUntilTheUserChoosesIt) {
  VirtualPreferences preferences;
  EXPECT_EQ(readFnUsage(preferences), std::nullopt);

  const std::vector<std::optional<PropertyValue>> values{
      PropertyValue(std::int64_t{0}), PropertyValue(std::int64_t{2}),
      PropertyValue(std::string("1")), std::nullopt};
  for (const auto& value : values) {
    if (value) {
      preferences.writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, *value);
    } else {
      preferences.removeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey);
    }
    EXPECT_EQ(readFnUsage(preferences), value);
  }
}

TEST(VirtualPreferencesTest, OtherProcessesAreSeenOnlyAfterSynchronizingThatDomain) {
  VirtualPreferences preferences;
  preferences.setFnUsageType(0);
  EXPECT_EQ(preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost),
            std::nullopt);
  EXPECT_EQ(preferences.storedValue(kHIToolboxDomain, kFnUsageTypeKey),
            PropertyValue(std::int64_t{0}));

  EXPECT_TRUE(preferences.appSynchronize("com.apple.finder"));
  EXPECT_EQ(preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost),
            std::nullopt);

  EXPECT_TRUE(preferences.appSynchronize(kHIToolboxDomain));
  EXPECT_EQ(preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost),
            PropertyValue(std::int64_t{0}));

  preferences.setFnUsageType(std::nullopt);
  EXPECT_EQ(preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost),
            PropertyValue(std::int64_t{0}));  // still the cached value
  EXPECT_EQ(readFnUsage(preferences), std::nullopt);

  EXPECT_EQ(preferences.synchronizeCount(kHIToolboxDomain), 2);
  EXPECT_EQ(preferences.synchronizeCount("com.apple.finder"), 1);
  EXPECT_EQ(preferences.synchronizeCount("com.example.never"), 0);
}

TEST(VirtualPreferencesTest, DirectValuesAreSeenAtOnceAndKeptPerUserAndHost) {
  VirtualPreferences preferences;
  preferences.setValue("com.example.app", "Name", std::string("value"));
  EXPECT_EQ(preferences.copyValue("Name", "com.example.app", kUser, kAnyHost),
            PropertyValue(std::string("value")));
  EXPECT_EQ(preferences.copyValue("Name", "com.example.app", kUser, PreferencesHost::currentHost),
            std::nullopt);
  EXPECT_EQ(preferences.copyValue("Name", "com.example.app", PreferencesUser::anyUser, kAnyHost),
            std::nullopt);
  EXPECT_EQ(preferences.copyValue("Name", "com.example.other", kUser, kAnyHost), std::nullopt);

  // Synchronizing keeps what this process wrote, since it was stored too.
  preferences.appSynchronize("com.example.app");
  EXPECT_EQ(preferences.copyValue("Name", "com.example.app", kUser, kAnyHost),
            PropertyValue(std::string("value")));
  preferences.removeValue("com.example.app", "Name");
  EXPECT_EQ(preferences.copyValue("Name", "com.example.app", kUser, kAnyHost), std::nullopt);
}

TEST(VirtualPreferencesTest, FailedSynchronizeRefreshesNothing) {
  VirtualPreferences preferences;
  preferences.setSynchronizeFails(true);
  preferences.setFnUsageType(3);
  EXPECT_FALSE(preferences.appSynchronize(kHIToolboxDomain));
  EXPECT_EQ(preferences.copyValue(kFnUsageTypeKey, kHIToolboxDomain, kUser, kAnyHost),
            std::nullopt);
  preferences.setSynchronizeFails(false);
  EXPECT_EQ(readFnUsage(preferences), PropertyValue(std::int64_t{3}));
}

TEST(VirtualPreferencesTest, StoredValuesObserverSeesEachChangeOfTheStore) {
  VirtualPreferences preferences;
  std::vector<std::optional<PropertyValue>> seen;
  preferences.setStoredValuesObserver(
      [&] { seen.push_back(preferences.storedValue(kHIToolboxDomain, kFnUsageTypeKey)); });
  preferences.setFnUsageType(0);
  preferences.setValue(kHIToolboxDomain, kFnUsageTypeKey, std::int64_t{2});
  preferences.setFnUsageType(std::nullopt);
  preferences.appSynchronize(kHIToolboxDomain);  // reads; changes nothing stored
  EXPECT_EQ(seen, (std::vector<std::optional<PropertyValue>>{std::int64_t{0}, std::int64_t{2},
                                                             std::nullopt}));
}

}  // namespace
}  // namespace kestravane::platform::vmac
