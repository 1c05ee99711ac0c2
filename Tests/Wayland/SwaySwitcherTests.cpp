// The Sway switcher and the text input sources over it, against a real headless Sway with a
// virtual keyboard of two layouts. What Sway reports is read back with its own swaymsg, apart from
// the switcher's connection. Skipped, saying so, only where Sway is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Wayland/SwayKeyOptions.h"
#include "Platform/Wayland/SwaySwitcher.h"
#include "Platform/Wayland/WaylandTextInputSources.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"
#include "Support/LogLines.h"
#include "Support/SpawnedProgram.h"
#include "Support/TemporaryFolder.h"
#include "Support/Waiting.h"
#include "SwayServer.h"

namespace kestravane::platform::wayland {
namespace {

using testing_support::SpawnedProgram;
using testing_support::SwayServer;
using testing_support::waitUntil;

class SwaySwitcherTest : public ::testing::Test {
 protected:
  // The test's lines of Sway's configuration, and whether Sway logs each command it runs.
  virtual std::string configuration() const { return {}; }
  virtual bool verbose() const { return false; }

  void SetUp() override {
    if (!SwayServer::installed()) GTEST_SKIP() << "sway is not installed (scripts/install-deps.sh)";
    sway = std::make_unique<SwayServer>(configuration(), verbose());
    ASSERT_TRUE(sway->running()) << "sway did not start:\n" << sway->log();
  }

  // A client that gives Sway a keyboard with these layouts, while it runs.
  std::unique_ptr<SpawnedProgram> startKeyboard(const std::string& layouts) {
    testing_support::ProgramOptions options;
    options.arguments = {layouts};
    options.environment = {{"XDG_RUNTIME_DIR", sway->runtimeDirectory()},
                           {"WAYLAND_DISPLAY", sway->waylandDisplay()}};
    auto keyboard = std::make_unique<SpawnedProgram>(PLIVEX_VIRTUAL_KEYBOARD, options);
    EXPECT_TRUE(keyboard->waitForOutput("ready")) << keyboard->stderrText;
    return keyboard;
  }

  std::unique_ptr<SwaySwitcher> makeSwitcher() {
    auto switcher = std::make_unique<SwaySwitcher>(sway->socketPath(), dispatch.mainQueue());
    switcher->setChangeObserver([this](DesktopChange change) { changes.push_back(change); });
    return switcher;
  }

  // The virtual keyboard's active layout index as swaymsg reads it.
  std::optional<int> activeIndexBySwaymsg() {
    const auto inputs = nlohmann::json::parse(sway->message("-r -t get_inputs"), nullptr, false);
    if (!inputs.is_array()) return std::nullopt;
    for (const auto& input : inputs) {
      if (input.value("name", "") == "virtual keyboard") {
        return input.value("xkb_active_layout_index", -1);
      }
    }
    return std::nullopt;
  }

  bool noticed(DesktopChange change) {
    return waitUntil([&] { return std::ranges::find(changes, change) != changes.end(); },
                     testing_support::kDefaultWait, &dispatch);
  }

