// The onboarding window's content: which steps it shows with which marks and buttons, when it
// says everything is set, its texts in both languages, and how it follows the system while the
// window is open (the controller re-checks every 1.5 seconds).
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "Kestravane/OnboardingView.h"

namespace kestravane {
namespace {

using platform::vmac::VirtualMac;
using testing_support::AppTest;
using testing_support::kRussian;

const ViewNode& node(const ViewNode& root, const std::string& id) {
  const auto* found = root.find(id);
  if (!found) throw std::runtime_error("no element " + id);
  return *found;
}

// One step as a user sees it: its mark and whether it offers a button.
struct StepView {
  std::string name;
  std::string mark;
  bool button;
  bool operator==(const StepView&) const = default;
};

void PrintTo(const StepView& step, std::ostream* out) {
  *out << step.name << ' ' << step.mark << (step.button ? " +button" : "");
}

std::vector<StepView> stepsOf(const ViewNode& root) {
  std::vector<StepView> steps;
  for (const char* name : {"step.accessibility", "step.globe", "step.capsLock", "step.layouts"}) {
    if (!root.find(name)) continue;
    const std::string prefix(name);
    steps.push_back(
        {prefix, node(root, prefix + ".mark").text, root.find(prefix + ".button") != nullptr});
  }
  return steps;
}

struct StepsCase {
  std::string name;
  std::function<void(VirtualMac&)> arrange;
  TriggerKind trigger;
  std::vector<StepView> steps;
  bool allSet;
};

void PrintTo(const StepsCase& c, std::ostream* out) {
  *out << c.name;
}

class OnboardingStepsTest : public AppTest, public testing::WithParamInterface<StepsCase> {};

TEST_P(OnboardingStepsTest, ShowTheRelevantStepsWithTheirMarksAndTheBottomRow) {
  const StepsCase& c = GetParam();
  c.arrange(mac);
  storeConfig(c.trigger);
  launch();
  const OnboardingView view(controller, [] {});
  const auto root = view.build();
  EXPECT_EQ(stepsOf(root), c.steps);
  EXPECT_EQ(root.find("allSet") != nullptr, c.allSet);
  EXPECT_EQ(view.allDone(), c.allSet);
  EXPECT_EQ(node(root, "close").text, c.allSet ? "Done" : "Close");
  root.forEach([](const ViewNode& element) {
    if (element.id.ends_with(".mark")) {
      EXPECT_EQ(element.colour, element.text == "✓" ? ColourRole::green : ColourRole::orange);
    }
  });
}

const auto kGranted = [](VirtualMac& mac) { mac.grantAllPermissions(); };
// The system's own Caps Lock switching turned off.
const auto kCapsLockFree = [](VirtualMac& mac) { mac.preferences().setRomanSwitchState(0); };

INSTANTIATE_TEST_SUITE_P(
    OnboardingView, OnboardingStepsTest,
    testing::Values(
        // Caps Lock: no Globe step, even while the system still uses the Globe key.
        StepsCase{"CapsLockWithoutAccessibility",
                  [](VirtualMac& mac) {
                    kCapsLockFree(mac);
                    mac.preferences().setFnUsageType(2);
                  },
                  TriggerKind::capsLock,
                  {{"step.accessibility", "○", true}, {"step.capsLock", "✓", false}},
                  false},
        // The Caps Lock step, as the Globe step for fn: macOS ships with its switching on.
        StepsCase{"CapsLockWhileTheSystemSwitchesWithIt",
                  kGranted,
                  TriggerKind::capsLock,
                  {{"step.accessibility", "✓", false}, {"step.capsLock", "○", true}},
                  false},
        StepsCase{"CapsLockFreeAllSet",
                  [](VirtualMac& mac) {
                    mac.grantAllPermissions();
                    kCapsLockFree(mac);
                  },
                  TriggerKind::capsLock,
                  {{"step.accessibility", "✓", false}, {"step.capsLock", "✓", false}},
                  true},
        StepsCase{"RightCommandAllSet",
                  kGranted,
                  TriggerKind::rightCommand,
                  {{"step.accessibility", "✓", false}},
                  true},
        StepsCase{"FnWithTheGlobeKeyFree",
                  [](VirtualMac& mac) {
                    mac.grantAllPermissions();
                    mac.preferences().setFnUsageType(0);
                  },
                  TriggerKind::fn,
                  {{"step.accessibility", "✓", false}, {"step.globe", "✓", false}},
                  true},
        StepsCase{"FnWithTheGlobeKeyOccupied",
                  kGranted,
                  TriggerKind::fn,
                  {{"step.accessibility", "✓", false}, {"step.globe", "○", true}},
                  false},
        StepsCase{"AccessibilityGrantedButOneLayout",
                  [](VirtualMac& mac) {
                    mac.grantAllPermissions();
                    kCapsLockFree(mac);
                    mac.inputSources().setEnabled(kRussian, false);
                  },
                  TriggerKind::capsLock,
                  {{"step.accessibility", "✓", false},
                   {"step.capsLock", "✓", false},
                   {"step.layouts", "○", true}},
                  false},
        StepsCase{"NothingInPlace",
                  [](VirtualMac& mac) { mac.inputSources().setEnabled(kRussian, false); },
                  TriggerKind::fn,
                  {{"step.accessibility", "○", true},
                   {"step.globe", "○", true},
                   {"step.layouts", "○", true}},
                  false},
        // Input Monitoring is not part of it.
        StepsCase{"InputMonitoringMissingIsStillAllSet",
                  [](VirtualMac& mac) {
                    mac.permissions().setAccessibilityTrusted(true);
                    kCapsLockFree(mac);
                  },
                  TriggerKind::capsLock,
                  {{"step.accessibility", "✓", false}, {"step.capsLock", "✓", false}},
                  true}),
    [](const testing::TestParamInfo<StepsCase>& info) { return info.param.name; });

class OnboardingViewTest : public AppTest {
 protected:
  // The window the controller opens at start-up, with this content in it.
  void openWindow() {
    launch();
    runPending();
    ASSERT_EQ(host->windows().size(), 1U);
    const auto& content = host->windows().front()->content;
    view.emplace(content.controller, content.onClose);
    view->appear();
  }
  std::string text(const std::string& id) { return node(view->build(), id).text; }
  bool has(const std::string& id) { return view->build().find(id) != nullptr; }

