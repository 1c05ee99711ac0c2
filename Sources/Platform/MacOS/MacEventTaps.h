// Quartz event taps through CoreGraphics (CGEventTapCreate, CGEventTapEnable, ...) and the
// listen-event access checks. The seam's Event is the CGEventRef itself, reinterpreted, so the tap
// callback passes events through without copying or allocating.
// Threads: any thread, as the seam states; a tap's callback runs on the thread whose run loop holds
// its source.
// Ownership: a MacEventTap keeps the seam callback and its user info for CoreGraphics; its owner
// keeps it until the run loop that delivers its events has stopped. Dropping it invalidates the
// port, so no callback can reach a tap object that is gone.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "Platform/EventTaps.h"
#include "Platform/MacOS/CFRef.h"

namespace kestravane::platform::macos {

// What the CoreGraphics callback needs to reach the seam's callback.
struct TapTarget {
  TapCallback callback = nullptr;
  void* userInfo = nullptr;
};

class MacEventTap final : public EventTap {
 public:
  explicit MacEventTap(TapTarget target) : _target(target) {}
  ~MacEventTap() override;

  const TapTarget& target() const { return _target; }
  CFMachPortRef port() const { return _port.get(); }
  void adoptPort(CFMachPortRef port) { _port = CFRef<CFMachPortRef>::adopt(port); }

 private:
  const TapTarget _target;
  CFRef<CFMachPortRef> _port;
};

class MacRunLoopSource final : public RunLoopSource {
 public:
  explicit MacRunLoopSource(CFRef<CFRunLoopSourceRef> source) : _source(std::move(source)) {}
  CFRunLoopSourceRef source() const { return _source.get(); }

 private:
  CFRef<CFRunLoopSourceRef> _source;
};

class MacEventTaps final : public EventTaps {
 public:
  std::shared_ptr<EventTap> tapCreate(TapLocation location, TapPlacement placement,
                                      TapOptions options, EventMask mask, TapCallback callback,
                                      void* userInfo) override;
  void tapEnable(EventTap& tap, bool enable) override;
  void invalidate(EventTap& tap) override;
  std::shared_ptr<RunLoopSource> createRunLoopSource(EventTap& tap) override;
  std::int64_t integerValueField(const Event& event, EventField field) const override;
  EventFlags flags(const Event& event) const override;
  bool preflightListenEventAccess() override;
  bool requestListenEventAccess() override;
  // CGPreflightPostEventAccess() (macOS 10.15): never prompts.
  bool preflightPostEventAccess() override;
};

}  // namespace kestravane::platform::macos
