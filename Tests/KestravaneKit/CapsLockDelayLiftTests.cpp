// The keyboards' Caps Lock delay, lifted while Caps Lock is the trigger and put back from the
// record, also by a later run after a crash.
#include "KestravaneKit/CapsLockDelayLift.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KestravaneKit/LogLines.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::KeyboardService;
using platform::vmac::VirtualHIDSystem;
using testing_support::VirtualMacRig;

constexpr std::uint64_t kBuiltIn = VirtualHIDSystem::kBuiltInKeyboardId;

class CapsLockDelayLiftTest : public testing::Test {
 protected:
  std::vector<KeyboardService> keyboards() { return rig.services()->hidSystem->keyboardServices(); }
  bool recorded() {
    return rig.mac.userDefaults()
        .objectForKey(std::string(CapsLockDelayLift::kRecordKey))
        .has_value();
  }

  VirtualMacRig rig;
};

TEST_F(CapsLockDelayLiftTest, LiftsEveryKeyboardAlsoLaterOnesAndPutsBackEachOnesValue) {
  rig.mac.hidSystem().attachKeyboard(7, 30);
  rig.mac.hidSystem().attachKeyboard(8, 0);  // lifted by the user already: left alone
  const auto before = keyboards();
  auto lift = CapsLockDelayLift::create(*rig.services());
  lift->lift();
  rig.mac.hidSystem().attachKeyboard(9, 50);
  rig.runPending();
  EXPECT_EQ(keyboards(), (std::vector<KeyboardService>{{kBuiltIn, 0}, {7, 0}, {8, 0}, {9, 0}}));
  EXPECT_TRUE(recorded());

  lift->putBack();
  auto after = before;
  after.push_back({9, 50});
  EXPECT_EQ(keyboards(), after);
  EXPECT_FALSE(recorded());
  rig.mac.hidSystem().attachKeyboard(10, 40);
  rig.runPending();
  EXPECT_EQ(rig.mac.hidSystem().capsLockDelayOverride(10), 40) << "not lifted once put back";
}

TEST_F(CapsLockDelayLiftTest, ARunThatEndedWithoutPuttingBackIsMendedByTheNext) {
  rig.mac.hidSystem().attachKeyboard(7, 30);
  CapsLockDelayLift::create(*rig.services())->lift();  // then the process dies
  // A second lift (the next run, before it put back) keeps the true previous values.
  CapsLockDelayLift::create(*rig.services())->lift();
  rig.mac.hidSystem().detachKeyboard(kBuiltIn);  // unplugged meanwhile: nothing to put back

  CapsLockDelayLift::create(*rig.services())->putBack();
  EXPECT_EQ(keyboards(), (std::vector<KeyboardService>{{7, 30}}));
  EXPECT_FALSE(recorded());
}

TEST_F(CapsLockDelayLiftTest, AKeyboardThatRefusesIsLoggedAndKeepsItsDelay) {
  rig.mac.hidSystem().setDelayOverrideRefused(true);
  CapsLockDelayLift::create(*rig.services())->lift();
  EXPECT_EQ(rig.logMessages(),
            std::vector<std::string>{std::string(logline::kCapsLockDelayRefused) +
                                     std::to_string(kBuiltIn)});
  EXPECT_EQ(rig.mac.hidSystem().capsLockDelayOverride(kBuiltIn), std::nullopt);
}

TEST(CapsLockDelayLiftRecord, ReadsWhatItWritesAndSkipsWhatItCannotRead) {
  const CapsLockDelayLift::Record record{{1, std::nullopt}, {42, -5}, {7, 30}};
  EXPECT_EQ(CapsLockDelayLift::parseRecord(CapsLockDelayLift::formatRecord(record)), record);
  EXPECT_EQ(CapsLockDelayLift::parseRecord("1=-,x=3,4=,5=9z,=2,6,,8=12"),
            (CapsLockDelayLift::Record{{1, std::nullopt}, {8, 12}}));
  EXPECT_TRUE(CapsLockDelayLift::parseRecord("").empty());
}

}  // namespace
}  // namespace kestravane
