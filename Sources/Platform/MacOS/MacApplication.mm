#include "Platform/MacOS/MacApplication.h"

#import <AppKit/AppKit.h>

namespace kestravane::platform::macos {
namespace {

// NSApplication.sharedApplication is declared `__kindof NSApplication*`, and a message to such a
// value is checked against every class's methods of that name: typed, the compiler checks each
// call against NSApplication's own declarations (selectors, availability).
NSApplication* sharedApplication() {
  return NSApplication.sharedApplication;
}

}  // namespace

bool MacApplication::setActivationPolicy(ActivationPolicy policy) {
  return
      [sharedApplication() setActivationPolicy:static_cast<NSApplicationActivationPolicy>(policy)];
}

ActivationPolicy MacApplication::activationPolicy() {
  switch ([sharedApplication() activationPolicy]) {
    case NSApplicationActivationPolicyRegular:
      return ActivationPolicy::regular;
    case NSApplicationActivationPolicyAccessory:
      return ActivationPolicy::accessory;
    case NSApplicationActivationPolicyProhibited:
      return ActivationPolicy::prohibited;
  }
  return ActivationPolicy::regular;  // a policy this build does not know
}

void MacApplication::activate() {
  // From macOS 14 activation is cooperative: the old call no longer brings an agent in front of
  // the application the user is in, and the SDK marks it for deprecation in favour of -activate.
  if (@available(macOS 14.0, *)) {
    [sharedApplication() activate];
  } else {
    [sharedApplication() activateIgnoringOtherApps:YES];
  }
}

void MacApplication::terminate() {
  [sharedApplication() terminate:nil];
}

}  // namespace kestravane::platform::macos
