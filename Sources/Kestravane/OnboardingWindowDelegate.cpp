#include "Kestravane/OnboardingWindowDelegate.h"

#include <utility>

namespace kestravane {

OnboardingWindowDelegate::OnboardingWindowDelegate(std::function<void()> onClose)
    : onClose(std::move(onClose)) {}

void OnboardingWindowDelegate::windowWillClose() const {
  // The owner usually forgets this delegate from inside the closure: run a copy, so neither the
  // closure nor this object is needed once it has started.
  const auto closeAction = onClose;
  if (closeAction) closeAction();
}

}  // namespace kestravane
