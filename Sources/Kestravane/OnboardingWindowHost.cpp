#include "Kestravane/OnboardingWindowHost.h"

namespace kestravane {

unsigned WindowSpec::styleMask() const {
  return (titled ? kTitledMask : 0U) | (closable ? kClosableMask : 0U) |
         (miniaturizable ? kMiniaturizableMask : 0U) | (resizable ? kResizableMask : 0U);
}

WindowSpec WindowSpec::onboarding() {
  WindowSpec spec;
  spec.title = "Plivex";
  return spec;
}

}  // namespace kestravane
