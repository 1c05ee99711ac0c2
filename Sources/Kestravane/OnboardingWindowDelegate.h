// The onboarding window's delegate: tells its owner, through `onClose`, that the window is
// closing, whichever way it is closed (its close button, Return, or the content's Close/Done).
// Threads: main thread only.
#pragma once

#include <functional>

namespace kestravane {

class OnboardingWindowDelegate {
 public:
  explicit OnboardingWindowDelegate(std::function<void()> onClose);

  // windowWillClose: runs `onClose`. The closure may drop the last reference to this delegate.
  void windowWillClose() const;

  const std::function<void()> onClose;
};

}  // namespace kestravane
