#include "Kestravane/OnboardingWindowHost.h"

namespace kestravane {

unsigned WindowStyle::styleMask() const {
  return (titled ? kTitledMask : 0U) | (closable ? kClosableMask : 0U) |
         (miniaturizable ? kMiniaturizableMask : 0U) | (resizable ? kResizableMask : 0U);
}

WindowStyle WindowStyle::onboarding() {
  WindowStyle style;
  style.title = "Plivex";
  return style;
}

}  // namespace kestravane
