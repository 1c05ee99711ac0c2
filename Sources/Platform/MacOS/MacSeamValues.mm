// The seam carries Apple's raw values (event types, masks, flags, key codes, tap options,
// activation policies, qualities of service), and the backend hands them on by a plain cast. Here
// the compiler holds each one against the SDK's own constant, so a value mistyped in the seam
// fails the build (and the check against the SDK on other machines) instead of a tap on a Mac.
#import <AppKit/AppKit.h>
#include <Carbon/Carbon.h>
#include <CoreGraphics/CoreGraphics.h>
#import <Foundation/Foundation.h>
#include <IOKit/hidsystem/IOLLEvent.h>

#include "Platform/Application.h"
#include "Platform/EventTaps.h"
#include "Platform/Threads.h"

#include <utility>

namespace kestravane::platform::macos {
namespace {

template <typename Seam, typename Apple>
constexpr bool same(Seam seam, Apple apple) {
  return static_cast<long long>(seam) == static_cast<long long>(apple);
}

static_assert(same(kEventKeyDown, kCGEventKeyDown));
static_assert(same(kEventKeyUp, kCGEventKeyUp));
static_assert(same(kEventFlagsChanged, kCGEventFlagsChanged));
static_assert(same(kEventTapDisabledByTimeout, kCGEventTapDisabledByTimeout));
static_assert(same(kEventTapDisabledByUserInput, kCGEventTapDisabledByUserInput));
static_assert(eventMaskBit(kEventKeyDown) == CGEventMaskBit(kCGEventKeyDown));

static_assert(same(kFlagAlphaShift, kCGEventFlagMaskAlphaShift));
static_assert(same(kFlagShift, kCGEventFlagMaskShift));
static_assert(same(kFlagControl, kCGEventFlagMaskControl));
static_assert(same(kFlagAlternate, kCGEventFlagMaskAlternate));
static_assert(same(kFlagCommand, kCGEventFlagMaskCommand));
static_assert(same(kFlagSecondaryFn, kCGEventFlagMaskSecondaryFn));
static_assert(same(kFlagNonCoalesced, kCGEventFlagMaskNonCoalesced));
// Apple's constants for each trigger key: its virtual key code and the flag bit set while it is
// down (0 for Caps Lock, whose events are not tracked by a down flag). Every row of the trigger
// table must have its entry here and agree with it.
struct MacTriggerValues {
  TriggerKind kind;
  long long keyCode;
  unsigned long long downFlag;
};
constexpr MacTriggerValues kMacTriggerValues[] = {
    {TriggerKind::fn, kVK_Function, kCGEventFlagMaskSecondaryFn},
    {TriggerKind::capsLock, kVK_CapsLock, 0},
    {TriggerKind::rightCommand, kVK_RightCommand, NX_DEVICERCMDKEYMASK},
};

constexpr bool agreesWithApple(const TriggerKey& key) {
  for (const auto& mac : kMacTriggerValues) {
    if (mac.kind == key.kind)
      return same(key.keyCode, mac.keyCode) && same(key.downFlag, mac.downFlag);
  }
  return false;
}

template <std::size_t... row>
constexpr bool everyTriggerAgreesWithApple(std::index_sequence<row...>) {
  return (agreesWithApple(kTriggerKeys[row]) && ...);
}
static_assert(everyTriggerAgreesWithApple(std::make_index_sequence<kTriggerKeys.size()>()),
              "a trigger key's code or down flag differs from Apple's, or has no entry here");

static_assert(same(kKeyboardEventKeycode, kCGKeyboardEventKeycode));

static_assert(same(TapLocation::hid, kCGHIDEventTap));
static_assert(same(TapLocation::session, kCGSessionEventTap));
static_assert(same(TapLocation::annotatedSession, kCGAnnotatedSessionEventTap));
static_assert(same(TapPlacement::headInsert, kCGHeadInsertEventTap));
static_assert(same(TapPlacement::tailAppend, kCGTailAppendEventTap));
static_assert(same(TapOptions::defaultTap, kCGEventTapOptionDefault));
static_assert(same(TapOptions::listenOnly, kCGEventTapOptionListenOnly));

static_assert(same(ActivationPolicy::regular, NSApplicationActivationPolicyRegular));
static_assert(same(ActivationPolicy::accessory, NSApplicationActivationPolicyAccessory));
static_assert(same(ActivationPolicy::prohibited, NSApplicationActivationPolicyProhibited));

static_assert(same(QualityOfService::userInteractive, NSQualityOfServiceUserInteractive));
static_assert(same(QualityOfService::userInitiated, NSQualityOfServiceUserInitiated));
static_assert(same(QualityOfService::utility, NSQualityOfServiceUtility));
static_assert(same(QualityOfService::background, NSQualityOfServiceBackground));
static_assert(same(QualityOfService::defaultQoS, NSQualityOfServiceDefault));

}  // namespace
}  // namespace kestravane::platform::macos
