#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/GnomeKeyOptions.h"
#include "Platform/Wayland/KdeKeyOptions.h"
#include "Platform/Wayland/SwayKeyOptions.h"
#include "Platform/Wayland/WaylandPreferences.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"
#include "Platform/Wayland/XkbOptions.h"
#include "Support/LogLines.h"
#include "Support/TemporaryFolder.h"

namespace kestravane::platform::wayland {
namespace {

using testing_support::LogLines;
using testing_support::TemporaryFolder;

constexpr std::int64_t kCapsLock = triggerKey(TriggerKind::capsLock).keyCode;
constexpr std::int64_t kFn = triggerKey(TriggerKind::fn).keyCode;
constexpr std::int64_t kRightCommand = triggerKey(TriggerKind::rightCommand).keyCode;

// A desktop whose options live in memory, and which can be made to stop answering.
class DesktopOptions final : public DesktopKeyOptions {
 public:
  explicit DesktopOptions(XkbOptionList options) : options(std::move(options)) {}
  std::string_view desktop() const override { return "test"; }
  std::optional<XkbOptionList> read() override {
    if (!answering) return std::nullopt;
    return options;
  }
  std::optional<std::string> write(const XkbOptionList& next) override {
    if (!answering) return "the desktop is gone";
    options = next;
    return std::nullopt;
  }
  XkbOptionList options;
  bool answering = true;
};

TEST(XkbOptionsTest, TheTriggersOptionReplacesTheUsersOptionsOnTheSameKeyAndGoesAgain) {
  struct Case {
    const char* user;
    const char* ours;
    const char* while_in;
  } cases[] = {
      {"", "caps:none", "caps:none"},
      {"grp:alt_shift_toggle, compose:ralt", "caps:none",
       "grp:alt_shift_toggle,compose:ralt,caps:none"},
      {"caps:escape,grp:caps_toggle,ctrl:nocaps,compose:menu", "caps:none",
       "compose:menu,caps:none"},
      {"compose:menu,,caps:escape", "ctrl:menu_rctrl", "caps:escape,ctrl:menu_rctrl"},
  };
  for (const auto& c : cases) {
    const auto user = parseXkbOptions(c.user);
    const auto in = withOption(user, c.ours);
    EXPECT_EQ(joinXkbOptions(in), c.while_in) << c.user;
    EXPECT_EQ(withoutOption(in, user, c.ours), user) << c.user;
  }
  // The user changed the options meanwhile: their change stands, only ours goes.
  EXPECT_EQ(withoutOption(parseXkbOptions("compose:ralt,caps:none"), {"caps:escape"}, "caps:none"),
            parseXkbOptions("compose:ralt"));
}

TEST(XkbOptionsTest, OnlyPlainOptionNamesAreSafeToSend) {
  const std::vector<std::pair<XkbOptionList, std::optional<std::string>>> cases{
      {{"grp:alt_shift_toggle", "lv3:ralt_switch", "keypad:pointerkeys", "caps:none"}, {}},
      {{}, {}},
      {{"caps:none", "compose:ralt\"; exec rm"}, "compose:ralt\"; exec rm"},
      {{"caps:none\nOptions=", "compose:ralt"}, "caps:none\nOptions="},
      {{"input:kb_layout de"}, "input:kb_layout de"},
      {{""}, ""},
  };
  for (const auto& [options, unsafe] : cases) {
    EXPECT_EQ(firstUnsafeXkbOption(options), unsafe) << joinXkbOptions(options);
  }
}

// The options a Sway configuration gives every keyboard: `type:keyboard` before `*`, the later
// line before the earlier, one device's block and other settings ignored.
TEST(SwayKeyOptionsTest, ReadsTheKeyboardsOptionsFromTheConfiguration) {
  const std::vector<std::pair<std::string, XkbOptionList>> cases{
      {"input type:keyboard xkb_options grp:alt_shift_toggle,caps:escape\n",
       {"grp:alt_shift_toggle", "caps:escape"}},
      {"# input * xkb_options caps:escape\ninput type:keyboard {\n  xkb_layout us,ru\n"
       "  xkb_options \"compose:ralt\"\n}\n",
       {"compose:ralt"}},
      {"input type:keyboard {\n  xkb_options compose:ralt\n}\ninput * xkb_options caps:escape\n",
       {"compose:ralt"}},
      {"input * {\n  xkb_options caps:escape\n}\ninput * xkb_options caps:ctrl_modifier\n",
       {"caps:ctrl_modifier"}},
      {"input \"1:1:AT Translated Set 2 keyboard\" {\n  xkb_options caps:escape\n}\n"
       "output * bg #000000 solid_color\nbindsym $mod+Return exec foot\n",
       {}},
      {"input type:keyboard \\\n    xkb_options grp:win_space_toggle\n", {"grp:win_space_toggle"}},
      {"", {}},
  };
  for (const auto& [config, options] : cases) {
    EXPECT_EQ(swayConfigXkbOptions(config), options) << config;
  }
}

// kxkbrc's options read and replaced, every other line (other groups' Options too) kept.
TEST(KdeKeyOptionsTest, ReplacesTheLayoutGroupsOptionsAndKeepsTheRest) {
  const std::vector<std::tuple<std::string, XkbOptionList, std::string>> cases{
      {"[$Version]\nupdate_info=x\n\n[Layout]\nLayoutList=us,ru\nOptions = caps:escape\n"
       "ResetOldOptions=false\nUse=true\n",
       {"caps:none"},
       "[$Version]\nupdate_info=x\n\n[Layout]\nLayoutList=us,ru\nOptions=caps:none\n"
       "ResetOldOptions=true\nUse=true\n"},
      {"[Other]\nOptions=keep\n[Layout]\nLayoutList=us\n[Tail]\nx=1",
       {"grp:alt_shift_toggle", "compose:ralt"},
       "[Other]\nOptions=keep\n[Layout]\nOptions=grp:alt_shift_toggle,compose:ralt\n"
       "ResetOldOptions=true\nLayoutList=us\n[Tail]\nx=1\n"},
      {"[Other]\nx=1\n", {}, "[Other]\nx=1\n\n[Layout]\nOptions=\nResetOldOptions=true\n"},
      {"", {"caps:none"}, "[Layout]\nOptions=caps:none\nResetOldOptions=true\n"},
  };
  for (const auto& [before, options, after] : cases) {
    EXPECT_EQ(kxkbrcWithOptions(before, options), after) << before;
    EXPECT_EQ(kxkbrcOptions(after), options) << after;
  }
  EXPECT_EQ(kxkbrcOptions("[Layout]\nOptions=a:b\n[Other]\nOptions=c:d\n"), XkbOptionList{"a:b"});
}

// Where KWin cannot be told, nothing may stay changed: the file as it was (or none, as there was
// none), since nothing would undo options that wait for the next login. A file that cannot be
// read is never replaced.
TEST(KdeKeyOptionsTest, LeavesTheFileAsItWasWhenKWinCannotBeToldOrTheFileRead) {
  TemporaryFolder folder;
  const auto kxkbrc = folder.path / "kxkbrc";
  const std::string users = "[Layout]\nOptions=caps:escape\n";
  KdeKeyOptions unheard(kxkbrc, "unix:path=/nonexistent/bus");
  ASSERT_EQ(unheard.read(), XkbOptionList{});
  EXPECT_TRUE(unheard.write({"caps:none"}));
  EXPECT_FALSE(std::filesystem::exists(kxkbrc));
  ASSERT_EQ(desktop::writeFileAtomically(kxkbrc, users), std::nullopt);
  EXPECT_TRUE(unheard.write({"caps:none"}));
  EXPECT_EQ(desktop::readSmallFile(kxkbrc), users);

  std::filesystem::create_directory(folder.path / "folder");
  KdeKeyOptions unreadable(folder.path / "folder", "unix:path=/nonexistent/bus");
  EXPECT_FALSE(unreadable.read());
  EXPECT_TRUE(unreadable.write({"caps:none"}));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path / "folder"));
}

