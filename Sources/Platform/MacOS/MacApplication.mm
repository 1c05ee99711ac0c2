#include "Platform/MacOS/MacApplication.h"

#import <AppKit/AppKit.h>

namespace kestravane::platform::macos {

bool MacApplication::setActivationPolicy(ActivationPolicy policy) {
  return [NSApplication.sharedApplication
      setActivationPolicy:static_cast<NSApplicationActivationPolicy>(policy)];
}

ActivationPolicy MacApplication::activationPolicy() {
  switch ([NSApplication.sharedApplication activationPolicy]) {
    case NSApplicationActivationPolicyRegular:
      return ActivationPolicy::regular;
    case NSApplicationActivationPolicyAccessory:
      return ActivationPolicy::accessory;
    case NSApplicationActivationPolicyProhibited:
      return ActivationPolicy::prohibited;
  }
  return ActivationPolicy::regular;  // a policy this build does not know
}

void MacApplication::activateIgnoringOtherApps(bool flag) {
  [NSApplication.sharedApplication activateIgnoringOtherApps:flag];
}

void MacApplication::terminate() {
  [NSApplication.sharedApplication terminate:nil];
}

}  // namespace kestravane::platform::macos
