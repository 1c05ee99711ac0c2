// Checks of the scenario runner itself: a mistyped file is refused at the right line, the event
// notation reads back what it writes, and a scenario whose expectations are wrong is reported
// with the line, the expected and the actual value (so a passing scenario means something).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Scenarios/Notation.h"
#include "Scenarios/ScenarioParser.h"
#include "Scenarios/ScenarioPlayer.h"

namespace kestravane::scenario {
namespace {

struct BadScenario {
  const char* text;
  int line;
  const char* messagePart;
};

TEST(ScenarioParser, RefusesMistakesAtTheirLine) {
  const std::vector<BadScenario> cases{
      {"trigger fn\npress globe\n", 2, "unknown key"},
      {"trigger fn\n\n# comment\nwait 300\n", 4, "needs a unit"},
      {"trigger fn\nwait 3min\n", 2, "unknown unit"},
      {"trigger fn\ntap a\nsuppress none\n", 3, "before the first step"},
      {"tap a\n", 1, "trigger first"},
      {"suppress tap\n", 1, "names no trigger"},
      {"trigger fnGlobe\n", 1, "unknown trigger"},
      {"trigger fn\nexpect app down a\n", 2, "cannot read the event"},
      {"trigger fn\nexpect app flags 63\n", 2, "cannot read the event"},
      {"trigger fn\nexpect health active broken\n", 2, "unknown health"},
      {"trigger fn\nexpect switch ok=maybe\n", 2, "ok is true or false"},
      {"trigger fn\nstart fails crashed\n", 2, "unknown engine error"},
      {"trigger fn\nexpect fires\n", 2, "expected 3 words"},
      {"trigger fn\npost down fn\n", 2, "post needs"},
      {"trigger fn\nfly away\n", 2, "unknown action"},
      {"trigger fn\nclick middle\n", 2, "mouse buttons are left, right and other"},
      {"trigger fn\nmedia eject\n", 2, "unknown media key"},
      {"trigger fn\ncaps-lock-abc maybe\n", 2, "expected on or off"},
      {"trigger fn\nexpect typed\n", 2, "needs the text or none"},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.text);
    try {
      parseScenario(bad.text, "bad.scn");
      ADD_FAILURE() << "accepted";
    } catch (const ParseError& error) {
      EXPECT_EQ(error.line, bad.line);
      EXPECT_NE(std::string(error.what()).find(bad.messagePart), std::string::npos) << error.what();
    }
  }
}

TEST(ScenarioParser, ReadsHeaderStepsAndComments) {
  const auto scenario = parseScenario(
      "# a lone tap\n"
      "trigger rightCommand   # the right one\n"
      "suppress none\n"
      "hold -5ms\n"
      "layouts com.apple.keylayout.US disabled:com.apple.keylayout.German\n"
      "permissions accessibility\n"
      "start fails noInputMonitoring\n"
      "wait 2s\n"
      "post flags 54 0x100110\n"
      "expect log Plivex[engine] a # b#c\n"
      "expect app down rightCommand, keyup a 0x100\n",
      "ok.scn");
  EXPECT_EQ(scenario.header.trigger, TriggerKind::rightCommand);
  EXPECT_EQ(scenario.header.suppress, EventTapEngine::Suppress::none);
  EXPECT_EQ(scenario.header.holdTimeoutMs, -5);
  ASSERT_TRUE(scenario.header.layouts);
  ASSERT_EQ(scenario.header.layouts->size(), 2u);
  EXPECT_FALSE((*scenario.header.layouts)[1].enabled);
  EXPECT_EQ((*scenario.header.layouts)[1].id, "com.apple.keylayout.German");
  EXPECT_TRUE(scenario.header.accessibility);
  EXPECT_FALSE(scenario.header.inputMonitoring);

  ASSERT_EQ(scenario.steps.size(), 5u);
  EXPECT_EQ(scenario.steps[0].line, 7);
  EXPECT_EQ(std::get<step::Start>(scenario.steps[0].action).expectedError,
            EventTapEngine::EngineError::noInputMonitoring);
  EXPECT_EQ(std::get<step::Wait>(scenario.steps[1].action).nanos, 2'000'000'000u);
  EXPECT_EQ(std::get<step::Post>(scenario.steps[2].action).event,
            (platform::Event{platform::kEventFlagsChanged, 54, 0x100110, 0}));
  // A '#' inside a word is text; one after a blank starts a comment.
  EXPECT_EQ(std::get<step::ExpectLog>(scenario.steps[3].action).line, "Plivex[engine] a");
  const auto& app = std::get<step::ExpectApp>(scenario.steps[4].action);
  ASSERT_EQ(app.events.size(), 2u);
  EXPECT_EQ(app.events[1].exactFlags, 0x100u);
}

TEST(ScenarioNotation, RawFormMatchesExactlyTheEventItDescribes) {
  const std::vector<platform::Event> events{
      {platform::kEventFlagsChanged, 63, 0x800100, 0},
      {platform::kEventFlagsChanged, 63, 0x100, 0},
      {platform::kEventFlagsChanged, 54, 0x100110, 0},
      {platform::kEventFlagsChanged, 57, 0x10100, 0},
      {platform::kEventKeyDown, 0, 0x20102, 0},
      {platform::kEventKeyDown, 0, 0x100, 1},
      {platform::kEventKeyUp, 123, 0xa00100, 0},
      {platform::kEventFlagsChanged, 100, 0x100, 0},  // a key code without a name
      {platform::kEventLeftMouseDown, 0, 0x100110, 0, 0, 0},
      {platform::kEventLeftMouseUp, 0, 0x100110, 0, 0, 0},
      {platform::kEventRightMouseDown, 0, 0x100, 0, 1, 0},
      {platform::kEventOtherMouseDown, 0, 0x100, 0, 2, 0},
      {platform::kEventSystemDefined, 0, 0x800100, 0, 0, 0x20A00},
      {platform::kEventSystemDefined, 0, 0x800100, 0, 0, 0x20B00},
      {platform::kEventSystemDefined, 0, 0x100, 0, 0, 0x100A00},
  };
  for (const auto& event : events) {
    const std::string text = describe(event);
    SCOPED_TRACE(text);
    const auto open = text.find('[');
    const auto raw = parseEventPattern(text.substr(open + 1, text.find(']') - open - 1));
    ASSERT_TRUE(raw);
    EXPECT_TRUE(raw->matches(event));
    for (const auto& other : events) {
      if (!(other == event)) {
        EXPECT_FALSE(raw->matches(other));
      }
    }
  }
  EXPECT_EQ(describe(events[0]), "down fn [flags 63 0x800100]");
  EXPECT_EQ(describe(events[1]), "up fn [flags 63 0x100]");
  EXPECT_EQ(describe(events[3]), "down capsLock [flags 57 0x10100]");
  EXPECT_EQ(describe(events[5]), "repeat a [repeat 0 0x100]");
  EXPECT_EQ(describe(events[8]), "mousedown left [mousedown left 0x100110]");
  EXPECT_EQ(describe(events[12]), "sysdown brightnessUp [sysdown brightnessUp 0x800100]");
  EXPECT_EQ(describe(events[14]), "sysdown play [sysdown play 0x100]");
}

TEST(ScenarioNotation, ReadableFormIgnoresOtherFlagsButNotTheKeysOwnState) {
  const auto down = parseEventPattern("down rightCommand");
  ASSERT_TRUE(down);
  EXPECT_TRUE(down->matches({platform::kEventFlagsChanged, 54, 0x100110, 0}));
  EXPECT_TRUE(down->matches({platform::kEventFlagsChanged, 54, 0x120112, 0}));
  // The general Command flag alone (left Command still held) is not the right key down.
  EXPECT_FALSE(down->matches({platform::kEventFlagsChanged, 54, 0x100108, 0}));
  EXPECT_FALSE(down->matches({platform::kEventFlagsChanged, 55, 0x100110, 0}));

  const auto keyDown = parseEventPattern("keydown a");
  ASSERT_TRUE(keyDown);
  EXPECT_TRUE(keyDown->matches({platform::kEventKeyDown, 0, 0x20102, 0}));
  EXPECT_FALSE(keyDown->matches({platform::kEventKeyDown, 0, 0x100, 1}));  // a repeat
  EXPECT_FALSE(keyDown->matches({platform::kEventKeyUp, 0, 0x100, 0}));
}

TEST(ScenarioPlayer, ReportsEachWrongExpectationWithItsLineAndBothValues) {
  const auto scenario = parseScenario(
      "trigger fn\n"
      "start\n"
      "tap fn\n"
      "expect fires 0\n"
      "expect app down fn, up fn\n"
      "expect layout com.apple.keylayout.US\n"
      "expect switch ok=false\n"
      "expect log wrong line\n"
      "expect health active tapDisabled\n"
      "release a\n"
      "expect fires 0\n",
      "wrong.scn");
  const auto mismatches = playScenario(scenario);
  ASSERT_EQ(mismatches.size(), 7u);
  const std::vector<std::tuple<int, std::string, std::string>> expected{
      {4, "0 fires", "1 fires"},
      {5, "down fn, up fn", "down fn [flags 63 0x800100]"},
      {6, "com.apple.keylayout.US", "com.apple.keylayout.Russian"},
      {7, "ok=false (on the main thread)",
       "ok=true requested=com.apple.keylayout.Russian actual=com.apple.keylayout.Russian (on the "
       "main thread)"},
      {8, "wrong line", "Plivex[engine] start: AXIsProcessTrusted=true listenEventAccess=true"},
      {9, "active tapDisabled", "active"},
      {10, "a key that is down", "a is not down"},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(mismatches[i].line, std::get<0>(expected[i]));
    EXPECT_EQ(mismatches[i].expected, std::get<1>(expected[i]));
    EXPECT_EQ(mismatches[i].actual, std::get<2>(expected[i]));
  }
}

}  // namespace
}  // namespace kestravane::scenario
