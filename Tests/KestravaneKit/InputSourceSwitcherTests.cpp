#include "KestravaneKit/InputSourceSwitcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Support/ForwardingInputSources.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::vmac::InputSourceDescription;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Named = InputSourceSwitcher::NamedSource;
using Result = InputSourceSwitcher::Result;

const std::string kLayout{platform::kTISTypeKeyboardLayout};
const std::string kMethod{platform::kTISTypeKeyboardInputMethodModeEnabled};
const std::string kMode{platform::kTISTypeKeyboardInputMode};

const std::string kABC = "com.apple.keylayout.ABC";
const std::string kRussian = "com.apple.keylayout.Russian";
const std::string kUkrainian = "com.apple.keylayout.Ukrainian";
const std::string kGerman = "com.apple.keylayout.German";
const std::string kPinyin = "com.apple.inputmethod.SCIM";
const std::string kPinyinMode = "com.apple.inputmethod.SCIM.ITABC";

InputSourceDescription layout(std::string id, std::optional<std::string> name = std::nullopt) {
  return {std::move(id), std::move(name), kLayout, true, true};
}

// Forwards to the virtual system and remembers how the list was asked for.
class RecordingInputSources : public testing_support::ForwardingInputSources {
 public:
  using ForwardingInputSources::ForwardingInputSources;

  std::optional<std::vector<std::shared_ptr<platform::InputSource>>> createInputSourceList(
      const platform::InputSourceFilter& filter, bool includeAllInstalled) override {
    requests.emplace_back(filter, includeAllInstalled);
    return ForwardingInputSources::createInputSourceList(filter, includeAllInstalled);
  }

  std::vector<std::pair<platform::InputSourceFilter, bool>> requests;
};

// A selection made on another connection (the tap thread's, on X11) that the system shows only
// from the question after the `late` first ones: `land` makes it.
class LateSelection final : public RecordingInputSources {
 public:
  using RecordingInputSources::RecordingInputSources;
  std::shared_ptr<platform::InputSource> copyCurrentKeyboardInputSource() override {
    if (land && questions++ == late) std::exchange(land, nullptr)();
    return RecordingInputSources::copyCurrentKeyboardInputSource();
  }
  int late = 0;
  int questions = 0;
  std::function<void()> land;
};

class InputSourceSwitcherTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualTextInputSources& system() { return rig.mac.inputSources(); }

  // Layouts, an input method with a mode, a disabled and a non-select-capable layout, a layout
  // listed twice and a broken one without an identifier, mixed as a real system lists them.
  void installMixedSources() {
    system().setSources({
        layout(kABC, "ABC"),
        {kPinyin, "Pinyin", kMethod, true, false},
        {kPinyinMode, "Pinyin – Simplified", kMode, true, true},
        {kGerman, "Deutsch", kLayout, false, true},
        layout(kRussian),  // no localized name
        {"com.example.keylayout.Unselectable", "Unselectable", kLayout, true, false},
        layout(kABC, "ABC again"),
        {std::nullopt, "Broken", kLayout, true, true},
        layout(kUkrainian, "Ukrainian"),
    });
  }

  testing_support::VirtualMacRig rig;
  InputSourceSwitcher switcher{*rig.services()};
};

TEST_F(InputSourceSwitcherTest, AsksForEnabledSelectCapableKeyboardLayoutsOfTheEnabledSet) {
  auto recorder = std::make_shared<RecordingInputSources>(rig.services()->inputSources);
  InputSourceSwitcher(*rig.editedServices([&](platform::Services& services) {
    services.inputSources = recorder;
  })).enabledSelectableSourceIDs();

  const platform::InputSourceFilter expected{
      {std::string(platform::kTISPropertyInputSourceType), kLayout},
      {std::string(platform::kTISPropertyInputSourceIsSelectCapable), true},
      {std::string(platform::kTISPropertyInputSourceIsEnabled), true},
  };
  ASSERT_EQ(recorder->requests.size(), 1u);
  EXPECT_EQ(recorder->requests[0].first, expected);
  EXPECT_FALSE(recorder->requests[0].second) << "include-all-installed must be false";
}

TEST_F(InputSourceSwitcherTest, ListsOnlyLayoutsOfTheCycleInSystemOrderWithDuplicates) {
  installMixedSources();
  EXPECT_THAT(switcher.enabledSelectableSourceIDs(), ElementsAre(kABC, kRussian, kABC, kUkrainian));
  EXPECT_THAT(switcher.enabledSelectableSources(),
              ElementsAre(Named{kABC, "ABC"}, Named{kRussian, "Russian"}, Named{kABC, "ABC again"},
                          Named{kUkrainian, "Ukrainian"}));
}

