// The KDE switcher against a stand-in for KWin's keyboard layouts service on a bus of the test's
// own: the list, the active layout, switching, the signals, KWin going away, and no bus at all;
// and KDE's keyboard options, which KWin reloads when told.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Wayland/DBusLayoutsSwitcher.h"
#include "Platform/Wayland/KdeKeyOptions.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"
#include "Support/AnnouncingProgram.h"
#include "Support/DBusDaemon.h"
#include "Support/LogLines.h"
#include "Support/TemporaryFolder.h"
#include "Support/Waiting.h"

namespace kestravane::platform::wayland {
namespace {

using testing_support::AnnouncingProgram;
using testing_support::DBusDaemon;
using testing_support::TemporaryFolder;
using testing_support::waitUntil;

class KdeSwitcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DBusDaemon::installed()) GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(bus.running());
    standIn.emplace(std::vector<std::string>{PLIVEX_PYTHON3, PLIVEX_KDE_STAND_IN, bus.address(),
                                             "us:us:English (US)", "ru:ru:Russian"});
    ASSERT_TRUE(standIn->running()) << "the stand-in for KWin did not start";
  }

  std::unique_ptr<KdeSwitcher> makeSwitcher() {
    auto switcher = std::make_unique<KdeSwitcher>(dispatch.mainQueue(), bus.address());
    switcher->setChangeObserver([this](DesktopChange change) { changes.push_back(change); });
    return switcher;
  }

  bool noticed(DesktopChange change) {
    return waitUntil([&] { return std::ranges::find(changes, change) != changes.end(); },
                     testing_support::kDefaultWait, &dispatch);
  }

  DBusDaemon bus;
  std::optional<AnnouncingProgram> standIn;
  host::DispatchQueues dispatch{std::make_shared<host::SystemUptimeClock>()};
  std::vector<DesktopChange> changes;
};

TEST_F(KdeSwitcherTest, ListsSelectsAndHearsOfChangesByAnyone) {
  const auto switcher = makeSwitcher();
  const auto layouts = switcher->read();
  ASSERT_TRUE(layouts) << switcher->unavailableReason().value_or("");
  EXPECT_EQ(*layouts, (DesktopLayouts{{{"us", "English (US)"}, {"ru", "Russian"}}, 0}));

  EXPECT_TRUE(switcher->select(1));
  EXPECT_EQ(switcher->read()->active, 1u);
  EXPECT_TRUE(noticed(DesktopChange::active));
  EXPECT_FALSE(switcher->select(2)) << "KDE refuses a layout it does not have";
  EXPECT_EQ(switcher->read()->active, 1u);

  // Another program switches, then KDE's settings load another list.
  changes.clear();
  KdeSwitcher other(dispatch.mainQueue(), bus.address());
  ASSERT_TRUE(other.select(0));
  EXPECT_TRUE(noticed(DesktopChange::active));
  EXPECT_EQ(switcher->read()->active, 0u);
  ASSERT_EQ(testing_support::runProgram(
                {"gdbus", "call", "--address", bus.address(), "--dest", "org.kde.keyboard",
                 "--object-path", "/Layouts", "--method", "org.plivex.StandIn.replaceLayouts",
                 "[('de', 'de', 'German'), ('fr', 'fr', 'French'), ('ru', 'ru', 'Russian')]"}),
            0);
  EXPECT_TRUE(noticed(DesktopChange::layouts));
  EXPECT_EQ(switcher->read()->layouts.size(), 3u);
  EXPECT_FALSE(switcher->unavailableReason());
}

TEST_F(KdeSwitcherTest, SaysWhyWhenKWinOrTheBusIsGone) {
  const auto switcher = makeSwitcher();
  ASSERT_TRUE(switcher->read());
  standIn.reset();
  EXPECT_TRUE(noticed(DesktopChange::availability));
  EXPECT_FALSE(switcher->read());
  EXPECT_FALSE(switcher->select(0));
  const auto reason = switcher->unavailableReason();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find("org.kde.keyboard"), std::string::npos) << *reason;

  KdeSwitcher nowhere(dispatch.mainQueue(), "unix:path=/nonexistent/bus");
  EXPECT_FALSE(nowhere.read());
  EXPECT_FALSE(nowhere.select(0));
  ASSERT_TRUE(nowhere.unavailableReason());
  EXPECT_NE(nowhere.unavailableReason()->find("cannot connect to the session bus"),
            std::string::npos)
      << *nowhere.unavailableReason();
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The stand-in, in KWin's place, notes the options kxkbrc holds whenever it is told to reload:
// the file must be written before the signal, and the user's own options come back after.
TEST(KdeKeyOptionsTest, KWinReloadsTheMergedOptionsThenTheUsersOwn) {
  if (!DBusDaemon::installed()) GTEST_SKIP() << "dbus-daemon is not installed";
  DBusDaemon bus;
  ASSERT_TRUE(bus.running());
  TemporaryFolder folder;
  const auto kxkbrc = folder.path / "kxkbrc";
  const auto reloads = folder.path / "reloads";
  const std::string users =
      "[$Version]\nupdate_info=kxkbrc.upd:remove-empty-lists\n\n[Layout]\nDisplayNames=,\n"
      "LayoutList=us,ru\nOptions=grp:alt_shift_toggle,caps:escape\nResetOldOptions=true\n";
  std::ofstream(kxkbrc) << users;
  AnnouncingProgram kwin({PLIVEX_PYTHON3, PLIVEX_KDE_STAND_IN, bus.address(), "us:us:English (US)",
                          "--kxkbrc=" + kxkbrc.string(), "--reloads=" + reloads.string()});
  ASSERT_TRUE(kwin.running()) << "the stand-in for KWin did not start";
  const auto log = std::make_shared<testing_support::LogLines>();
  {
    WaylandTriggerKeyActions actions(std::make_shared<KdeKeyOptions>(kxkbrc, bus.address()),
                                     folder.path / "state", log);
    ASSERT_TRUE(actions.withhold(triggerKey(TriggerKind::capsLock).keyCode));
    EXPECT_EQ(fileText(kxkbrc),
              "[$Version]\nupdate_info=kxkbrc.upd:remove-empty-lists\n\n[Layout]\nDisplayNames=,\n"
              "LayoutList=us,ru\nOptions=grp:alt_shift_toggle,caps:none\nResetOldOptions=true\n");
    EXPECT_TRUE(waitUntil([&] { return fileText(reloads) == "grp:alt_shift_toggle,caps:none\n"; }))
        << fileText(reloads);
  }
  EXPECT_EQ(fileText(kxkbrc), users);
  EXPECT_TRUE(waitUntil([&] {
    return fileText(reloads) ==
           "grp:alt_shift_toggle,caps:none\ngrp:alt_shift_toggle,caps:escape\n";
  })) << fileText(reloads);
  EXPECT_TRUE(log->lines.empty());
}

}  // namespace
}  // namespace kestravane::platform::wayland
