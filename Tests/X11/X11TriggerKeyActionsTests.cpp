// Taking a trigger key's own action away on a real X server, and getting it back: on stop, for
// another trigger, after a keymap change, and after a run that was killed with the key withheld.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "Platform/X11/WithheldKeyRecord.h"
#include "X11/X11Rig.h"

namespace kestravane {
namespace {

using platform::x11::kXKeycodeCapsLock;
using platform::x11::kXKeycodeMenu;
using platform::x11::kXKeycodeSuperRight;

class TriggerKeyActionsTest : public testing_support::X11Test {
 protected:
  platform::TriggerKeyActions& actions() { return *services()->triggerKeyActions; }
  KeySym firstKeysym(unsigned keycode) { return probe->firstKeysym(keycode); }
};

TEST_F(TriggerKeyActionsTest, OnlyCapsLockAndTheMenuKeyLoseTheirActionAndOneAtATime) {
  struct Case {
    std::int64_t macKeyCode;
    unsigned withheldKey;  // 0: none
  };
  for (const Case c :
       {Case{platform::kKeyCodeCapsLock, kXKeycodeCapsLock},
        Case{platform::kKeyCodeFn, kXKeycodeMenu}, Case{platform::kKeyCodeRightCommand, 0}}) {
    SCOPED_TRACE(c.macKeyCode);
    EXPECT_TRUE(actions().withhold(c.macKeyCode));
    EXPECT_EQ(firstKeysym(kXKeycodeCapsLock) == NoSymbol, c.withheldKey == kXKeycodeCapsLock);
    EXPECT_EQ(firstKeysym(kXKeycodeMenu) == NoSymbol, c.withheldKey == kXKeycodeMenu);
    EXPECT_EQ(firstKeysym(kXKeycodeSuperRight), static_cast<KeySym>(XK_Super_R));
    EXPECT_EQ(std::filesystem::exists(platform->triggerKeyActions().recordFile()),
              c.withheldKey != 0);
  }
  actions().giveBack();
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(XK_Caps_Lock));
  EXPECT_EQ(firstKeysym(kXKeycodeMenu), static_cast<KeySym>(XK_Menu));
}

TEST_F(TriggerKeyActionsTest, AKeymapLoadedMeanwhileKeepsItsOwnSymbolsAtTheGiveBack) {
  ASSERT_TRUE(actions().withhold(platform::kKeyCodeCapsLock));
  // A keymap in which Caps Lock switches groups: the user's new settings.
  ASSERT_TRUE(server->setLayouts("us,ru", "grp:caps_toggle"));
  const KeySym newSymbol = firstKeysym(kXKeycodeCapsLock);
  ASSERT_NE(newSymbol, static_cast<KeySym>(NoSymbol));
  platform->triggerKeyActions().keymapChanged();
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(NoSymbol));
  actions().giveBack();
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), newSymbol);
}

TEST_F(TriggerKeyActionsTest, WithoutAPlaceForTheNoteNoKeyIsChanged) {
  auto options = platformOptions();
  // A regular file where the folder should be: the note cannot be written.
  const auto blocker = folder.path / "blocker";
  std::FILE* file = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  options.stateDirectory = blocker / "runtime";
  auto other = platform::x11::X11Platform::open(options);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(other->services()->triggerKeyActions->withhold(platform::kKeyCodeCapsLock));
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(XK_Caps_Lock));
  ASSERT_FALSE(other->log().messages().empty());
  EXPECT_TRUE(other->log().messages().back().starts_with(
      "Plivex[x11] cannot take the trigger key's own action away, key 66: cannot make "));
}

TEST_F(TriggerKeyActionsTest, ARunKilledWithTheKeyWithheldIsRepairedByTheNextStart) {
  const auto stateFolder = folder.path / "crash-state";
  const pid_t helper =
      testing_support::startProgram({PLIVEX_WITHHOLD_HELPER, server->display(), stateFolder});
  ASSERT_GT(helper, 0);
  // The helper's note appears once it has withheld the key.
  const auto note = stateFolder / platform::x11::recordFileName(server->display());
  ASSERT_TRUE(testing_support::waitUntil([&] {
    return std::filesystem::exists(note) &&
           firstKeysym(kXKeycodeCapsLock) == static_cast<KeySym>(NoSymbol);
  }));
  kill(helper, SIGKILL);
  int status = 0;
  waitpid(helper, &status, 0);
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(NoSymbol))
      << "the killed run had no chance to give the key back";

  auto options = platformOptions();
  options.stateDirectory = stateFolder;
  auto next = platform::x11::X11Platform::open(options);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(XK_Caps_Lock));
  EXPECT_FALSE(std::filesystem::exists(note));
  keyboard->tap(kXKeycodeCapsLock);
  EXPECT_TRUE(probe->capsLocked());
  EXPECT_EQ(next->log().messages(),
            std::vector<std::string>{
                "Plivex[x11] gave back the own action an earlier run had taken from key 66"});
}

}  // namespace
}  // namespace kestravane
