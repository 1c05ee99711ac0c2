#include "Kestravane/OnboardingModel.h"

#include <algorithm>
#include <utility>

namespace kestravane {

OnboardingModel::OnboardingModel(std::weak_ptr<AppController> controller,
                                 std::function<void()> onClose)
    : controller(std::move(controller)), onClose(std::move(onClose)) {}

std::vector<std::pair<OnboardingStep::Kind, KeyConflict>> OnboardingModel::possibleSteps() {
  std::vector<std::pair<OnboardingStep::Kind, KeyConflict>> steps{
      {OnboardingStep::Kind::accessibility, KeyConflict::none}};
  for (const auto& key : kTriggerKeys) {
    for (const KeyConflict conflict : {key.conflict, key.pcConflict}) {
      const std::pair step{OnboardingStep::Kind::triggerKey, conflict};
      if (conflict != KeyConflict::none &&
          std::find(steps.begin(), steps.end(), step) == steps.end()) {
        steps.push_back(step);
      }
    }
  }
  steps.emplace_back(OnboardingStep::Kind::layouts, KeyConflict::none);
  return steps;
}

OnboardingState OnboardingModel::state() const {
  const auto strong = controller.lock();
  if (!strong) return {};
  const Strings s = strong->texts();
  OnboardingState state;
  state.title = s[TextId::onboardingTitle];
  state.steps.push_back({OnboardingStep::Kind::accessibility, KeyConflict::none,
                         strong->hasAccessibility(), std::string(s[TextId::stepAccessibility]),
                         std::string(s[TextId::stepAccessibilityHint]),
                         std::string(s[TextId::grant]), RemedyAction::promptAccessibility});
  const KeyConflict conflict = conflictOf(strong->config().trigger, s.keyboard());
  if (const auto look = Presentation::conflictLook(conflict)) {
    state.steps.push_back({OnboardingStep::Kind::triggerKey, conflict, strong->keyFree(conflict),
                           std::string(s[look->stepTitle]), std::string(s[look->stepHint]),
                           std::string(s[TextId::openSettingsBtn]),
                           Presentation::actionOf(look->remedy)});
  }
  if (!strong->canSwitchLayouts()) {
    state.steps.push_back({OnboardingStep::Kind::layouts,
                           KeyConflict::none,
                           false,
                           std::string(s[TextId::statusLayoutsUnswitchable]),
                           std::string(s[TextId::switchableDesktopCommands]),
                           {},
                           RemedyAction::none});
  } else if (strong->layouts().size() < 2) {
    state.steps.push_back(
        {OnboardingStep::Kind::layouts, KeyConflict::none, false,
         std::string(s[TextId::statusNeedsLayouts]), std::string(s[TextId::stepLayoutsHint]),
         std::string(s[TextId::openSettingsBtn]), RemedyAction::openKeyboardSettings});
  }
  // Nothing opens the settings the hint speaks of: the step says what to do by hand instead.
  for (auto& step : state.steps) {
    // A step whose remedy is a hint has nothing to press: its text says it all.
    if (step.action == RemedyAction::none) step.button.clear();
    if (strong->canPerform(step.action)) continue;
    step.button.clear();
    const auto look = Presentation::conflictLook(step.conflict);
    const auto text = look ? Presentation::byHand(look->remedy, s) : std::nullopt;
    if (text) step.hint = *text;
  }
  const bool allDone = std::all_of(state.steps.begin(), state.steps.end(),
                                   [](const OnboardingStep& step) { return step.done; });
  if (allDone) state.allSet = s[TextId::allSet];
  state.closeLabel = allDone ? s[TextId::done] : s[TextId::onboardingClose];
  return state;
}

void OnboardingModel::appear() const {
  if (const auto strong = controller.lock()) strong->reconcile();
}

void OnboardingModel::perform(RemedyAction action) const {
  if (const auto strong = controller.lock()) strong->perform(action);
}

void OnboardingModel::close() const {
  if (onClose) onClose();
}

}  // namespace kestravane
