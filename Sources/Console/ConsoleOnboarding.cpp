#include "Console/ConsoleOnboarding.h"

#include <utility>

#include "Kestravane/OnboardingView.h"

namespace kestravane::console {
namespace {

// The element named `id`, searched depth first; nullptr when the content has none.
const ViewNode* find(const ViewNode& node, std::string_view id) {
  if (node.id == id) return &node;
  for (const auto& child : node.children) {
    if (const auto* found = find(child, id)) return found;
  }
  return nullptr;
}

// What the console types for what a step's button does.
struct StepCommand {
  std::string_view step;
  std::string_view command;
};
constexpr StepCommand kStepCommands[] = {
    {"step.accessibility", "grant accessibility"},
    {"step.globe", "globe free"},
    {"step.capsLock", "capslock free"},
    {"step.layouts", "layouts, enable <id>"},
};

}  // namespace

std::string onboardingText(const std::shared_ptr<AppController>& controller) {
  // The window's own content decides which steps show, with which marks and texts.
  const OnboardingView view(controller, nullptr);
  const ViewNode content = view.build();
  std::string text = "[onboarding] ";
  if (const auto* title = find(content, "title")) text += title->text;
  text += '\n';
  for (const auto& [step, command] : kStepCommands) {
    const auto* mark = find(content, std::string(step) + ".mark");
    if (mark == nullptr) continue;
    text += "  " + mark->text + " " + find(content, std::string(step) + ".title")->text;
    text += "\n      " + find(content, std::string(step) + ".hint")->text;
    if (find(content, std::string(step) + ".button") != nullptr) {
      text += "   (";
      text += command;
      text += ')';
    }
    text += '\n';
  }
  if (const auto* allSet = find(content, "allSet")) text += "  " + allSet->text + '\n';
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
