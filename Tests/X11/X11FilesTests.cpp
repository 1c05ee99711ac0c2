// The files the X11 backend keeps: the autostart entry that is the login item, and the note of a
// withheld trigger key; and the names it reads from a keymap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/LinuxDesktop/XdgAutostartLoginItems.h"
#include "Platform/X11/KeymapLayouts.h"
#include "Platform/X11/WithheldKeyRecord.h"
#include "Platform/X11/X11TriggerKeyActions.h"
#include "Support/Waiting.h"
#include "X11/X11Rig.h"

namespace kestravane::platform::x11 {
namespace {

using testing_support::TemporaryFolder;

void writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

TEST(AutostartEntryTest, TheLoginItemIsAnEntryThatIsThereAndNotHidden) {
  TemporaryFolder folder;
  const auto entry = folder.path / "autostart" / "plivex.desktop";
  desktop::XdgAutostartLoginItems items(entry, "/opt/Plivex 1/bin/plivex");
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);

  EXPECT_EQ(items.registerMainApp(), std::nullopt);
  EXPECT_EQ(items.status(), LoginItemStatus::enabled);
  const auto text = desktop::readSmallFile(entry);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("\nExec=\"/opt/Plivex 1/bin/plivex\"\n"), std::string::npos) << *text;
  EXPECT_TRUE(text->starts_with("[Desktop Entry]\nType=Application\n"));

  writeText(entry, *text + "Hidden=true\n");
  EXPECT_EQ(items.status(), LoginItemStatus::notRegistered) << "switched off by the desktop";

  EXPECT_EQ(items.unregisterMainApp(), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_EQ(items.unregisterMainApp(), std::nullopt) << "nothing left to remove";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(entry.parent_path()), {}), 0)
      << "no temporary file is left behind";
}

TEST(AutostartEntryTest, FailuresSayWhatFailedAndWhy) {
  TemporaryFolder folder;
  // A regular file where the autostart folder should be fails for root too.
  writeText(folder.path / "autostart", "");
  desktop::XdgAutostartLoginItems items(folder.path / "autostart" / "plivex.desktop",
                                        "/usr/bin/plivex");
  const auto registered = items.registerMainApp();
  ASSERT_TRUE(registered);
  EXPECT_EQ(registered->description,
            "cannot make " + (folder.path / "autostart").string() + ": Not a directory");
  const auto unregistered = items.unregisterMainApp();
  ASSERT_TRUE(unregistered);
  EXPECT_EQ(unregistered->description, "cannot remove " +
                                           (folder.path / "autostart" / "plivex.desktop").string() +
                                           ": Not a directory");
}

TEST(AutostartEntryTest, ExecArgumentsAreQuotedAsDesktopEntryFilesRequire) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"/usr/bin/plivex", "/usr/bin/plivex"},
      {"/opt/my apps/plivex", "\"/opt/my apps/plivex\""},
      {"/opt/100%/plivex", "\"/opt/100%%/plivex\""},
      {"/opt/a\"b/plivex", "\"/opt/a\\\\\"b/plivex\""},
      {"/opt/a\\b/plivex", "\"/opt/a\\\\\\\\b/plivex\""},
      {"/opt/$HOME/plivex", "\"/opt/\\\\$HOME/plivex\""},
      {"/opt/line\nbreak", "\"/opt/line\\nbreak\""},
  };
  for (const auto& [argument, expected] : cases) {
    EXPECT_EQ(desktop::XdgAutostartLoginItems::execArgument(argument), expected) << argument;
  }
}

// What the desktop does with the entry at login: GLib's launcher (gio launch) starts the program
// wherever it lives, and the entry passes desktop-file-validate.
TEST(AutostartEntryTest, TheDesktopsLauncherStartsTheProgramWhateverItsPath) {
  if (std::system("command -v gio >/dev/null && command -v desktop-file-validate >/dev/null") !=
      0) {
    GTEST_SKIP() << "gio (libglib2.0-bin) and desktop-file-validate (desktop-file-utils) needed";
  }
  TemporaryFolder folder;
  for (const std::string place : {"plain", "50%", "a b%", "it's $HOME"}) {
    SCOPED_TRACE(place);
    const auto program = folder.path / place / "plivex";
    const auto ran = folder.path / "ran";
    std::filesystem::create_directories(program.parent_path());
    writeText(program, "#!/bin/sh\necho started > '" + ran.string() + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    std::filesystem::remove(ran);
    const auto entry = folder.path / "plivex.desktop";
    writeText(entry, desktop::XdgAutostartLoginItems::desktopEntry(program));
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);
    EXPECT_EQ(std::system(("gio launch '" + entry.string() + "'").c_str()), 0);
    EXPECT_TRUE(testing_support::waitUntil([&] { return std::filesystem::exists(ran); }));
  }
}

