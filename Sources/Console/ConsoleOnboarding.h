// The onboarding window of the text console: the controller's onboarding window shown as text.
// The host makes windows that print their text when shown and again only when it changes, and
// that close as a window does (the controller's delegate is told, so its re-check stops).
// onboardingText() writes the onboarding window's own view-model (OnboardingModel) as text.
// Threads: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Kestravane/AppController.h"
#include "Kestravane/OnboardingWindowHost.h"

namespace kestravane::console {

// The onboarding's title, its steps with ✓ or ○, what to type for each step not done, and the
// all-set line once nothing blocks the engine.
std::string onboardingText(const std::shared_ptr<AppController>& controller);

class ConsoleOnboardingHost final : public OnboardingWindowHost {
 public:
  // `show` prints a text block; it is called when a window is shown and when its text changes.
  explicit ConsoleOnboardingHost(std::function<void(const std::string&)> show);

  std::shared_ptr<OnboardingWindow> makeOnboardingWindow(
      const WindowStyle& style, OnboardingContent content,
      std::weak_ptr<OnboardingWindowDelegate> delegate) override;

  // Whether an onboarding window is open.
  bool isOpen() const;
  // Shows the open window's text again if it changed since it was last shown.
  void refresh();
  // Shows the open window's text again, changed or not; false when none is open.
  bool showAgain();
  // Closes the open window, as its Close button does; false when none is open.
  bool close();

  class Window;

 private:
  std::function<void(const std::string&)> show;
  std::weak_ptr<Window> current;
};

}  // namespace kestravane::console
