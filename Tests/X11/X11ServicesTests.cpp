// The X11 services as the program reads them on a real X server: the layouts of the keymap, the
// keys as a Mac would report them (seen through the program's key tester), what Accessibility
// means there, the system preferences the program reads, and whether a display is usable at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/AppController.h"
#include "Kestravane/SettingsModel.h"
#include "KestravaneKit/CapsLockKeyManager.h"
#include "KestravaneKit/KeyTester.h"
#include "KestravaneKit/MetaKeyManager.h"
#include "Platform/X11/X11Availability.h"
#include "X11/X11Rig.h"

namespace kestravane {

void PrintTo(const InputSourceSwitcher::NamedSource& source, std::ostream* out) {
  *out << source.id << " \"" << source.name << "\"";
}

namespace {

using platform::x11::checkX11Display;
using platform::x11::kXKeycodeCapsLock;
using platform::x11::kXKeycodeMenu;
using platform::x11::kXKeycodeSuperRight;
using platform::x11::X11Availability;
using Named = InputSourceSwitcher::NamedSource;
using ServicesTest = testing_support::X11Test;

TEST_F(ServicesTest, TheLayoutsAreTheKeymapsGroupsAndFollowItsChanges) {
  const InputSourceSwitcher switcher(*services());
  struct Case {
    const char* layouts;
    const char* variants;
    std::vector<Named> expected;
  };
  const std::vector<Case> cases{
      {"us,ru,de", "", {{"us", "English (US)"}, {"ru", "Russian"}, {"de", "German"}}},
      {"us,us", ",dvorak", {{"us", "English (US)"}, {"us(dvorak)", "English (Dvorak)"}}},
      {"us,ru,us", "", {{"us", "English (US)"}, {"ru", "Russian"}, {"us#3", "English (US)"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layouts);
    ASSERT_EQ(testing_support::runProgram({"setxkbmap", "-display", server->display(), "-layout",
                                           c.layouts, "-variant", c.variants}),
              0);
    EXPECT_EQ(switcher.enabledSelectableSources(), c.expected);
    EXPECT_EQ(switcher.currentSourceID(), c.expected.front().id);
  }
}

TEST_F(ServicesTest, SelectingLocksTheGroupAndAFilterNoGroupMeetsListsNothing) {
  auto& sources = *services()->inputSources;
  auto all = sources.createInputSourceList({}, false);
  ASSERT_TRUE(all);
  ASSERT_EQ(all->size(), 3u);
  EXPECT_EQ(sources.selectInputSource(*(*all)[2]), 0);
  EXPECT_EQ(probe->group(), 2);
  const auto current = sources.copyCurrentKeyboardInputSource();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(sources.stringProperty(*current, platform::kTISPropertyInputSourceID), "de");

  for (const platform::InputSourceFilter& filter : std::vector<platform::InputSourceFilter>{
           {{std::string(platform::kTISPropertyInputSourceType),
             std::string(platform::kTISTypeKeyboardInputMode)}},
           {{std::string(platform::kTISPropertyInputSourceIsEnabled), false}},
           {{"TISPropertyBundleID", std::string("com.apple.keylayout.US")}}}) {
    const auto listed = sources.createInputSourceList(filter, false);
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->empty());
  }
}

// The current layout is read from XKB's notifications: a group locked by anyone else (XKB's own
// switching, another program) shows, and so does one locked through the service.
TEST_F(ServicesTest, TheCurrentLayoutFollowsAGroupLockedByAnotherClient) {
  const InputSourceSwitcher switcher(*services());
  const auto other = platform::x11::X11Connection::open(server->display());
  ASSERT_NE(other, nullptr);
  for (const auto& [group, id] :
       std::vector<std::pair<unsigned, std::string>>{{1, "ru"}, {2, "de"}, {0, "us"}, {2, "de"}}) {
    SCOPED_TRACE(id);
    XkbLockGroup(other->display(), XkbUseCoreKbd, group);
    XSync(other->display(), False);
    EXPECT_TRUE(testing_support::waitUntil([&] { return switcher.currentSourceID() == id; }));
    EXPECT_EQ(switcher.switchNext().actual, group == 2 ? "us" : id == "us" ? "ru" : "de");
  }
}

// The switch controller turns Caps Lock off after each Caps Lock switch through this service; on
// X11 the lock is the core keyboard's locked Lock modifier, which other clients see at once.
TEST_F(ServicesTest, TheCapsLockStateIsTheKeyboardsLockedLockModifier) {
  auto& hid = *services()->hidSystem;
  const auto caps = platform::ModifierLock::capsLock;
  EXPECT_EQ(hid.modifierLockState(caps), false);
  for (const bool on : {true, false, true, false}) {
    SCOPED_TRACE(on);
    EXPECT_TRUE(hid.setModifierLockState(caps, on));
    EXPECT_EQ(hid.modifierLockState(caps), on);
    EXPECT_EQ(probe->capsLocked(), on) << "another client sees the same lock";
  }
}

TEST_F(ServicesTest, TheKeyTesterSeesTheKeysAsAMacReportsThem) {
  testing_support::Recorder<KeyTester::Hit> hits;
  auto tester = KeyTester::create(services(), [&](const KeyTester::Hit& hit) { hits(hit); });
  ASSERT_TRUE(tester->start());
  // The tester's tap delivers only what arrives once its thread runs.
  keyboard->tap(testing_support::kKeyA);
  ASSERT_TRUE(pumpUntil([&] { return !hits.all().empty(); }));
  hits.clear();

  using Hit = KeyTester::Hit;
  constexpr std::uint64_t plain = platform::kFlagNonCoalesced;
  constexpr std::uint64_t shift = plain | platform::kFlagShift | 0x2;
  const std::vector<std::pair<std::function<void()>, Hit>> steps{
      {[&] { keyboard->press(testing_support::kKeyShiftLeft); }, Hit{56, true, false, shift}},
      {[&] { keyboard->tap(testing_support::kKeyA); }, Hit{0, false, false, shift}},
      {[&] { keyboard->release(testing_support::kKeyShiftLeft); }, Hit{56, true, false, plain}},
      {[&] { keyboard->press(kXKeycodeSuperRight); },
       Hit{54, true, false, plain | platform::kFlagCommand | platform::kFlagDeviceRightCommand}},
      {[&] { keyboard->release(kXKeycodeSuperRight); }, Hit{54, true, false, plain}},
      {[&] { keyboard->press(kXKeycodeMenu); },
       Hit{63, true, true, plain | platform::kFlagSecondaryFn}},
      {[&] { keyboard->release(kXKeycodeMenu); }, Hit{63, true, false, plain}},
      {[&] { keyboard->tap(kXKeycodeCapsLock); },
       Hit{57, true, false, plain | platform::kFlagAlphaShift}},
      {[&] { keyboard->tap(kXKeycodeCapsLock); }, Hit{57, true, false, plain}},
      {[&] { keyboard->tap(testing_support::kKeyA); }, Hit{0, false, false, plain}},
      {[&] { keyboard->tap(200); }, Hit{0x100 + 200, false, false, plain}},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    steps[i].first();
    ASSERT_TRUE(pumpUntil([&] { return hits.all().size() > i; }));
    EXPECT_EQ(hits.all()[i], steps[i].second);
  }
  tester->stop();
}

TEST_F(ServicesTest, AccessibilityMeansXInput2AndItsAbsenceShowsAsMissingAccessibility) {
  EXPECT_TRUE(services()->accessibility->isProcessTrusted());
  EXPECT_FALSE(services()->accessibility->isSecureEventInputEnabled());
  EXPECT_EQ(checkX11Display(server->display(), ""), X11Availability::usable);

  // Xvfb always has XInput, so the platform is asked for a version no server offers.
  auto options = platformOptions();
  options.requiredXInput = {99, 0};
  auto withoutXInput = platform::x11::X11Platform::open(options);
  ASSERT_NE(withoutXInput, nullptr);
  EXPECT_EQ(checkX11Display(server->display(), "", {99, 0}), X11Availability::noXInput2);
  const auto& missing = *withoutXInput->services();
  EXPECT_FALSE(missing.accessibility->isProcessTrusted());
  EXPECT_FALSE(missing.eventTaps->preflightListenEventAccess());

  withoutXInput->threads().setMainThreadToCurrent();
  auto controller = AppController::create(withoutXInput->services());
  withoutXInput->dispatch().runPending();
  EXPECT_EQ(controller->health(), EngineHealth::noAccessibility);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_FALSE(controller->hasEngine());
}

// The system's own Caps Lock switching is the keymap's XKB options, read afresh at each query.
TEST_F(ServicesTest, CapsLockSwitchesByItselfWhileAnXkbOptionMakesItSwitchLayouts) {
  auto& preferences = *services()->preferences;
  const CapsLockKeyManager capsLockKey(*services());
  const auto read = [&](const std::string& key, const std::string& domain) {
    return preferences.copyValue(key, domain, platform::PreferencesUser::currentUser,
                                 platform::PreferencesHost::anyHost);
  };
  struct Case {
    const char* options;
    std::int64_t switches;
  };
  const std::vector<Case> cases{
      {"grp:caps_toggle", 1},
      {"", 0},
      {"grp:shift_caps_toggle", 1},
      {"grp:caps_switch", 1},
      {"ctrl:nocaps,grp:alt_caps_toggle", 1},
      {"grp:shift_caps_switch", 1},
      {"grp:alt_shift_toggle", 0},  // switches, but not with Caps Lock
      {"caps:escape", 0},           // Caps Lock is Escape: no layout switch
      {"grp_led:caps", 0},          // the Caps Lock light shows the layout
      {"lv3:caps_switch", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_TRUE(server->setLayouts("us,ru,de", c.options));
    EXPECT_EQ(read("TISRomanSwitchState", platform::kPreferencesAnyApplication),
              platform::PropertyValue(c.switches));
    EXPECT_EQ(capsLockKey.isCapsLockFree(), c.switches == 0);
  }
  EXPECT_EQ(read("AppleFnUsageType", "com.apple.HIToolbox"),
            platform::PropertyValue(std::int64_t{0}))
      << "the Menu key, fn's stand-in, has no system function to turn off";
  EXPECT_EQ(read("AppleFnUsageType", "com.apple.other"), std::nullopt);
  EXPECT_EQ(read("TISRomanSwitchState", "com.apple.HIToolbox"), std::nullopt);
  EXPECT_EQ(read("AppleKeyboardUIMode", "com.apple.HIToolbox"), std::nullopt);
}

TEST_F(ServicesTest, TheXkbCapsLockToggleBlocksACapsLockTriggerUntilItIsTurnedOff) {
  ASSERT_TRUE(server->setLayouts("us,ru,de", "grp:caps_toggle"));
  platform->threads().setMainThreadToCurrent();
  auto controller = AppController::create(services());
  platform->dispatch().runPending();
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(controller->health(), EngineHealth::capsLockNotFree);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(probe->firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(XK_ISO_Next_Group))
      << "a blocked engine leaves the key to XKB";

  ASSERT_TRUE(server->setLayouts("us,ru,de"));  // the option turned off
  controller->reconcile();
  EXPECT_EQ(controller->health(), EngineHealth::active);
  ASSERT_TRUE(controller->isRunning());
  keyboard->tap(kXKeycodeCapsLock);
  EXPECT_TRUE(pumpUntil([&] { return probe->group() == 1; }));
  controller->stopEngine();
}

// KDE Plasma opens its launcher on a lone Meta tap (kwinrc's "[ModifierOnlyShortcuts] Meta", the
// launcher when absent): with right Super as the trigger a tap would do both, so it is the trigger
// key's conflict, shown with the commands that clear it, until kwinrc says Meta does nothing.
TEST_F(ServicesTest, KdesLauncherOnMetaBlocksTheRightSuperTriggerUntilItIsCleared) {
  const auto kwinrc = folder.path / "config" / "kwinrc";
  std::filesystem::create_directories(kwinrc.parent_path());
  const auto openOn = [&](const std::string& desktop) {
    auto options = platformOptions();
    options.desktop = platform::desktop::DesktopWorkspace::Desktop{desktop, ""};
    options.kwinrc = kwinrc;
    return platform::x11::X11Platform::open(options);
  };
  struct Case {
    const char* desktop;
    std::optional<std::string> kwinrcText;
    bool occupied;
  };
  const std::vector<Case> cases{
      {"KDE", std::nullopt, true},
      {"KDE", "[ModifierOnlyShortcuts]\nMeta=\n", false},
      {"ubuntu:KDE", "[General]\nx=1\n[ModifierOnlyShortcuts]\n Meta = \n", false},
      {"KDE", "[ModifierOnlyShortcuts]\nMeta=org.kde.kglobalaccel,/component/kwin,,Overview\n",
       true},
      {"KDE", "[Windows]\nMeta=\n", true},  // another group's key: the default stands
      {"GNOME", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.desktop) + " " + c.kwinrcText.value_or("(no kwinrc)"));
    std::filesystem::remove(kwinrc);
    if (c.kwinrcText) std::ofstream(kwinrc) << *c.kwinrcText;
    const auto kde = openOn(c.desktop);
    ASSERT_NE(kde, nullptr);
    EXPECT_EQ(MetaKeyManager(*kde->services()).isMetaFree(), !c.occupied);
  }

  std::filesystem::remove(kwinrc);
  const auto kde = openOn("KDE");
  kde->threads().setMainThreadToCurrent();
  auto controller = AppController::create(kde->services());
  kde->dispatch().runPending();
  controller->apply({TriggerKind::rightCommand, AppLanguage::en, false});
  EXPECT_EQ(controller->health(), EngineHealth::metaNotFree);
  EXPECT_FALSE(controller->isRunning());
  const auto remedies = SettingsModel(controller).state().remedies;
  ASSERT_EQ(remedies.size(), 1U);
  EXPECT_EQ(remedies[0].action, RemedyAction::none);
  EXPECT_NE(remedies[0].text.find("kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts "
                                  "--key Meta \"\""),
            std::string::npos)
      << remedies[0].text;
  EXPECT_NE(remedies[0].text.find("qdbus org.kde.KWin /KWin reconfigure"), std::string::npos);

  std::ofstream(kwinrc) << "[ModifierOnlyShortcuts]\nMeta=\n";
  controller->reconcile();
  EXPECT_EQ(controller->health(), EngineHealth::active);
  EXPECT_TRUE(controller->isRunning());
  controller->stopEngine();
  kde->threads().waitUntilAllFinished(std::chrono::seconds(2));
}

// "Launch at login" ticked in the settings window and Done: the desktop's autostart entry is
// written, starting this program; unticked: it is gone, and the window shows the system's state.
TEST_F(ServicesTest, LaunchAtLoginFromTheSettingsWindowWritesAndRemovesTheAutostartEntry) {
  platform->threads().setMainThreadToCurrent();
  auto controller = AppController::create(services());
  platform->dispatch().runPending();
  SettingsModel window(controller);
  const auto entry = folder.path / "config" / "autostart" / "plivex.desktop";

  auto pending = window.appear();
  EXPECT_FALSE(pending.launchAtLogin);
  pending.launchAtLogin = true;
  window.done(pending);
  window.disappear();
  ASSERT_TRUE(std::filesystem::exists(entry));
  std::ifstream written(entry);
  const std::string text((std::istreambuf_iterator<char>(written)), {});
  EXPECT_NE(text.find("Exec="), std::string::npos) << text;
  EXPECT_EQ(text.find("Hidden=true"), std::string::npos) << text;
  EXPECT_TRUE(window.appear().launchAtLogin);

  pending.launchAtLogin = false;
  window.done(pending);
  window.disappear();
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(window.appear().launchAtLogin);
  window.disappear();
  controller->stopEngine();
}

TEST(X11AvailabilityTest, OnlyAnX11SessionWithAServerIsUsable) {
  EXPECT_EQ(checkX11Display("", ""), X11Availability::noDisplay);
  EXPECT_EQ(checkX11Display("", "wayland-0"), X11Availability::waylandSession);
  EXPECT_EQ(checkX11Display(":0", "wayland-0"), X11Availability::waylandSession)
      << "XWayland sees the keys of X windows only";
  EXPECT_EQ(checkX11Display("/nonexistent/socket:7", ""), X11Availability::cannotConnect);
}

}  // namespace
}  // namespace kestravane