  std::optional<OnboardingView> view;
};

TEST_F(OnboardingViewTest, LaysOutTheTitleStepsDividerAndBottomRow) {
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  const auto root = view->build();
  EXPECT_EQ(root.kind, ViewNode::Kind::verticalStack);
  EXPECT_EQ(root.spacing, 18);
  EXPECT_EQ(root.padding, EdgeInsets::all(28));
  EXPECT_EQ(root.fixedWidth, 460);
  EXPECT_TRUE(root.idealHeight);
  EXPECT_FALSE(root.focusRing);
  std::vector<std::string> rows;
  for (const auto& child : root.children) {
    rows.push_back(child.kind == ViewNode::Kind::divider ? "divider" : child.id);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"title", "step.accessibility", "step.globe",
                                            "step.layouts", "divider", ""}));
  EXPECT_EQ(node(root, "title").font, FontRole::title2Bold);

  const auto& step = node(root, "step.layouts");
  EXPECT_EQ(step.kind, ViewNode::Kind::horizontalStack);
  EXPECT_EQ(step.alignment, StackAlignment::top);
  EXPECT_EQ(step.spacing, 12);
  EXPECT_EQ(step.children.back().kind, ViewNode::Kind::spacer);
  EXPECT_EQ(node(root, "step.layouts.mark").font, FontRole::title3Monospaced);
  EXPECT_EQ(node(root, "step.layouts.title").font, FontRole::headline);
  EXPECT_EQ(node(root, "step.layouts.hint").font, FontRole::callout);
  EXPECT_EQ(node(root, "step.layouts.hint").colour, ColourRole::secondary);
  const auto& button = node(root, "step.layouts.button");
  EXPECT_TRUE(button.bordered);
  EXPECT_EQ(button.controlSize, ControlSize::small);
  EXPECT_EQ(button.extraSpaceAbove, 2);
  EXPECT_EQ(node(root, "close").shortcut, KeyboardShortcut::defaultAction);
}

TEST_F(OnboardingViewTest, EveryTextInBothLanguagesWithTheSameMarks) {
  const auto texts = [this] {
    std::vector<std::string> all;
    view->build().forEach([&all](const ViewNode& element) {
      if (!element.text.empty()) all.push_back(element.text);
    });
    return all;
  };
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  EXPECT_EQ(texts(), (std::vector<std::string>{
                         "Set up Plivex", "○", "Allow Accessibility",
                         "So Plivex can see the trigger key.", "Grant…", "○", "Free the Globe key",
                         "In the opened settings set “Press 🌐 key to” → Do Nothing (applies "
                         "instantly).",
                         "Open Settings…", "○", "🟠 Need ≥2 layouts",
                         "Enable at least 2 layouts in macOS.", "Open Settings…", "Close"}));
  controller->apply(TriggerKind::fn, AppLanguage::ru, false);
  EXPECT_EQ(texts(),
            (std::vector<std::string>{
                "Настройка Plivex", "○", "Разреши Accessibility",
                "Чтобы Plivex видел клавишу-триггер.", "Разрешить…", "○", "Освободи клавишу Globe",
                "В открывшихся настройках поставь «Press 🌐 key to» → Do Nothing "
                "(применяется сразу).",
                "Открыть настройки…", "○", "🟠 Нужно ≥2 раскладок",
                "Включи минимум 2 раскладки в macOS.", "Открыть настройки…", "Закрыть"}));

  mac.grantAllPermissions();
  mac.preferences().setFnUsageType(0);
  mac.inputSources().setEnabled(kRussian, true);
  advance(1.5);
  EXPECT_EQ(text("allSet"), "✓ Готово — Plivex активен.");
  EXPECT_EQ(text("close"), "Готово");
  EXPECT_EQ(text("step.accessibility.mark"), "✓");
}