TEST(WaylandTriggerKeyActionsTest, TakesTheOptionAwayOnlyWhileWithheldAndNotesItMeanwhile) {
  TemporaryFolder folder;
  auto desktop = std::make_shared<DesktopOptions>(XkbOptionList{"caps:escape", "compose:ralt"});
  auto log = std::make_shared<LogLines>();
  WaylandTriggerKeyActions actions(desktop, folder.path, log);

  ASSERT_TRUE(actions.withhold(kCapsLock));
  EXPECT_EQ(desktop->options, (XkbOptionList{"compose:ralt", "caps:none"}));
  EXPECT_TRUE(std::filesystem::exists(actions.recordFile()));

  ASSERT_TRUE(actions.withhold(kFn));  // a trigger change swaps the options
  EXPECT_EQ(desktop->options, (XkbOptionList{"caps:escape", "compose:ralt", "ctrl:menu_rctrl"}));

  ASSERT_TRUE(actions.withhold(kRightCommand));  // Super stays a modifier: nothing to take
  EXPECT_EQ(desktop->options, (XkbOptionList{"caps:escape", "compose:ralt"}));
  EXPECT_FALSE(std::filesystem::exists(actions.recordFile()));
  EXPECT_TRUE(log->lines.empty());
}

TEST(WaylandTriggerKeyActionsTest, ARunThatEndedWithoutGivingBackIsRepairedAtTheNextStart) {
  TemporaryFolder folder;
  auto desktop = std::make_shared<DesktopOptions>(XkbOptionList{"grp:win_space_toggle"});
  auto log = std::make_shared<LogLines>();
  {
    auto crashed = std::make_unique<WaylandTriggerKeyActions>(desktop, folder.path, log);
    ASSERT_TRUE(crashed->withhold(kCapsLock));
    // The desktop stops answering as the run ends: the note must outlive it.
    desktop->answering = false;
  }
  ASSERT_EQ(desktop->options, (XkbOptionList{"grp:win_space_toggle", "caps:none"}));
  desktop->answering = true;

  WaylandTriggerKeyActions next(desktop, folder.path, log);
  EXPECT_EQ(desktop->options, (XkbOptionList{"grp:win_space_toggle"}));
  EXPECT_FALSE(std::filesystem::exists(next.recordFile()));
  EXPECT_EQ(log->lines.back(),
            "Plivex[wayland] gave back the own action an earlier run had taken away with option "
            "caps:none");
}