  host::DispatchQueues dispatch{std::make_shared<host::SystemUptimeClock>()};
  std::unique_ptr<SwayServer> sway;
  std::vector<DesktopChange> changes;
};

TEST_F(SwaySwitcherTest, ListsTheLayoutsSelectsOneAndHearsOfIt) {
  const auto keyboard = startKeyboard("us,ru");
  const auto switcher = makeSwitcher();

  const auto layouts = switcher->read();
  ASSERT_TRUE(layouts) << switcher->unavailableReason().value_or("");
  EXPECT_EQ(*layouts, (DesktopLayouts{{{"", "English (US)"}, {"", "Russian"}}, 0}));
  EXPECT_FALSE(switcher->unavailableReason());

  for (const std::size_t index : {1u, 0u, 1u}) {
    changes.clear();
    ASSERT_TRUE(switcher->select(index));
    EXPECT_EQ(activeIndexBySwaymsg(), static_cast<int>(index));
    EXPECT_EQ(switcher->read()->active, index);
    EXPECT_TRUE(noticed(DesktopChange::active)) << "no notice after selecting " << index;
  }
  // Sway says yes to a layout it does not have, and leaves the keyboard alone.
  switcher->select(5);
  EXPECT_EQ(activeIndexBySwaymsg(), 1);
}

TEST_F(SwaySwitcherTest, TextInputSourcesNameTheLayoutsAsOnX11AndSwitch) {
  auto keyboard = startKeyboard("us,ru");
  WaylandTextInputSources sources(makeSwitcher());
  int observed = 0;
  sources.setSourcesChangedObserver([&] { ++observed; });

  const auto list = sources.createInputSourceList(
      {{std::string(kTISPropertyInputSourceIsSelectCapable), true}}, false);
  ASSERT_TRUE(list);
  std::vector<std::pair<std::string, std::string>> seen;
  for (const auto& source : *list) {
    seen.emplace_back(sources.stringProperty(*source, kTISPropertyInputSourceID).value_or("?"),
                      sources.stringProperty(*source, kTISPropertyLocalizedName).value_or("?"));
  }
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{{"us", "English (US)"},
                                                                    {"ru", "Russian"}}));
  auto current = sources.copyCurrentKeyboardInputSource();
  ASSERT_TRUE(current);
  EXPECT_EQ(sources.stringProperty(*current, kTISPropertyInputSourceID), "us");

  const auto russian =
      sources.createInputSourceList({{std::string(kTISPropertyInputSourceID), "ru"}}, false);
  ASSERT_TRUE(russian);
  ASSERT_EQ(russian->size(), 1u);
  EXPECT_EQ(sources.selectInputSource(*russian->front()), 0);
  current = sources.copyCurrentKeyboardInputSource();
  ASSERT_TRUE(current);
  EXPECT_EQ(sources.stringProperty(*current, kTISPropertyInputSourceID), "ru");
  EXPECT_EQ(activeIndexBySwaymsg(), 1);
  EXPECT_TRUE(waitUntil([&] { return observed > 0; }, testing_support::kDefaultWait, &dispatch));

  // A source listed before the keymap lost its layout: Sway would say yes, the read-back says no.
  const auto english =
      sources.createInputSourceList({{std::string(kTISPropertyInputSourceID), "us"}}, false);
  ASSERT_TRUE(english && english->size() == 1u);
  EXPECT_EQ(sources.selectInputSource(*english->front()), 0);
  keyboard->finish();
  const auto single = startKeyboard("de");
  EXPECT_EQ(sources.selectInputSource(*russian->front()), -50);
  EXPECT_EQ(sources.createInputSourceList({}, false)->size(), 1u);
}

// At rest a listing costs no round trip: it comes while Sway is paused and answers no one. A
// switch by another client shows at a later listing, though nothing handles its notice.
TEST_F(SwaySwitcherTest, KeepsTheListingUntilSwayTellsOfAChange) {
  const auto keyboard = startKeyboard("us,ru");
  const auto switcher = std::make_unique<SwaySwitcher>(sway->socketPath(), dispatch.mainQueue(),
                                                       std::chrono::milliseconds(300));
  ASSERT_TRUE(switcher->read());
  // The keyboard's own events may still be on their way; the listing after them is kept.
  waitUntil([] { return false; }, std::chrono::milliseconds(300), &dispatch);
  ASSERT_TRUE(switcher->read());

  sway->pause(true);
  const auto kept = switcher->read();
  sway->pause(false);
  ASSERT_TRUE(kept) << switcher->unavailableReason().value_or("");
  EXPECT_EQ(kept->active, 0u);

  sway->message("input type:keyboard xkb_switch_layout 1");
  EXPECT_TRUE(waitUntil([&] {
    const auto layouts = switcher->read();
    return layouts && layouts->active == 1;
  }));
}