TEST(AutostartEntryTest, OnlyHiddenTrueInTheMainGroupSwitchesTheEntryOff) {
  const std::vector<std::pair<std::string, bool>> cases{
      {"[Desktop Entry]\nHidden=true\n", true},
      {"[Desktop Entry]\nHidden = true \n", true},
      {"[Desktop Entry]\nHidden=false\n", false},
      {"[Desktop Entry]\nName=Plivex\n[Desktop Action New]\nHidden=true\n", false},
      {"[Desktop Entry]\nX-Hidden=true\n", false},
  };
  for (const auto& [entry, hidden] : cases) {
    EXPECT_EQ(desktop::XdgAutostartLoginItems::isHidden(entry), hidden) << entry;
  }
}

TEST(AutostartEntryTest, TheEntryLivesInTheXdgConfigFolder) {
  EXPECT_EQ(desktop::XdgAutostartLoginItems::defaultEntryFile("/cfg", "/home/u"),
            "/cfg/autostart/plivex.desktop");
  EXPECT_EQ(desktop::XdgAutostartLoginItems::defaultEntryFile("relative", "/home/u"),
            "/home/u/.config/autostart/plivex.desktop");
  EXPECT_EQ(desktop::XdgAutostartLoginItems::defaultEntryFile(nullptr, nullptr), std::nullopt);
  EXPECT_EQ(X11TriggerKeyActions::defaultStateDirectory("/run/user/1000", "/c", "/home/u"),
            "/run/user/1000/plivex");
  EXPECT_EQ(X11TriggerKeyActions::defaultStateDirectory(nullptr, nullptr, "/home/u"),
            "/home/u/.cache/plivex");
}

TEST(WithheldKeyRecordTest, ARecordReadsBackAndAnythingElseIsRefused) {
  const WithheldKeyRecord record{":1", 66, {0xffe5, 0, 0xffe5, 0}};
  const std::string text = encode(record);
  EXPECT_EQ(text, "plivex withheld key 1\ndisplay :1\nkeycode 66\nkeysyms ffe5 0 ffe5 0\n");
  EXPECT_EQ(decodeWithheldKeyRecord(text), record);
  for (const std::string& bad :
       {std::string(), std::string("plivex withheld key 2\ndisplay :1\nkeycode 66\nkeysyms 1\n"),
        text.substr(0, text.size() / 2), text + "more\n",
        std::string("plivex withheld key 1\ndisplay :1\nkeycode 300\nkeysyms ffe5\n"),
        std::string("plivex withheld key 1\ndisplay :1\nkeycode 66\nkeysyms fz\n"),
        std::string("plivex withheld key 1\ndisplay :1\nkeycode 66\nkeysyms \n")}) {
    EXPECT_EQ(decodeWithheldKeyRecord(bad), std::nullopt) << bad;
  }
}

TEST(WithheldKeyRecordTest, ADisplayIsNamedWithoutItsScreen) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {":1", ":1"},   {":1.0", ":1"}, {"unix:1", ":1"}, {"host:10.0", "host:10"},
      {"odd", "odd"}, {":x", ":x"},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(displayKey(name), key) << name;
  EXPECT_EQ(recordFileName("/tmp/launch/org.xquartz:0"), "withheld-key-_tmp_launch_org.xquartz:0");
}

TEST(KeymapLayoutsTest, EachGroupGetsAnIdentifierOfItsOwn) {
  struct Case {
    const char* layouts;
    const char* variants;
    int groups;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {"us,ru,de", ",,", 3, {"us", "ru", "de"}},
      {"us,us", ",dvorak", 2, {"us", "us(dvorak)"}},
      {"us,ru,us", "", 3, {"us", "ru", "us#3"}},
      {"us", "", 2, {"us", "group2"}},
      {"", "", 1, {"group1"}},
      {"us,ru,de", "", 2, {"us", "ru"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(layoutIdentifiers(c.layouts, c.variants, c.groups), c.expected) << c.layouts;
  }
}

}  // namespace
}  // namespace kestravane::platform::x11
