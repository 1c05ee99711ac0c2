// The application object (NSApplication.sharedApplication): its activation policy, activation
// and termination.
// Threads: main thread only.
#pragma once

namespace kestravane::platform {

// NSApplicationActivationPolicy raw values.
enum class ActivationPolicy : int {
  regular = 0,     // a Dock icon and a menu bar, like any application
  accessory = 1,   // no Dock icon; may still show windows (a menu-bar extra's resting state)
  prohibited = 2,  // may not show windows or activate
};

class Application {
 public:
  virtual ~Application() = default;
  // [NSApp setActivationPolicy:]; whether the system accepted the change.
  virtual bool setActivationPolicy(ActivationPolicy policy) = 0;
  // [NSApp activationPolicy].
  virtual ActivationPolicy activationPolicy() = 0;
  // Makes the application the active one, above the application the user was in, so that the
  // window it orders front next shows on top: [NSApp activate] on macOS 14 and later, where
  // [NSApp activateIgnoringOtherApps:YES] no longer brings an agent forward; that call on 13.
  virtual void activate() = 0;
  // [NSApp terminate:nil]: asks the application to quit through its normal termination path.
  // Returns; the event loop ends afterwards.
  virtual void terminate() = 0;
};

}  // namespace kestravane::platform