TEST(WaylandTriggerKeyActionsTest, RefusalsFailTheWithholdAndChangeNothing) {
  TemporaryFolder folder;
  auto desktop = std::make_shared<DesktopOptions>(XkbOptionList{"compose:ralt"});
  auto log = std::make_shared<LogLines>();

  WaylandTriggerKeyActions nowhere(desktop, {}, log);
  EXPECT_FALSE(nowhere.withhold(kCapsLock));

  WaylandTriggerKeyActions refused(desktop, folder.path, log);
  desktop->answering = false;
  EXPECT_FALSE(refused.withhold(kCapsLock));
  EXPECT_FALSE(refused.withheldOption());
  EXPECT_FALSE(std::filesystem::exists(refused.recordFile()));
  EXPECT_EQ(desktop->options, (XkbOptionList{"compose:ralt"}));
  ASSERT_EQ(log->lines.size(), 2u);
  EXPECT_EQ(log->lines[0],
            "Plivex[wayland] cannot take the trigger key's own action away, option caps:none: no "
            "folder to keep a note in");
}

// A desktop without options Plivex can set (one it cannot switch): the key keeps its
// action, no note is written, and nothing counts as failed.
TEST(WaylandTriggerKeyActionsTest, WithoutTheDesktopsOptionsNothingIsTakenAndNothingFails) {
  TemporaryFolder folder;
  auto log = std::make_shared<LogLines>();
  {
    WaylandTriggerKeyActions actions(nullptr, folder.path, log);
    EXPECT_TRUE(actions.withhold(kCapsLock));
    EXPECT_FALSE(actions.withheldOption());
    actions.giveBack();
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path));
  EXPECT_TRUE(log->lines.empty());
}

// The system's own Caps Lock switching as the desktop's options say, and nothing where the
// desktop cannot be asked: the program must not decide on a guess.
TEST(WaylandPreferencesTest, CapsLockSwitchingFollowsTheDesktopsOptionsOrIsAbsent) {
  struct Case {
    const char* name;
    std::optional<XkbOptionList> options;  // absent: the desktop does not answer
    std::optional<std::int64_t> romanSwitch;
  };
  const std::vector<Case> cases{
      {"caps toggles", XkbOptionList{"compose:ralt", "grp:caps_toggle"}, 1},
      {"shift+caps toggles", XkbOptionList{"grp:shift_caps_toggle"}, 1},
      {"alt+shift toggles", XkbOptionList{"grp:alt_shift_toggle", "caps:escape"}, 0},
      {"no options", XkbOptionList{}, 0},
      // Not known is not on: Caps Lock stays usable as the trigger.
      {"the desktop does not answer", std::nullopt, 0},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    auto desktop = std::make_shared<DesktopOptions>(test.options.value_or(XkbOptionList{}));
    desktop->answering = test.options.has_value();
    WaylandPreferences preferences(desktop);
    const auto value =
        preferences.copyValue("TISRomanSwitchState", kPreferencesAnyApplication,
                              PreferencesUser::currentUser, PreferencesHost::anyHost);
    EXPECT_EQ(value,
              test.romanSwitch ? std::optional(PropertyValue(*test.romanSwitch)) : std::nullopt);
  }
  WaylandPreferences unreadable(nullptr);
  EXPECT_EQ(unreadable.copyValue("TISRomanSwitchState", kPreferencesAnyApplication,
                                 PreferencesUser::currentUser, PreferencesHost::anyHost),
            PropertyValue(std::int64_t{0}));
  EXPECT_EQ(unreadable.copyValue("AppleFnUsageType", "com.apple.HIToolbox",
                                 PreferencesUser::currentUser, PreferencesHost::anyHost),
            PropertyValue(std::int64_t{0}));
}

TEST(GnomeKeyOptionsTest, ReadsAndWritesTheInputSourcesXkbOptions) {
  // GSettings kept in memory: the test changes no one's desktop.
  setenv("GSETTINGS_BACKEND", "memory", 1);
  auto options = GnomeKeyOptions::open();
  if (!options) GTEST_SKIP() << "GNOME's settings schemas are not installed";
  ASSERT_EQ(options->read(), XkbOptionList{});
  ASSERT_EQ(options->write({"compose:ralt", "caps:none"}), std::nullopt);
  EXPECT_EQ(options->read(), (XkbOptionList{"compose:ralt", "caps:none"}));
}

}  // namespace
}  // namespace kestravane::platform::wayland
