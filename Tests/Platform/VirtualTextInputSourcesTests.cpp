#include "Platform/Virtual/VirtualTextInputSources.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestravane::platform::vmac {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kLayout{kTISTypeKeyboardLayout};
const std::string kMethod{kTISTypeKeyboardInputMethodModeEnabled};
const std::string kMode{kTISTypeKeyboardInputMode};

// The filter the layout switcher uses: enabled, select-capable keyboard layouts.
const InputSourceFilter kCycleFilter{
    {std::string(kTISPropertyInputSourceType), std::string(kTISTypeKeyboardLayout)},
    {std::string(kTISPropertyInputSourceIsSelectCapable), true},
    {std::string(kTISPropertyInputSourceIsEnabled), true},
};

std::vector<std::optional<std::string>> identifiers(
    VirtualTextInputSources& system,
    const std::optional<std::vector<std::shared_ptr<InputSource>>>& list) {
  std::vector<std::optional<std::string>> result;
  if (!list) return result;
  for (const auto& source : *list) {
    result.push_back(source ? system.stringProperty(*source, kTISPropertyInputSourceID)
                            : std::optional<std::string>("<null>"));
  }
  return result;
}

std::vector<std::optional<std::string>> cycle(VirtualTextInputSources& system) {
  return identifiers(system, system.createInputSourceList(kCycleFilter, false));
}

std::shared_ptr<InputSource> find(VirtualTextInputSources& system, const std::string& id) {
  const InputSourceFilter filter{{std::string(kTISPropertyInputSourceID), id}};
  auto list = system.createInputSourceList(filter, true);
  return list && list->size() == 1 ? list->front() : nullptr;
}

// Layouts, an input method with its modes, a disabled and a non-select-capable layout, mixed.
VirtualTextInputSources mixedSystem() {
  return VirtualTextInputSources(
      {
          {"com.apple.keylayout.ABC", "ABC", kLayout, true, true},
          {"com.apple.inputmethod.SCIM", "Pinyin", kMethod, true, false},
          {"com.apple.inputmethod.SCIM.ITABC", "Pinyin – Simplified", kMode, true, true},
          {"com.apple.keylayout.German", "German", kLayout, false, true},
          {"com.apple.keylayout.Russian", "Russian", kLayout, true, true},
          {"com.example.keylayout.Unselectable", "Unselectable", kLayout, true, false},
          {"com.apple.keylayout.Ukrainian", "Ukrainian", kLayout, true, true},
      },
      "com.apple.keylayout.ABC");
}

TEST(VirtualTextInputSourcesTest, CycleFilterListsEnabledSelectableLayoutsInSystemOrder) {
  auto system = mixedSystem();
  EXPECT_THAT(cycle(system), ElementsAre("com.apple.keylayout.ABC", "com.apple.keylayout.Russian",
                                         "com.apple.keylayout.Ukrainian"));

  system.moveSource("com.apple.keylayout.Ukrainian", 0);
  system.setEnabled("com.apple.keylayout.German", true);
  EXPECT_THAT(cycle(system),
              ElementsAre("com.apple.keylayout.Ukrainian", "com.apple.keylayout.ABC",
                          "com.apple.keylayout.German", "com.apple.keylayout.Russian"));
}

TEST(VirtualTextInputSourcesTest, DefaultSystemCyclesUSAndRussianWithUSCurrent) {
  VirtualTextInputSources system;
  EXPECT_THAT(cycle(system), ElementsAre("com.apple.keylayout.US", "com.apple.keylayout.Russian"));
  EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.US");
  // German is installed, only not enabled.
  EXPECT_NE(find(system, "com.apple.keylayout.German"), nullptr);
  EXPECT_EQ(system.createInputSourceList({{std::string(kTISPropertyInputSourceID),
                                           std::string("com.apple.keylayout.German")}},
                                         false),
            std::optional<std::vector<std::shared_ptr<InputSource>>>(
                std::vector<std::shared_ptr<InputSource>>{}));
}