TEST_F(InputSourceSwitcherTest, ListFollowsTheSystemAtEveryCall) {
  installMixedSources();
  system().setEnabled(kRussian, false);
  system().moveSource(kUkrainian, 0);
  EXPECT_THAT(switcher.enabledSelectableSourceIDs(), ElementsAre(kUkrainian, kABC, kABC));
  system().setEnabled(kGerman, true);
  EXPECT_THAT(switcher.enabledSelectableSourceIDs(), ElementsAre(kUkrainian, kABC, kGerman, kABC));
}

TEST_F(InputSourceSwitcherTest, UnreadableListIsEmpty) {
  installMixedSources();
  system().setListFails(true);
  EXPECT_THAT(switcher.enabledSelectableSourceIDs(), IsEmpty());
  EXPECT_THAT(switcher.enabledSelectableSources(), IsEmpty());

  // An array holding something that is not an input source cannot be read as the list.
  system().setListFails(false);
  system().setListAppendsForeignEntry(true);
  EXPECT_THAT(switcher.enabledSelectableSourceIDs(), IsEmpty());
  EXPECT_THAT(switcher.enabledSelectableSources(), IsEmpty());
}

TEST_F(InputSourceSwitcherTest, DisplayNameOnlyNamesListedLayoutsByTheirLocalizedName) {
  installMixedSources();
  EXPECT_EQ(switcher.displayName(kUkrainian), "Ukrainian");
  EXPECT_EQ(switcher.displayName(kABC), "ABC") << "the first listed entry names it";
  EXPECT_EQ(switcher.displayName(kRussian), "Russian") << "no localized name";
  // Known to the system under another name, but not in the cycle.
  EXPECT_EQ(switcher.displayName(kGerman), "German");
  EXPECT_EQ(switcher.displayName(kPinyinMode), "ITABC");
  EXPECT_EQ(switcher.displayName("com.apple.keylayout.abc"), "abc");
  EXPECT_EQ(switcher.displayName("org.unknown.Layout"), "Layout");
}

TEST(InputSourceSwitcherShortName, LastNonEmptyPieceOrTheIdentifierItself) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"com.apple.keylayout.US", "US"},
      {"a.b.c", "c"},
      {".a.b", "b"},
      {"a..b", "b"},
      {"a.b.", "b"},
      {"..a...b...", "b"},
      {"Russian", "Russian"},
      {".", "."},
      {"...", "..."},
      {"", ""},
  };
  for (const auto& [id, expected] : cases) {
    EXPECT_EQ(InputSourceSwitcher::shortName(id), expected) << "identifier '" << id << "'";
  }
}

TEST_F(InputSourceSwitcherTest, CurrentSourceIsReadAsTheSystemNamesIt) {
  installMixedSources();
  system().setCurrentSource(kRussian);
  EXPECT_EQ(switcher.currentSourceID(), kRussian);
  system().setCurrentSource(kPinyinMode);  // an input mode, not in the cycle
  EXPECT_EQ(switcher.currentSourceID(), kPinyinMode);
  system().clearCurrentSource();
  EXPECT_EQ(switcher.currentSourceID(), std::nullopt);
}

struct SelectionCase {
  const char* name;
  std::vector<std::string> cycle;
  std::optional<std::string> current;  // absent: the system names no current source
  std::string expected;
};

TEST_F(InputSourceSwitcherTest, SwitchSelectsTheSuccessorOfTheCurrentSource) {
  const std::vector<SelectionCase> cases{
      {"middle", {kABC, kRussian, kUkrainian}, kABC, kRussian},
      {"last wraps", {kABC, kRussian, kUkrainian}, kUkrainian, kABC},
      {"input mode current", {kABC, kRussian}, kPinyinMode, kABC},
      {"nothing current", {kABC, kRussian}, std::nullopt, kABC},
      {"first duplicate decides", {kABC, kRussian, kABC, kUkrainian}, kABC, kRussian},
      {"single layout", {kRussian}, kRussian, kRussian},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<InputSourceDescription> sources;
    for (const auto& id : c.cycle) sources.push_back(layout(id));
    sources.push_back({kPinyinMode, "Pinyin", kMode, true, true});
    system().setSources(std::move(sources));
    if (c.current) {
      ASSERT_TRUE(system().setCurrentSource(*c.current));
    } else {
      system().clearCurrentSource();
    }
    const int selectsBefore = system().selectCallCount();

    const Result result = switcher.switchNext();

    EXPECT_EQ(result, (Result{c.expected, c.expected}));
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(system().currentSourceID(), c.expected);
    EXPECT_EQ(system().selectCallCount(), selectsBefore + 1);
  }
}

TEST_F(InputSourceSwitcherTest, RepeatedSwitchesWalkTheCycleAndWrap) {
  system().setSources({layout(kABC), layout(kRussian), layout(kUkrainian)});
  system().setCurrentSource(kABC);
  std::vector<std::optional<std::string>> requested;
  for (int i = 0; i < 4; ++i) requested.push_back(switcher.switchNext().requested);
  EXPECT_THAT(requested, ElementsAre(kRussian, kUkrainian, kABC, kRussian));
}

