#include "Kestravane/HeadlessWindowHost.h"

#include <utility>

namespace kestravane {

HeadlessWindowHost::Window::Window(WindowSpec spec, OnboardingContent content,
                                   std::weak_ptr<OnboardingWindowDelegate> delegate)
    : spec(std::move(spec)), content(std::move(content)), delegate(std::move(delegate)) {}

void HeadlessWindowHost::Window::makeKeyAndOrderFront() {
  if (open) keyAndFront = true;
}

void HeadlessWindowHost::Window::close() {
  if (!open) return;
  open = false;
  keyAndFront = false;
  if (const auto told = delegate.lock()) told->windowWillClose();
}

std::shared_ptr<OnboardingWindow> HeadlessWindowHost::makeOnboardingWindow(
    const WindowSpec& spec, OnboardingContent content,
    std::weak_ptr<OnboardingWindowDelegate> delegate) {
  auto window = std::make_shared<Window>(spec, std::move(content), std::move(delegate));
  made.push_back(window);
  return window;
}

}  // namespace kestravane
