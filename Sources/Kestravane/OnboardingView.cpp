#include "Kestravane/OnboardingView.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/TextsForLanguage.h"
#include "Platform/Services.h"

namespace kestravane {

namespace {

struct Step {
  std::string name;  // names the row's elements: "<name>.mark", "<name>.title", ...
  bool done;
  std::string_view title;
  std::string_view hint;
  std::string_view button;  // shown only while the step is not done
  std::function<void()> action;
};

ViewNode stepRow(Step step) {
  std::vector<ViewNode> texts;
  texts.push_back(
      ViewNode::label(std::string(step.title), FontRole::headline).named(step.name + ".title"));
  texts.push_back(ViewNode::label(std::string(step.hint), FontRole::callout, ColourRole::secondary)
                      .named(step.name + ".hint"));
  if (!step.done) {
    auto button = ViewNode::button(std::string(step.button), std::move(step.action))
                      .named(step.name + ".button")
                      .smallBordered();
    button.extraSpaceAbove = 2;
    texts.push_back(std::move(button));
  }
  return ViewNode::horizontalStack(
             StackAlignment::top, 12,
             {ViewNode::label(
                  std::string(step.done ? OnboardingView::kDoneMark : OnboardingView::kOpenMark),
                  FontRole::title3Monospaced, step.done ? ColourRole::green : ColourRole::orange)
                  .named(step.name + ".mark"),
              ViewNode::verticalStack(StackAlignment::leading, 4, std::move(texts)),
              ViewNode::spacer()})
      .named(step.name);
}

}  // namespace

OnboardingView::OnboardingView(std::weak_ptr<AppController> controller,
                               std::function<void()> onClose)
    : controller(std::move(controller)), onClose(std::move(onClose)) {}

void OnboardingView::appear() const {
  if (const auto strong = controller.lock()) strong->reconcile();
}

bool OnboardingView::needsGlobe() const {
  const auto strong = controller.lock();
  return strong && strong->config().trigger == TriggerKind::fn && !strong->globeFree();
}

bool OnboardingView::needsCapsLock() const {
  const auto strong = controller.lock();
  return strong && strong->config().trigger == TriggerKind::capsLock && !strong->capsLockFree();
}

bool OnboardingView::allDone() const {
  const auto strong = controller.lock();
  return strong && strong->permissions().hasAccessibility() && !needsGlobe() && !needsCapsLock() &&
         strong->layouts().size() >= 2;
}

void OnboardingView::close() const {
  if (onClose) onClose();
}

ViewNode OnboardingView::build() const {
  const auto strong = controller.lock();
  if (!strong) return ViewNode::verticalStack(StackAlignment::leading, 0, {}).named("onboarding");
  const Strings s = textsFor(strong->config().language, *strong->services()->locale);
  const auto openKeyboardSettings = [weak = controller] {
    if (const auto self = weak.lock()) {
      self->open(std::string(AppController::kKeyboardSettingsURL));
    }
  };

  std::vector<ViewNode> rows;
  rows.push_back(
      ViewNode::label(std::string(s.onboardingTitle()), FontRole::title2Bold).named("title"));
  rows.push_back(
      stepRow({"step.accessibility", strong->permissions().hasAccessibility(),
               s.stepAccessibility(), s.stepAccessibilityHint(), s.grant(), [weak = controller] {
                 if (const auto self = weak.lock()) self->permissions().promptAccessibility();
               }}));
  if (strong->config().trigger == TriggerKind::fn) {
    rows.push_back(stepRow({"step.globe", !needsGlobe(), s.stepGlobe(), s.stepGlobeHint(),
                            s.openSettingsBtn(), openKeyboardSettings}));
  }
  if (strong->config().trigger == TriggerKind::capsLock) {
    rows.push_back(stepRow({"step.capsLock", !needsCapsLock(), s.stepCapsLock(),
                            s.stepCapsLockHint(), s.openSettingsBtn(), openKeyboardSettings}));
  }
  if (strong->layouts().size() < 2) {
    rows.push_back(stepRow({"step.layouts", false, s.statusNeedsLayouts(), s.stepLayoutsHint(),
                            s.openSettingsBtn(), openKeyboardSettings}));
  }
  rows.push_back(ViewNode::divider());

  const bool everythingDone = allDone();
  std::vector<ViewNode> bottom;
  if (everythingDone) {
    bottom.push_back(ViewNode::label(std::string(s.allSet()), FontRole::body, ColourRole::green)
                         .named("allSet"));
  }
  bottom.push_back(ViewNode::spacer());
  bottom.push_back(ViewNode::button(std::string(everythingDone ? s.done() : s.onboardingClose()),
                                    [this] { close(); })
                       .named("close")
                       .withShortcut(KeyboardShortcut::defaultAction));
  rows.push_back(ViewNode::horizontalStack(StackAlignment::center, 8, std::move(bottom)));

  auto root = ViewNode::verticalStack(StackAlignment::leading, 18, std::move(rows))
                  .named("onboarding")
                  .padded(EdgeInsets::all(28))
                  .width(kWidth);
  root.idealHeight = true;
  root.focusRing = false;
  return root;
}

}  // namespace kestravane
