// The onboarding window's view-model: which steps it shows with which marks and buttons, when it
// says everything is set, its texts in both languages, and how it follows the system while the
// window is open (the controller re-checks every 1.5 seconds).
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "Kestravane/OnboardingModel.h"
#include "Support/UnswitchableSources.h"

namespace kestravane {
namespace {

using platform::vmac::VirtualMac;
using testing_support::AppTest;
using testing_support::kRussian;

// The name the window gives a step's row.
std::string nameOf(const OnboardingStep& step) {
  switch (step.kind) {
    case OnboardingStep::Kind::accessibility:
      return "step.accessibility";
    case OnboardingStep::Kind::layouts:
      return "step.layouts";
    case OnboardingStep::Kind::triggerKey:
      break;
  }
  const auto look = Presentation::conflictLook(step.conflict);
  return "step." + std::string(look ? look->name : "");
}

const OnboardingStep* stepNamed(const OnboardingState& state, const std::string& name) {
  for (const auto& step : state.steps) {
    if (nameOf(step) == name) return &step;
  }
  return nullptr;
}

// The text of an element as the window names it ("title", "allSet", "close", "step.<x>.mark",
// ".title", ".hint", ".button"); absent when the window does not show it.
std::optional<std::string> element(const OnboardingState& state, const std::string& id) {
  if (id == "title") return state.title;
  if (id == "allSet") return state.allSet;
  if (id == "close") return state.closeLabel;
  const auto dot = id.rfind('.');
  const auto* step = stepNamed(state, id.substr(0, dot));
  if (!step) return stepNamed(state, id) ? std::optional<std::string>("") : std::nullopt;
  const std::string part = id.substr(dot + 1);
  if (part == "mark") {
    return std::string(step->done ? OnboardingModel::kDoneMark : OnboardingModel::kOpenMark);
  }
  if (part == "title") return step->title;
  if (part == "hint") return step->hint;
  if (part == "button" && !step->done && !step->button.empty()) return step->button;
  return std::nullopt;
}

std::string node(const OnboardingState& state, const std::string& id) {
  const auto text = element(state, id);
  if (!text) throw std::runtime_error("no element " + id);
  return *text;
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

std::vector<StepView> stepsOf(const OnboardingState& state) {
  std::vector<StepView> steps;
  for (const auto& step : state.steps) {
    steps.push_back(
        {nameOf(step),
         std::string(step.done ? OnboardingModel::kDoneMark : OnboardingModel::kOpenMark),
         !step.done});
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
  const auto state = OnboardingModel(controller, [] {}).state();
  EXPECT_EQ(stepsOf(state), c.steps);
  EXPECT_EQ(state.allSet.has_value(), c.allSet);
  EXPECT_EQ(state.closeLabel, c.allSet ? "Done" : "Close");
}

const auto kGranted = [](VirtualMac& mac) { mac.grantAllPermissions(); };
// The system's own Caps Lock switching turned off.
const auto kCapsLockFree = [](VirtualMac& mac) { mac.preferences().setRomanSwitchState(0); };

INSTANTIATE_TEST_SUITE_P(
    OnboardingModel, OnboardingStepsTest,
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

class OnboardingModelTest : public AppTest {
 protected:
  // The window the controller opens at start-up, with this content in it.
  // `desktop` edits the system further (a Wayland session, say).
  void openWindow(bool pcKeyboard = false,
                  const std::function<void(platform::Services&)>& desktop = {}) {
    if (pcKeyboard) {
      // The same system with a PC's keyboard, as on a Linux desktop.
      auto pc = std::make_shared<platform::Services>(*services());
      pc->pcKeyboard = true;
      if (desktop) desktop(*pc);
      controller = AppController::create(pc);
      controller->setWindowHost(host);
    } else {
      launch();
    }
    runPending();
    ASSERT_EQ(host->windows().size(), 1U);
    const auto& content = host->windows().front()->content;
    view.emplace(content.controller, content.onClose);
    view->appear();
  }
  std::string text(const std::string& id) { return node(view->state(), id); }
  bool has(const std::string& id) { return element(view->state(), id).has_value(); }
  // Presses a step's button, or the bottom one ("close").
  void press(const std::string& id) {
    if (id == "close") return view->close();
    const auto state = view->state();
    const auto* step = stepNamed(state, id.substr(0, id.rfind('.')));
    ASSERT_TRUE(step && !step->done) << id;
    view->perform(step->action);
  }

  std::optional<OnboardingModel> view;
};

TEST_F(OnboardingModelTest, EveryTextInBothLanguagesWithTheSameMarks) {
  const auto texts = [this] {
    std::vector<std::string> all;
    const auto state = view->state();
    all.push_back(state.title);
    for (const auto& step : state.steps) {
      all.push_back(
          std::string(step.done ? OnboardingModel::kDoneMark : OnboardingModel::kOpenMark));
      all.push_back(step.title);
      all.push_back(step.hint);
      if (!step.done) all.push_back(step.button);
    }
    if (state.allSet) all.push_back(*state.allSet);
    all.push_back(state.closeLabel);
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
  controller->apply({TriggerKind::fn, AppLanguage::ru, false});
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

TEST_F(OnboardingModelTest, GrantingAccessibilityShowsAtTheNextCheckWithTheAllSetLine) {
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
  EXPECT_EQ(text("close"), "Done");
  EXPECT_TRUE(controller->isRunning()) << "the same check started the engine";
}

TEST_F(OnboardingModelTest, TheCapsLockStepInBothLanguagesIsDoneAtTheNextCheck) {
  mac.grantAllPermissions();
  storeConfig(TriggerKind::capsLock);
  openWindow();
  EXPECT_EQ(text("step.capsLock.title"), "Free the Caps Lock key");
  EXPECT_EQ(text("step.capsLock.hint"),
            "In the opened settings, under Input Sources → Edit…, turn off “Use the Caps Lock key "
            "to switch to and from ABC” (applies instantly).");
  press("step.capsLock.button");
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);
  controller->apply({TriggerKind::capsLock, AppLanguage::ru, false});
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

// A PC keyboard has no Globe key: the Menu key that stands for fn has no Globe step, whatever the
// Mac's preference says, and the layouts step tells how a Linux desktop adds a layout.
TEST_F(OnboardingModelTest, OnAPcKeyboardTheMenuKeyHasNoGlobeStepAndTheHintsAreTheDesktops) {
  mac.grantAllPermissions();
  mac.preferences().setFnUsageType(2);
  mac.inputSources().setEnabled(kRussian, false);
  storeConfig(TriggerKind::fn);
  openWindow(true);
  EXPECT_FALSE(has("step.globe"));
  EXPECT_EQ(text("step.layouts.hint"),
            "Add at least 2 layouts in the keyboard settings, or run “setxkbmap -layout us,ru”.");
  mac.inputSources().setEnabled(kRussian, true);
  advance(1.5);
  EXPECT_TRUE(has("allSet"));
  EXPECT_TRUE(controller->isRunning()) << "the Globe preference must not block the Menu key";
}

// A desktop without a known keyboard-settings program: no step offers a button that would open
// nothing, and the Caps Lock step says what to run instead.
TEST_F(OnboardingModelTest, WhereNothingOpensTheSettingsTheStepsSayWhatToRun) {
  mac.grantAllPermissions();
  mac.preferences().setRomanSwitchState(1);
  mac.inputSources().setEnabled(kRussian, false);
  mac.workspace().setOpenURLResult(false);
  storeConfig(TriggerKind::capsLock);
  openWindow(true);
  EXPECT_FALSE(has("step.capsLock.button"));
  EXPECT_FALSE(has("step.layouts.button"));
  EXPECT_EQ(text("step.capsLock.hint"),
            "Free Caps Lock: run setxkbmap -option '' (clears the XKB options)");
  EXPECT_EQ(text("step.layouts.hint"),
            "Add at least 2 layouts in the keyboard settings, or run “setxkbmap -layout us,ru”.");
}

// In a Wayland session the first step asks for the `input` group, and on a desktop that Plivex
// cannot switch the layouts step says so, with where it works instead, and offers no button.
TEST_F(OnboardingModelTest, InAWaylandSessionTheStepsSpeakOfTheInputGroupAndTheDesktop) {
  storeConfig(TriggerKind::capsLock);
  openWindow(true, [](platform::Services& desktop) {
    desktop.waylandSession = true;
    desktop.inputSources =
        std::make_shared<testing_support::UnswitchableSources>(desktop.inputSources);
  });
  EXPECT_EQ(text("step.accessibility.title"), "Let Plivex read the keyboards");
  EXPECT_NE(text("step.accessibility.hint").find("sudo usermod -aG input $USER"),
            std::string::npos);
  EXPECT_EQ(text("step.layouts.title"), "🟠 Plivex can't switch this desktop's layouts");
  EXPECT_NE(text("step.layouts.hint").find("gnome-extensions enable"), std::string::npos);
  EXPECT_FALSE(has("step.layouts.button"));
}

TEST_F(OnboardingModelTest, TheLayoutsStepGoesAwayAsSoonAsTheSystemAnnouncesASecondLayout) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  ASSERT_TRUE(has("step.layouts"));

  mac.inputSources().setEnabled(kRussian, true);
  EXPECT_TRUE(has("step.layouts")) << "not before the main queue delivers the notice";
  runPending();
  EXPECT_FALSE(has("step.layouts"));
  EXPECT_TRUE(has("allSet"));
}

TEST_F(OnboardingModelTest, ItsButtonsGrantOpenSettingsAndClose) {
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  press("step.accessibility.button");
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  press("step.globe.button");
  press("step.layouts.button");
  const auto urls = mac.workspace().openedURLs();
  ASSERT_EQ(urls.size(), 2U);
  EXPECT_EQ(urls[0].absoluteString, AppController::kKeyboardSettingsURL);
  EXPECT_EQ(urls[1].absoluteString, AppController::kKeyboardSettingsURL);

  // Close, whatever is still missing: the window closes and the controller forgets it.
  press("close");
  EXPECT_FALSE(host->windows().front()->isOpen());
  EXPECT_FALSE(controller->hasOnboardingWindow());
}

TEST_F(OnboardingModelTest, AppearingReconcilesOnceAndAGoneControllerLeavesAnEmptyContent) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.inputSources().setEnabled(kRussian, false);
  openWindow();
  mac.inputSources().setEnabled(kRussian, true);
  view->appear();
  EXPECT_EQ(controller->layouts().size(), 2U);
  EXPECT_FALSE(has("step.layouts"));

  controller.reset();
  EXPECT_EQ(view->state(), OnboardingState{});
  view->appear();  // nothing to reconcile, and no crash
}

}  // namespace
}  // namespace kestravane
