// Faults the macOS syntax check must report, one per PLIVEX_FAULT_... macro; without one the
// file compiles. Each is a mistake the check exists for, made against the same declarations and
// seam headers as the backend.
#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#include <memory>

#include "Platform/EventTaps.h"
#include "Platform/TextInputSources.h"

namespace {

[[maybe_unused]] void tapCalls(CFMachPortRef port, CFRunLoopRef loop, CFRunLoopSourceRef source) {
#ifdef PLIVEX_FAULT_ARGUMENT_COUNT
  CGEventTapEnable(port);
#else
  CGEventTapEnable(port, true);
#endif
#ifdef PLIVEX_FAULT_TYPO
  CFRunLoopRemoveSourc(loop, source, kCFRunLoopCommonModes);
#else
  CFRunLoopRemoveSource(loop, source, kCFRunLoopCommonModes);
#endif
}

[[maybe_unused]] void propertyCalls(TISInputSourceRef inputSource) {
#ifdef PLIVEX_FAULT_TYPE_MISMATCH
  CFPreferencesAppSynchronize("com.apple.HIToolbox");
#endif
#ifdef PLIVEX_FAULT_CONSTANT_MIXUP
  // The seam's name of a key where the framework's constant belongs.
  TISGetInputSourceProperty(inputSource, kestravane::platform::kTISPropertyInputSourceID);
#else
  TISGetInputSourceProperty(inputSource, ::kTISPropertyInputSourceID);
#endif
}

[[maybe_unused]] void workspaceCalls(NSURL* url) {
#ifdef PLIVEX_FAULT_SELECTOR
  [NSWorkspace.sharedWorkspace openURLs:url];
#else
  [NSWorkspace.sharedWorkspace openURL:url];
#endif
}

// A backend class written against an older form of the seam.
class DriftedEventTaps : public kestravane::platform::EventTaps {
 public:
  std::shared_ptr<kestravane::platform::EventTap> tapCreate(kestravane::platform::TapLocation,
                                                            kestravane::platform::TapPlacement,
                                                            kestravane::platform::TapOptions,
                                                            kestravane::platform::EventMask,
                                                            kestravane::platform::TapCallback,
                                                            void*) override {
    return nullptr;
  }
  void tapEnable(kestravane::platform::EventTap&, bool) override {}
  void invalidate(kestravane::platform::EventTap&) override {}
  std::shared_ptr<kestravane::platform::RunLoopSource> createRunLoopSource(
      kestravane::platform::EventTap&) override {
    return nullptr;
  }
  std::int64_t integerValueField(const kestravane::platform::Event&,
                                 kestravane::platform::EventField) const override {
    return 0;
  }
#ifdef PLIVEX_FAULT_SEAM_DRIFT
  // The seam's flags() reads a const event; this one does not match it.
  kestravane::platform::EventFlags flags(kestravane::platform::Event&) const override {
    return 0;
  }
#else
  kestravane::platform::EventFlags flags(const kestravane::platform::Event&) const override {
    return 0;
  }
#endif
#ifndef PLIVEX_FAULT_MISSING_OVERRIDE
  bool preflightListenEventAccess() override {
    return false;
  }
#endif
  bool requestListenEventAccess() override {
    return false;
  }
};

[[maybe_unused]] std::shared_ptr<kestravane::platform::EventTaps> assemble() {
  return std::make_shared<DriftedEventTaps>();
}

}  // namespace