TEST(VirtualTextInputSourcesTest, FiltersMatchEveryEntryWithItsOwnType) {
  auto system = mixedSystem();
  struct Case {
    const char* name;
    InputSourceFilter filter;
    bool includeAllInstalled;
    std::vector<std::optional<std::string>> expected;
  };
  const std::string idKey{kTISPropertyInputSourceID};
  const std::string typeKey{kTISPropertyInputSourceType};
  const std::string enabledKey{kTISPropertyInputSourceIsEnabled};
  const std::vector<Case> cases{
      {"modes only", {{typeKey, kMode}}, false, {"com.apple.inputmethod.SCIM.ITABC"}},
      {"disabled only with all installed",
       {{enabledKey, false}},
       true,
       {"com.apple.keylayout.German"}},
      {"disabled only without all installed", {{enabledKey, false}}, false, {}},
      {"by localized name",
       {{std::string(kTISPropertyLocalizedName), std::string("Russian")}},
       false,
       {"com.apple.keylayout.Russian"}},
      {"boolean where a string is stored", {{idKey, true}}, false, {}},
      {"string where a boolean is stored", {{enabledKey, std::string("true")}}, false, {}},
      {"a property no source has",
       {{std::string("TISPropertyBundleID"), std::string("x")}},
       false,
       {}},
      {"empty filter lists every enabled source",
       {},
       false,
       {"com.apple.keylayout.ABC", "com.apple.inputmethod.SCIM", "com.apple.inputmethod.SCIM.ITABC",
        "com.apple.keylayout.Russian", "com.example.keylayout.Unselectable",
        "com.apple.keylayout.Ukrainian"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = system.createInputSourceList(c.filter, c.includeAllInstalled);
    ASSERT_TRUE(list.has_value());  // no match is an empty list, not nothing
    EXPECT_EQ(identifiers(system, list), c.expected);
  }
}

TEST(VirtualTextInputSourcesTest, StringPropertiesMayBeAbsent) {
  VirtualTextInputSources system(
      {{"com.apple.keylayout.US", "U.S.", kLayout, true, true},
       {"com.example.keylayout.Nameless", std::nullopt, kLayout, true, true},
       {std::nullopt, "Broken", kLayout, true, true}},
      "com.apple.keylayout.US");
  auto list = system.createInputSourceList(kCycleFilter, false);
  ASSERT_TRUE(list && list->size() == 3);
  EXPECT_EQ(system.stringProperty(*(*list)[0], kTISPropertyLocalizedName), "U.S.");
  EXPECT_EQ(system.stringProperty(*(*list)[1], kTISPropertyInputSourceID),
            "com.example.keylayout.Nameless");
  EXPECT_EQ(system.stringProperty(*(*list)[1], kTISPropertyLocalizedName), std::nullopt);
  EXPECT_EQ(system.stringProperty(*(*list)[2], kTISPropertyInputSourceID), std::nullopt);
  EXPECT_EQ(system.stringProperty(*(*list)[2], kTISPropertyLocalizedName), "Broken");
  EXPECT_EQ(system.stringProperty(*(*list)[0], kTISPropertyInputSourceIsEnabled), std::nullopt);

  // A reference from another system is not one of this system's sources.
  VirtualTextInputSources other;
  EXPECT_EQ(other.stringProperty(*(*list)[0], kTISPropertyInputSourceID), std::nullopt);
  EXPECT_EQ(other.selectInputSource(*(*list)[0]), paramErr);
}

TEST(VirtualTextInputSourcesTest, SelectionChecksEnabledAndSelectCapable) {
  VirtualTextInputSources system;
  struct Case {
    std::string id;
    OSStatus status;
    std::string currentAfter;
  };
  const std::string kotoeri = "com.apple.inputmethod.Kotoeri.RomajiTyping";
  const std::vector<Case> cases{
      {"com.apple.keylayout.Russian", noErr, "com.apple.keylayout.Russian"},
      {"com.apple.keylayout.German", paramErr, "com.apple.keylayout.Russian"},  // disabled
      {kotoeri, paramErr, "com.apple.keylayout.Russian"},                       // not selectable
      {kotoeri + ".Japanese", noErr, kotoeri + ".Japanese"},                    // an input mode
      {"com.apple.keylayout.US", noErr, "com.apple.keylayout.US"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto source = find(system, c.id);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(system.selectInputSource(*source), c.status);
    EXPECT_EQ(system.currentSourceID(), c.currentAfter);
    auto current = system.copyCurrentKeyboardInputSource();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(system.stringProperty(*current, kTISPropertyInputSourceID), c.currentAfter);
  }
  EXPECT_EQ(system.selectCallCount(), static_cast<int>(cases.size()));
}

TEST(VirtualTextInputSourcesTest, IgnoredSelectionChangesNothingWhateverItReports) {
  for (const OSStatus reported : {noErr, OSStatus{-25299}}) {
    SCOPED_TRACE(reported);
    VirtualTextInputSources system;
    system.setSelectionIgnored(true, reported);
    auto russian = find(system, "com.apple.keylayout.Russian");
    ASSERT_NE(russian, nullptr);
    EXPECT_EQ(system.selectInputSource(*russian), reported);
    EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.US");

    system.setSelectionIgnored(false);
    EXPECT_EQ(system.selectInputSource(*russian), noErr);
    EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.Russian");
  }
}

TEST(VirtualTextInputSourcesTest, SourceVanishesRightAfterTheNextList) {
  VirtualTextInputSources system;
  system.vanishAfterNextList("com.apple.keylayout.Russian");
  auto first = system.createInputSourceList(kCycleFilter, false);
  EXPECT_THAT(identifiers(system, first),
              ElementsAre("com.apple.keylayout.US", "com.apple.keylayout.Russian"));
  // The reference taken before it vanished is stale now.
  EXPECT_EQ(system.selectInputSource(*(*first)[1]), paramErr);
  EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.US");
  EXPECT_THAT(cycle(system), ElementsAre("com.apple.keylayout.US"));
  EXPECT_EQ(system.listCallCount(), 2);
}

TEST(VirtualTextInputSourcesTest, LosingTheCurrentSourceFallsBackToFirstUsableLayout) {
  VirtualTextInputSources system;
  system.setCurrentSource("com.apple.keylayout.Russian");
  system.vanishAfterNextList("com.apple.keylayout.Russian");
  cycle(system);
  EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.US");

  system.setEnabled("com.apple.keylayout.US", false);
  EXPECT_EQ(system.currentSourceID(), std::nullopt);
  EXPECT_EQ(system.copyCurrentKeyboardInputSource(), nullptr);
}

TEST(VirtualTextInputSourcesTest, ReplacedSourcesInvalidateOldReferences) {
  VirtualTextInputSources system;
  auto oldRussian = find(system, "com.apple.keylayout.Russian");
  system.setSources(VirtualTextInputSources::defaultSources());
  EXPECT_EQ(system.currentSourceID(), "com.apple.keylayout.US");
  EXPECT_EQ(system.selectInputSource(*oldRussian), paramErr);
  EXPECT_EQ(system.selectInputSource(*find(system, "com.apple.keylayout.Russian")), noErr);
}

TEST(VirtualTextInputSourcesTest, ListFailureModes) {
  VirtualTextInputSources system;
  system.setListFails(true);
  EXPECT_EQ(system.createInputSourceList(kCycleFilter, false), std::nullopt);
  system.setListFails(false);

  system.setListAppendsForeignEntry(true);
  EXPECT_THAT(cycle(system),
              ElementsAre("com.apple.keylayout.US", "com.apple.keylayout.Russian", "<null>"));
}

TEST(VirtualTextInputSourcesTest, CurrentSourceControl) {
  VirtualTextInputSources system;
  const std::string mode = "com.apple.inputmethod.Kotoeri.RomajiTyping.Japanese";
  EXPECT_TRUE(system.setCurrentSource(mode));
  EXPECT_EQ(
      system.stringProperty(*system.copyCurrentKeyboardInputSource(), kTISPropertyInputSourceType),
      kMode);
  EXPECT_FALSE(system.setCurrentSource("com.example.missing"));
  EXPECT_EQ(system.currentSourceID(), mode);
  system.clearCurrentSource();
  EXPECT_EQ(system.copyCurrentKeyboardInputSource(), nullptr);

  // A layout added later joins the end of the system's order.
  system.addSource({"com.apple.keylayout.French", "French", kLayout, true, true});
  EXPECT_THAT(cycle(system), ElementsAre("com.apple.keylayout.US", "com.apple.keylayout.Russian",
                                         "com.apple.keylayout.French"));
}

TEST(VirtualTextInputSourcesTest, ChangeObserverSeesEachChangeAfterItHappened) {
  VirtualTextInputSources system;
  std::vector<std::optional<std::string>> currentSeen;
  // Reading the model from inside the call shows that no lock is held and the change is done.
  system.setChangeObserver([&] { currentSeen.push_back(system.currentSourceID()); });

  auto russian = find(system, "com.apple.keylayout.Russian");
  ASSERT_NE(russian, nullptr);
  EXPECT_EQ(system.selectInputSource(*russian), noErr);
  EXPECT_THAT(currentSeen, ElementsAre("com.apple.keylayout.Russian"));

  EXPECT_TRUE(system.setEnabled("com.apple.keylayout.Russian", false));  // falls back to U.S.
  EXPECT_TRUE(system.setLocalizedName("com.apple.keylayout.US", "ABC"));
  EXPECT_EQ(currentSeen.size(), 3u);
  EXPECT_EQ(currentSeen[1], "com.apple.keylayout.US");

  // Calls that change nothing tell nobody.
  EXPECT_FALSE(system.setEnabled("com.example.none", true));
  EXPECT_NE(system.selectInputSource(*russian), noErr);  // disabled now
  system.setSelectionIgnored(true);
  auto us = find(system, "com.apple.keylayout.US");
  ASSERT_NE(us, nullptr);
  EXPECT_EQ(system.selectInputSource(*us), noErr);
  EXPECT_EQ(currentSeen.size(), 3u);

  system.vanishAfterNextList("com.apple.keylayout.German");
  cycle(system);
  EXPECT_EQ(currentSeen.size(), 4u);

  system.setChangeObserver(nullptr);
  system.clearCurrentSource();
  EXPECT_EQ(currentSeen.size(), 4u);
}

}  // namespace
}  // namespace kestravane::platform::vmac
