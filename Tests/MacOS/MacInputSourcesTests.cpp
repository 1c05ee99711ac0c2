// The real Text Input Sources services, through the program's own calls: listing the cycle with
// its names, copying the current source and selecting it, a thousand rounds. CI runs this under
// `leaks --atExit`, so a reference the backend forgets to release shows up a thousand times.
#include <gtest/gtest.h>

#include "KestravaneKit/InputSourceSwitcher.h"
#include "Platform/MacOS/MacServices.h"

namespace kestravane {
namespace {

constexpr int kRounds = 1000;

TEST(MacInputSourcesTest, ListCopyAndSelectAThousandTimesLeaveTheCurrentSourceAsItWas) {
  const auto services = platform::makeMacServices();
  const InputSourceSwitcher switcher(*services);
  auto& system = *services->inputSources;
  const auto firstCycle = switcher.enabledSelectableSources();
  const auto firstCurrent = switcher.currentSourceID();
  ASSERT_TRUE(firstCurrent.has_value()) << "the system names no current input source";

  for (int round = 0; round < kRounds; ++round) {
    ASSERT_EQ(switcher.enabledSelectableSources(), firstCycle) << "round " << round;
    const auto current = system.copyCurrentKeyboardInputSource();
    ASSERT_NE(current, nullptr) << "round " << round;
    // Selecting the source that is already current changes nothing the user would notice.
    ASSERT_EQ(system.selectInputSource(*current), 0) << "round " << round;
    ASSERT_EQ(switcher.currentSourceID(), firstCurrent) << "round " << round;
  }
}

}  // namespace
}  // namespace kestravane
