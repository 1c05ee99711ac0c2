#include "Kestravane/HeadlessWindowHost.h"

#include <utility>

namespace kestravane {

HeadlessWindowHost::Window::Window(WindowStyle style, OnboardingContent content,
                                   std::weak_ptr<OnboardingWindowDelegate> delegate)
    : style(std::move(style)), content(std::move(content)), delegate(std::move(delegate)) {}

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
    const WindowStyle& style, OnboardingContent content,
    std::weak_ptr<OnboardingWindowDelegate> delegate) {
  auto window = std::make_shared<Window>(style, std::move(content), std::move(delegate));
  made.push_back(window);
  return window;
}

}  // namespace kestravane
