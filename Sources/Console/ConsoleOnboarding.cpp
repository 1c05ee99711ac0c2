#include "Console/ConsoleOnboarding.h"

#include <utility>

#include "Kestravane/OnboardingModel.h"

namespace kestravane::console {
namespace {

// What to type for what a step's button does.
std::string_view stepCommand(const OnboardingStep& step) {
  switch (step.kind) {
    case OnboardingStep::Kind::accessibility:
      return "grant accessibility";
    case OnboardingStep::Kind::layouts:
      return "layouts, enable <id>";
    case OnboardingStep::Kind::triggerKey:
      break;
  }
  const auto look = Presentation::conflictLook(step.conflict);
  return look ? Presentation::consoleCommand(look->remedy).value_or("") : "";
}

}  // namespace

std::string onboardingText(const std::shared_ptr<AppController>& controller) {
  // The window's own view-model decides which steps show, with which marks and texts.
  const OnboardingState state = OnboardingModel(controller, nullptr).state();
  std::string text = "[onboarding] " + state.title + '\n';
  for (const auto& step : state.steps) {
    text += "  ";
    text += step.done ? OnboardingModel::kDoneMark : OnboardingModel::kOpenMark;
    text += " " + step.title + "\n      " + step.hint;
    if (!step.done) {
      text += "   (";
      text += stepCommand(step);
      text += ')';
    }
    text += '\n';
  }
  if (state.allSet) text += "  " + *state.allSet + '\n';
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
    std::string text = onboardingText(controller);
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
