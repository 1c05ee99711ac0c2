// The window host of a program without an interface toolkit (and of the tests): it shows
// nothing, but records every window asked for, with its style and content, and keeps it as a
// window that can be closed.
// Threads: main thread only.
#pragma once

#include <memory>
#include <vector>

#include "Kestravane/OnboardingWindowHost.h"

namespace kestravane {

class HeadlessWindowHost final : public OnboardingWindowHost {
 public:
  class Window final : public OnboardingWindow {
   public:
    Window(WindowStyle style, OnboardingContent content,
           std::weak_ptr<OnboardingWindowDelegate> delegate);

    void makeKeyAndOrderFront() override;
    void close() override;

    const WindowStyle style;
    const OnboardingContent content;
    bool isOpen() const { return open; }
    // Made key and brought to the front while open.
    bool isKeyAndFront() const { return open && keyAndFront; }

   private:
    const std::weak_ptr<OnboardingWindowDelegate> delegate;
    bool open = true;
    bool keyAndFront = false;
  };

  std::shared_ptr<OnboardingWindow> makeOnboardingWindow(
      const WindowStyle& style, OnboardingContent content,
      std::weak_ptr<OnboardingWindowDelegate> delegate) override;

  // Every window made, oldest first; they stay here after closing.
  const std::vector<std::shared_ptr<Window>>& windows() const { return made; }

 private:
  std::vector<std::shared_ptr<Window>> made;
};

}  // namespace kestravane
