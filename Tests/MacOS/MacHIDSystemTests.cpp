// The keyboard services' Caps Lock delay and the input-source notices on the real system: the
// value that puts the keyboard filter's own delay back, a set on a service that is not there
// reported as failed, and the notices reaching the observer on the main thread until it is
// emptied.
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "Platform/MacOS/MacHIDEventSystemClient.h"
#include "Platform/MacOS/MacHIDSystem.h"
#include "Platform/MacOS/MacTextInputSources.h"

namespace kestravane::platform::macos {
namespace {

TEST(MacHIDSystemTest, DelayValuesAreWhatTheKeyboardFilterReadsOrRefused) {
  const struct {
    std::optional<std::int64_t> milliseconds;
    std::optional<std::int32_t> value;
  } cases[] = {
      {std::nullopt, -1},  // the filter's own delay
      {0, 0},
      {75, 75},
      {-1, std::nullopt},
      {std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(capsLockDelayOverrideValue(c.milliseconds), c.value) << c.milliseconds.value_or(-999);
  }
}

TEST(MacHIDSystemTest, ASetOnAServiceThatIsNotThereFails) {
  MacHIDSystem system;
  std::uint64_t unknown = 1;
  for (const auto& keyboard : system.keyboardServices()) {
    unknown = std::max(unknown, keyboard.registryId + 1);
  }
  EXPECT_FALSE(system.setCapsLockDelayOverride(unknown, 0));
}

// Posts the selected-source notice and serves the main run loop until the observer ran or
// `rounds` tenths of a second passed.
int postAndCount(int& calls, int rounds) {
  const int before = calls;
  CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(),
                                       kTISNotifySelectedKeyboardInputSourceChanged, nullptr,
                                       nullptr, true);
  for (int i = 0; i < rounds && calls == before; ++i) {
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, true);
  }
  return calls - before;
}

TEST(MacHIDSystemTest, InputSourceNoticesReachTheObserverOnTheMainThreadUntilEmptied) {
  ASSERT_NE(pthread_main_np(), 0) << "GoogleTest runs tests on the main thread";
  MacTextInputSources sources;
  int calls = 0;
  bool offMain = false;
  sources.setSourcesChangedObserver([&] {
    ++calls;
    offMain = offMain || pthread_main_np() == 0;
  });
  EXPECT_GE(postAndCount(calls, 50), 1);
  EXPECT_FALSE(offMain);

  // Half a second for a notice that must not come: the test does not wait seconds on it.
  sources.setSourcesChangedObserver({});
  EXPECT_EQ(postAndCount(calls, 5), 0);
}

}  // namespace
}  // namespace kestravane::platform::macos