TEST_F(SwaySwitcherTest, FollowsKeyboardsThatComeAndGo) {
  const auto switcher = makeSwitcher();
  ASSERT_TRUE(switcher->read());
  EXPECT_TRUE(switcher->read()->layouts.empty());

  auto keyboard = startKeyboard("us,ru");
  EXPECT_TRUE(noticed(DesktopChange::layouts));
  EXPECT_EQ(switcher->read()->layouts.size(), 2u);

  changes.clear();
  keyboard->finish();
  EXPECT_TRUE(noticed(DesktopChange::layouts));
  EXPECT_TRUE(switcher->read()->layouts.empty());
}

TEST_F(SwaySwitcherTest, SaysWhySwayIsGone) {
  const auto keyboard = startKeyboard("us,ru");
  const auto switcher = makeSwitcher();
  ASSERT_TRUE(switcher->read());

  sway->stop();
  EXPECT_TRUE(noticed(DesktopChange::availability));
  EXPECT_TRUE(switcher->unavailableReason());
  EXPECT_FALSE(switcher->read());
  EXPECT_FALSE(switcher->select(1));
  const auto reason = switcher->unavailableReason();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find(sway->socketPath()), std::string::npos) << *reason;
}

// A user who set Sway's options for every keyboard.
class SwayKeyOptionsTest : public SwaySwitcherTest {
 protected:
  std::string configuration() const override {
    return "input type:keyboard {\n  xkb_layout us,ru\n"
           "  xkb_options grp:alt_shift_toggle,caps:escape\n}\n";
  }
  bool verbose() const override { return true; }
};

// What Caps Lock types under the keymap the seat sent last, as the keyboard client prints it.
std::string lastCapsLockSymbol(SpawnedProgram& client) {
  client.readAvailable(10);
  const auto at = client.stdoutText.rfind("caps: ");
  if (at == std::string::npos) return {};
  const auto start = at + 6;
  return client.stdoutText.substr(start, client.stdoutText.find('\n', start) - start);
}

// Caps Lock's option joins the user's (read from Sway's configuration) and goes again: Sway
// accepts both commands (its verbose log shows the options given) and makes the keyboard's
// keymap of them, which the seat sends its clients: Caps Lock types nothing, then Escape (the
// user's caps:escape), then, with no options at all, Caps_Lock.
TEST_F(SwayKeyOptionsTest, SwayAppliesTheMergedOptionsAndTheUsersOwnAgain) {
  // Until input settings are applied to it, a virtual keyboard has its client's own keymap.
  const auto keyboard = startKeyboard("us");
  ASSERT_TRUE(waitUntil([&] { return lastCapsLockSymbol(*keyboard) == "Caps_Lock"; }))
      << keyboard->stdoutText;
  testing_support::TemporaryFolder folder;
  const auto log = std::make_shared<testing_support::LogLines>();
  const auto options = std::make_shared<SwayKeyOptions>(sway->socketPath());
  const XkbOptionList users{"grp:alt_shift_toggle", "caps:escape"};
  EXPECT_EQ(options->read(), users);
  {
    WaylandTriggerKeyActions actions(options, folder.path, log);
    ASSERT_TRUE(actions.withhold(triggerKey(TriggerKind::capsLock).keyCode))
        << testing::PrintToString(log->lines);
    EXPECT_EQ(options->read(), (XkbOptionList{"grp:alt_shift_toggle", "caps:none"}));
    EXPECT_NE(sway->log().find(R"(xkb_options "grp:alt_shift_toggle,caps:none")"),
              std::string::npos)
        << sway->log();
    EXPECT_TRUE(waitUntil([&] { return lastCapsLockSymbol(*keyboard) == "VoidSymbol"; }))
        << keyboard->stdoutText;
  }
  EXPECT_TRUE(log->lines.empty()) << testing::PrintToString(log->lines);
  EXPECT_EQ(options->read(), users);
  EXPECT_TRUE(waitUntil([&] { return lastCapsLockSymbol(*keyboard) == "Escape"; }))
      << keyboard->stdoutText;
  // No options at all is an options list too.
  EXPECT_EQ(options->write({}), std::nullopt);
  EXPECT_TRUE(waitUntil([&] { return lastCapsLockSymbol(*keyboard) == "Caps_Lock"; }))
      << keyboard->stdoutText;
}

}  // namespace
}  // namespace kestravane::platform::wayland