TEST_F(InputSourceSwitcherTest, SwitchListsTheSourcesTwice) {
  system().setSources({layout(kABC), layout(kRussian)});
  system().setCurrentSource(kABC);
  const int listsBefore = system().listCallCount();
  switcher.switchNext();
  EXPECT_EQ(system().listCallCount(), listsBefore + 2);
}

TEST_F(InputSourceSwitcherTest, EmptyCycleSelectsNothingAndReportsTheCurrentSource) {
  // Only an input method is enabled; its mode is current.
  system().setSources({
      {kPinyin, "Pinyin", kMethod, true, false},
      {kPinyinMode, "Pinyin – Simplified", kMode, true, true},
      {kGerman, "German", kLayout, false, true},
  });
  system().setCurrentSource(kPinyinMode);
  const int selectsBefore = system().selectCallCount();

  const Result result = switcher.switchNext();

  EXPECT_EQ(result, (Result{std::nullopt, kPinyinMode}));
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(system().selectCallCount(), selectsBefore);
  EXPECT_EQ(system().currentSourceID(), kPinyinMode);
}

TEST_F(InputSourceSwitcherTest, FailedListSelectsNothing) {
  system().setSources({layout(kABC), layout(kRussian)});
  system().setCurrentSource(kABC);
  system().setListFails(true);
  const Result result = switcher.switchNext();
  EXPECT_EQ(result, (Result{std::nullopt, kABC}));
  EXPECT_EQ(system().selectCallCount(), 0);
}

TEST_F(InputSourceSwitcherTest, LayoutThatVanishesBeforeSelectionIsNotSelected) {
  system().setSources({layout(kABC), layout(kRussian), layout(kUkrainian)});
  system().setCurrentSource(kABC);
  system().vanishAfterNextList(kRussian);  // removed right after the switch's first listing

  const Result result = switcher.switchNext();

  EXPECT_EQ(result, (Result{kRussian, kABC}));
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(system().selectCallCount(), 0);
  EXPECT_EQ(system().currentSourceID(), kABC);
}

TEST_F(InputSourceSwitcherTest, IgnoredSelectionShowsAsNotOk) {
  system().setSources({layout(kABC), layout(kRussian)});
  system().setCurrentSource(kABC);
  for (const platform::OSStatus status : {platform::vmac::noErr, platform::vmac::paramErr}) {
    system().setSelectionIgnored(true, status);
    const Result result = switcher.switchNext();
    EXPECT_EQ(result, (Result{kRussian, kABC})) << "status " << status;
    EXPECT_FALSE(result.ok());
  }
  EXPECT_EQ(system().selectCallCount(), 2) << "no retry";
}

// The X server may answer the main connection's questions before it takes the tap thread's
// selection: the outcome asks until it shows, and a selection that never lands is reported as
// it is once the wait is over.
TEST_F(InputSourceSwitcherTest, ASelectionMadeElsewhereIsAwaitedBriefly) {
  system().setSources({layout(kABC), layout(kRussian)});
  for (const int late : {0, 3}) {
    system().setCurrentSource(kABC);
    auto sources = std::make_shared<LateSelection>(rig.services()->inputSources);
    sources->late = late;
    sources->land = [this] { system().setCurrentSource(kRussian); };
    const auto services =
        rig.editedServices([&](platform::Services& edited) { edited.inputSources = sources; });
    EXPECT_EQ(InputSourceSwitcher(*services).outcomeOfSelecting(1), (Result{kRussian, kRussian}))
        << late << " answers late";
  }
  system().setCurrentSource(kABC);
  EXPECT_EQ(switcher.outcomeOfSelecting(1), (Result{kRussian, kABC}));
}

TEST(InputSourceSwitcherResult, EqualityComparesBothFieldsAndOkNeedsBothEqual) {
  const std::optional<std::string> none;
  const Result bothA{"A", "A"};
  EXPECT_TRUE(bothA.ok());
  EXPECT_FALSE((Result{"A", "B"}).ok());
  EXPECT_FALSE((Result{none, "A"}).ok());
  EXPECT_FALSE((Result{"A", none}).ok());
  EXPECT_FALSE((Result{none, none}).ok());
  EXPECT_FALSE((Result{"a", "A"}).ok()) << "identifiers compare exactly";

  EXPECT_EQ((Result{none, "A"}), (Result{none, "A"}));
  EXPECT_EQ((Result{none, none}), (Result{none, none}));
  EXPECT_NE((Result{none, "A"}), (Result{none, "B"}));
  EXPECT_NE((Result{none, "A"}), (Result{"A", "A"}));
  EXPECT_NE((Result{"A", none}), (Result{"A", "A"}));
  EXPECT_NE((Result{"A", "B"}), (Result{"B", "A"}));
}

}  // namespace
}  // namespace kestravane
