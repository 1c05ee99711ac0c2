#include "Kestravane/MacOS/ResponsiveActivity.h"

#import <Foundation/Foundation.h>

namespace kestravane {

struct ResponsiveActivity::Token {
  id<NSObject> activity;
};

ResponsiveActivity::ResponsiveActivity() : token(std::make_unique<Token>()) {
  // Idle system sleep stays allowed: a keyboard utility must not keep the Mac awake. Sudden and
  // automatic termination are opt-in (NSSupportsSuddenTermination) and Plivex does not opt in,
  // so holding them off would say nothing; they are left out to keep the assertion to App Nap.
  const NSActivityOptions options =
      NSActivityUserInitiatedAllowingIdleSystemSleep &
      ~(NSActivitySuddenTerminationDisabled | NSActivityAutomaticTerminationDisabled);
  token->activity = [NSProcessInfo.processInfo
      beginActivityWithOptions:options
                        reason:@"Switches the keyboard layout when its trigger key is tapped"];
}

ResponsiveActivity::~ResponsiveActivity() {
  if (token->activity != nil) [NSProcessInfo.processInfo endActivity:token->activity];
}

}  // namespace kestravane
