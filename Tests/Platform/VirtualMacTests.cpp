// The assembled virtual Mac, seen through its services as the program sees them.
#include "Platform/Virtual/VirtualMac.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace kestravane::platform::vmac {
namespace {

struct TapProbe {
  std::atomic<int> seen{0};
  static Event* callback(EventType, Event* event, void* info) {
    static_cast<TapProbe*>(info)->seen++;
    return event;
  }
};

TEST(VirtualMac, InstalledServicesShareOneWorld) {
  VirtualMac mac;
  mac.install();
  auto services = current();
  ASSERT_EQ(services, mac.services());

  // Permissions set through the control are what the seam reports, and the window server obeys
  // them: a tap is refused until Input Monitoring is granted.
  EXPECT_FALSE(services->accessibility->isProcessTrusted());
  TapProbe probe;
  EXPECT_EQ(services->eventTaps->tapCreate(TapLocation::session, TapPlacement::headInsert,
                                           TapOptions::listenOnly, eventMaskBit(kEventKeyDown),
                                           &TapProbe::callback, &probe),
            nullptr);
  mac.grantAllPermissions();
  EXPECT_TRUE(services->accessibility->isProcessTrusted());
  EXPECT_TRUE(services->eventTaps->preflightListenEventAccess());

  // The keyboard reaches a tap created through the seam and running on its own run loop.
  auto tap = services->eventTaps->tapCreate(TapLocation::session, TapPlacement::headInsert,
                                            TapOptions::listenOnly, eventMaskBit(kEventKeyDown),
                                            &TapProbe::callback, &probe);
  ASSERT_NE(tap, nullptr);
  std::shared_ptr<RunLoop> loop;
  std::atomic<bool> ready{false};
  std::thread tapThread([&] {
    loop = services->runLoops->current();
    services->runLoops->addSource(*loop, services->eventTaps->createRunLoopSource(*tap));
    ready = true;
    services->runLoops->run();
  });
  while (!ready) std::this_thread::yield();
  mac.keyboard().tap(0);
  EXPECT_EQ(probe.seen.load(), 1);
  services->runLoops->stop(*loop);
  tapThread.join();

  // The main queue runs on the manual clock shared with the uptime clock.
  bool ran = false;
  services->dispatch->asyncAfterOnMain(3.0, [&] { ran = true; });
  mac.dispatch().advance(2.9);
  EXPECT_FALSE(ran);
  mac.dispatch().advance(0.1);
  EXPECT_TRUE(ran);
  EXPECT_EQ(services->clock->uptimeNanos(), 3'000'000'000u);
  install(nullptr);
}

TEST(VirtualMac, WakeObserversRunOnTheMainQueue) {
  VirtualMac mac;
  int wakes = 0;
  auto token = mac.services()->workspace->addDidWakeObserver([&] { ++wakes; });
  mac.workspace().postWake();
  EXPECT_EQ(wakes, 0);
  mac.dispatch().runPending();
  EXPECT_EQ(wakes, 1);
}

}  // namespace
}  // namespace kestravane::platform::vmac
