#include "Console/ConsoleOnboarding.h"

#include <utility>

#include "KestravaneCore/Strings.h"
#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane::console {
namespace {

void addStep(std::string& text, bool done, std::string_view title, std::string_view hint,
             std::string_view command) {
  text += done ? "  ✓ " : "  ○ ";
  text += title;
  text += "\n      ";
  text += hint;
  if (!done && !command.empty()) {
    text += "   (";
    text += command;
    text += ')';
  }
  text += '\n';
}

}  // namespace

std::string onboardingText(const AppController& controller) {
  const Strings s = textsFor(controller.config().language, *controller.services()->locale);
  const bool accessibility = controller.permissions().hasAccessibility();
  const bool fnTrigger = controller.config().trigger == TriggerKind::fn;
  const bool needsGlobe = fnTrigger && !controller.globeFree();
  const bool enoughLayouts = controller.layouts().size() >= 2;

  std::string text = "[onboarding] ";
  text += s.onboardingTitle();
  text += '\n';
  addStep(text, accessibility, s.stepAccessibility(), s.stepAccessibilityHint(),
          "grant accessibility");
  if (fnTrigger) addStep(text, !needsGlobe, s.stepGlobe(), s.stepGlobeHint(), "globe free");
  if (!enoughLayouts) {
    addStep(text, false, s.statusNeedsLayouts(), s.stepLayoutsHint(), "layouts, enable <id>");
  }
  if (accessibility && !needsGlobe && enoughLayouts) {
    text += "  ";
    text += s.allSet();
    text += '\n';
  }
  text += "  (onboarding close)";
  return text;
}

class ConsoleOnboardingHost::Window final : public OnboardingWindow {
 public:
  Window(OnboardingContent content, std::weak_ptr<OnboardingWindowDelegate> delegate,
         std::function<void(const std::string&)> show)
      : content(std::move(content)), delegate(std::move(delegate)), show(std::move(show)) {}

  void makeKeyAndOrderFront() override {
    if (!open) return;
    lastShown.clear();  // brought to the front: shown in full
    refresh();
  }

  void close() override {
    if (!open) return;
    open = false;
    if (const auto told = delegate.lock()) told->windowWillClose();
  }

  bool isOpen() const { return open; }

  void refresh(bool evenIfUnchanged = false) {
    const auto controller = content.controller.lock();
    if (!open || !controller) return;
    std::string text = onboardingText(*controller);
    if (text == lastShown && !evenIfUnchanged) return;
    show(text);
    lastShown = std::move(text);
  }

 private:
  const OnboardingContent content;
  const std::weak_ptr<OnboardingWindowDelegate> delegate;
  const std::function<void(const std::string&)> show;
  std::string lastShown;
  bool open = true;
};

ConsoleOnboardingHost::ConsoleOnboardingHost(std::function<void(const std::string&)> show)
    : show(std::move(show)) {}

std::shared_ptr<OnboardingWindow> ConsoleOnboardingHost::makeOnboardingWindow(
    const WindowStyle&, OnboardingContent content,
    std::weak_ptr<OnboardingWindowDelegate> delegate) {
  auto window = std::make_shared<Window>(std::move(content), std::move(delegate), show);
  current = window;
  return window;
}

bool ConsoleOnboardingHost::isOpen() const {
  const auto window = current.lock();
  return window && window->isOpen();
}

void ConsoleOnboardingHost::refresh() {
  if (const auto window = current.lock()) window->refresh();
}

bool ConsoleOnboardingHost::showAgain() {
  const auto window = current.lock();
  if (!window || !window->isOpen()) return false;
  window->refresh(/*evenIfUnchanged=*/true);
  return true;
}

bool ConsoleOnboardingHost::close() {
  const auto window = current.lock();
  if (!window || !window->isOpen()) return false;
  window->close();
  return true;
}

}  // namespace kestravane::console