TEST_F(OnboardingViewTest, GrantingAccessibilityShowsAtTheNextCheckWithTheAllSetLine) {
  mac.permissions().setInputMonitoring(true);
  mac.preferences().setRomanSwitchState(0);
  storeConfig(TriggerKind::capsLock);
  openWindow();
  ASSERT_TRUE(has("step.accessibility.button"));

  mac.permissions().setAccessibilityTrusted(true);
  advance(1.4);
  EXPECT_EQ(controller->health(), EngineHealth::noAccessibility) << "not re-checked yet";
  advance(0.1);
  EXPECT_EQ(text("step.accessibility.mark"), "✓");
  EXPECT_FALSE(has("step.accessibility.button"));
  EXPECT_EQ(text("allSet"), "✓ All set — Plivex is active.");
  EXPECT_EQ(node(view->build(), "allSet").colour, ColourRole::green);
  EXPECT_EQ(text("close"), "Done");
  EXPECT_TRUE(controller->isRunning()) << "the same check started the engine";
}

TEST_F(OnboardingViewTest, TheCapsLockStepInBothLanguagesIsDoneAtTheNextCheck) {
  mac.grantAllPermissions();
  storeConfig(TriggerKind::capsLock);
  openWindow();
  EXPECT_EQ(text("step.capsLock.title"), "Free the Caps Lock key");
  EXPECT_EQ(text("step.capsLock.hint"),
            "In the opened settings, under Input Sources → Edit…, turn off “Use the Caps Lock key "
            "to switch to and from ABC” (applies instantly).");
  node(view->build(), "step.capsLock.button").action();
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);
  controller->apply(TriggerKind::capsLock, AppLanguage::ru, false);
  EXPECT_EQ(text("step.capsLock.title"), "Освободи клавишу Caps Lock");
  EXPECT_EQ(text("step.capsLock.hint"),
            "В открывшихся настройках, в Input Sources → Edit…, выключи «Use the Caps Lock key "
            "to switch to and from ABC» (применяется сразу).");

  mac.preferences().setRomanSwitchState(0);
  advance(1.5);
  EXPECT_EQ(text("step.capsLock.mark"), "✓");
  EXPECT_FALSE(has("step.capsLock.button"));
  EXPECT_TRUE(has("allSet"));
  EXPECT_TRUE(controller->isRunning());
}

TEST_F(OnboardingViewTest, TheLayoutsStepGoesAwayAtTheNextCheckAfterASecondLayoutIsEnabled) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  ASSERT_TRUE(has("step.layouts"));

  mac.inputSources().setEnabled(kRussian, true);
  advance(1.0);
  EXPECT_TRUE(has("step.layouts"));
  advance(0.5);
  EXPECT_FALSE(has("step.layouts"));
  EXPECT_TRUE(has("allSet"));
}

TEST_F(OnboardingViewTest, ItsButtonsGrantOpenSettingsAndClose) {
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  node(view->build(), "step.accessibility.button").action();
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  node(view->build(), "step.globe.button").action();
  node(view->build(), "step.layouts.button").action();
  const auto urls = mac.workspace().openedURLs();
  ASSERT_EQ(urls.size(), 2U);
  EXPECT_EQ(urls[0].absoluteString, AppController::kKeyboardSettingsURL);
  EXPECT_EQ(urls[1].absoluteString, AppController::kKeyboardSettingsURL);

  // Close, whatever is still missing: the window closes and the controller forgets it.
  node(view->build(), "close").action();
  EXPECT_FALSE(host->windows().front()->isOpen());
  EXPECT_FALSE(controller->hasOnboardingWindow());
}

TEST_F(OnboardingViewTest, AppearingReconcilesOnceAndAGoneControllerLeavesAnEmptyContent) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  mac.inputSources().setEnabled(kRussian, true);
  view->appear();
  EXPECT_EQ(controller->layouts().size(), 2U);
  EXPECT_FALSE(has("step.layouts"));

  controller.reset();
  EXPECT_TRUE(view->build().children.empty());
  EXPECT_FALSE(view->allDone());
  view->appear();  // nothing to reconcile, and no crash
}

}  // namespace
}  // namespace kestravane
