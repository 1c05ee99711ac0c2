// The virtual Mac's Quartz event-tap calls. Taps are refused as macOS refuses them: without
// Input Monitoring no tap at all, and an active (default) tap also needs Accessibility trust.
// Asking for a tap or for access puts the program on the Input Monitoring list.
// Threads: any thread; see WindowServer for where callbacks run.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include "Platform/EventTaps.h"
#include "Platform/Virtual/WindowServer.h"

namespace kestravane::platform::vmac {

class VirtualEventTaps final : public EventTaps {
 public:
  explicit VirtualEventTaps(std::shared_ptr<WindowServer> windowServer);

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
  bool preflightPostEventAccess() override;

  // Control: how many taps the program asked for, granted or refused.
  std::size_t tapCreateCount() const { return createCalls.load(); }

 private:
  const std::shared_ptr<WindowServer> windowServer;
  std::atomic<std::size_t> createCalls{0};
};

}  // namespace kestravane::platform::vmac
