// The key path: the engine's per-event decision beside one reading of the uptime clock, the
// cost of the engine's tap in the virtual Mac's event chain beside that of a tap that passes
// every event unchanged, and the time from a trigger's release to the layout switch on the main
// queue.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "KestravaneKit/TapThread.h"
#include "KestravaneKit/TriggerDecision.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane {
namespace {

namespace host = platform::host;
namespace vmac = platform::vmac;
using namespace std::chrono_literals;

struct TimedEvent {
  platform::EventType type;
  std::int64_t keyCode;
  platform::EventFlags flags;
  std::uint64_t nowNanos;
};

// Typing "Hello world" with a capital (Shift), a lone fn tap, a Page Up (fn with an arrow), more
// typing and another lone tap: 48 events, 6 of them fn's own, one event every 60 ms.
std::vector<TimedEvent> typingWithTriggerTaps() {
  std::vector<TimedEvent> events;
  std::uint64_t now = 1'000'000'000;
  const auto add = [&](platform::EventType type, std::int64_t keyCode, platform::EventFlags flags) {
    events.push_back({type, keyCode, flags, now});
    now += 60'000'000;
  };
  const auto type = [&](std::int64_t keyCode, platform::EventFlags flags = 0x100) {
    add(platform::kEventKeyDown, keyCode, flags);
    add(platform::kEventKeyUp, keyCode, flags);
  };
  add(platform::kEventFlagsChanged, 56, 0x20102);                                    // Shift down
  type(4, 0x20102);                                                                  // H
  add(platform::kEventFlagsChanged, 56, 0x100);                                      // Shift up
  for (const std::int64_t key : {14, 37, 37, 31, 49, 13, 31, 15, 37, 2}) type(key);  // ello world
  add(platform::kEventFlagsChanged, 63, 0x800100);                                   // lone fn tap
  add(platform::kEventFlagsChanged, 63, 0x100);
  add(platform::kEventFlagsChanged, 63, 0x800100);  // fn + up arrow: spoilt
  type(126, 0xa00100);
  add(platform::kEventFlagsChanged, 63, 0x100);
  for (const std::int64_t key : {0, 1, 2, 3, 5, 6, 7, 8}) type(key);
  add(platform::kEventFlagsChanged, 63, 0x800100);  // lone fn tap
  add(platform::kEventFlagsChanged, 63, 0x100);
  return events;
}

// The decision for fn/Globe with its lone taps suppressed, the 300 ms hold limit.
TriggerDecision fnDecision() {
  return TriggerDecision(TriggerKind::fn, TapSuppress::tap,
                         TriggerDecision::holdTimeoutNanosFor(300));
}

// Counts the events decided; a pass over the typing sequence must have fired twice.
void countPasses(benchmark::State& state, std::size_t fires, std::size_t eventsPerPass) {
  if (fires != 2 * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("the typing sequence should fire twice per pass");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(eventsPerPass));
}

// The decision step alone, with the clock readings taken beforehand.
void BM_DecisionStep(benchmark::State& state) {
  const auto events = typingWithTriggerTaps();
  const TriggerDecision decision = fnDecision();
  PressState press;
  std::size_t fires = 0;
  for (auto _ : state) {
    for (const auto& event : events) {
      const auto verdict =
          decision.decide(event.type, event.keyCode, event.flags, event.nowNanos, press);
      fires += verdict.fire ? 1 : 0;
    }
    benchmark::DoNotOptimize(fires);
  }
  countPasses(state, fires, events.size());
}
BENCHMARK(BM_DecisionStep);

// As the tap callback does it: the clock is read only for the trigger's own events.
void BM_DecisionStepWithClockReads(benchmark::State& state) {
  const auto events = typingWithTriggerTaps();
  const std::unique_ptr<platform::Clock> clock = std::make_unique<host::SystemUptimeClock>();
  const TriggerDecision decision = fnDecision();
  PressState press;
  std::size_t fires = 0;
  for (auto _ : state) {
    for (const auto& event : events) {
      const std::uint64_t now =
          decision.needsClock(event.type, event.keyCode) ? clock->uptimeNanos() : 0;
      fires += decision.decide(event.type, event.keyCode, event.flags, now, press).fire ? 1 : 0;
    }
    benchmark::DoNotOptimize(fires);
  }
  countPasses(state, fires, events.size());
}
BENCHMARK(BM_DecisionStepWithClockReads);

// One bare reading of the uptime clock, through the seam as the engine reads it.
void BM_UptimeClockRead(benchmark::State& state) {
  const std::unique_ptr<platform::Clock> clock = std::make_unique<host::SystemUptimeClock>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(clock->uptimeNanos());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UptimeClockRead);

class CountingDelegate final : public InterceptionEngineDelegate {
 public:
  void engineDidFire() override { fires.fetch_add(1, std::memory_order_relaxed); }
  std::atomic<std::size_t> fires{0};
};

void waitUntilActive(const EventTapEngine& engine) {
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (engine.health() != EngineHealth::active) {
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("engine not active");
    std::this_thread::sleep_for(1ms);
  }
}

// A tap that returns every event unchanged, made and serviced as the engine's is (same location,
// placement, options and mask; its own thread with its own run loop, through TapThread): what
// handing each event to a tap thread and taking its answer back costs by itself.
class PassThroughTap {
 public:
  explicit PassThroughTap(std::shared_ptr<const platform::Services> services) {
    auto tap = services->eventTaps->tapCreate(
        platform::TapLocation::session, platform::TapPlacement::headInsert,
        platform::TapOptions::defaultTap, kKeyEventMask, &passThrough, nullptr);
    if (!tap) throw std::runtime_error("pass-through tap refused");
    thread = std::make_shared<TapThread>(std::move(services), std::move(tap));
    thread->launch("bench.passthrough", platform::QualityOfService::userInteractive,
                   [weakThread = std::weak_ptr<TapThread>(thread), this] {
                     const auto run = weakThread.lock();
                     if (!run || !run->attach([this] { attached.store(true); })) return;
                     run->run();
                   });
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!attached.load()) {
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("tap not attached");
      std::this_thread::sleep_for(1ms);
    }
  }
  PassThroughTap(const PassThroughTap&) = delete;
  PassThroughTap& operator=(const PassThroughTap&) = delete;
  ~PassThroughTap() { thread->stop(); }

 private:
  static constexpr platform::EventMask kKeyEventMask =
      platform::eventMaskBit(platform::kEventKeyDown) |
      platform::eventMaskBit(platform::kEventKeyUp) |
      platform::eventMaskBit(platform::kEventFlagsChanged);

  static platform::Event* passThrough(platform::EventType, platform::Event* event, void*) {
    return event;
  }

  std::shared_ptr<TapThread> thread;
  std::atomic<bool> attached{false};
};

// The taps in the chain of BM_TapChainThroughput, by its argument.
enum ChainTaps : std::int64_t { noTap = 0, engineTap = 1, passThroughTap = 2, bothTaps = 3 };

// Key events through the virtual Mac's window server to the foreground application: without a
// tap, with the engine's tap, with a pass-through tap in its place, and with both. Each tap runs
// on its own thread, as on a Mac. Every 16th keystroke is a lone fn tap.
void BM_TapChainThroughput(benchmark::State& state) {
  vmac::VirtualMac mac;
  mac.grantAllPermissions();
  const auto taps = static_cast<ChainTaps>(state.range(0));
  auto delegate = std::make_shared<CountingDelegate>();
  std::shared_ptr<EventTapEngine> engine;
  if (taps == engineTap || taps == bothTaps) {
    engine = EventTapEngine::create(mac.services(), TriggerKind::fn, EventTapEngine::Suppress::tap,
                                    300, delegate);
    engine->start();
    waitUntilActive(*engine);
  }
  std::unique_ptr<PassThroughTap> passThrough;
  if (taps == passThroughTap || taps == bothTaps) {
    passThrough = std::make_unique<PassThroughTap>(mac.services());
  }
  auto& keyboard = mac.keyboard();
  std::int64_t keystrokes = 0;
  for (auto _ : state) {
    keyboard.tap(++keystrokes % 16 == 0 ? vmac::keycode::function : vmac::keycode::a);
    if (keystrokes % 4096 == 0) mac.windowServer().clearReceivedEvents();
  }
  state.SetItemsProcessed(2 * keystrokes);
  passThrough.reset();
  if (engine) {
    engine->stop();
    state.counters["fires"] = static_cast<double>(delegate->fires.load());
  }
  engine.reset();
}
BENCHMARK(BM_TapChainThroughput)
    ->Arg(noTap)
    ->Arg(engineTap)
    ->Arg(passThroughTap)
    ->Arg(bothTaps)
    ->UseRealTime();

// The uptime clock of the running virtual Mac, remembering the engine's latest reading: for the
// fn trigger the engine reads the clock only when fn's own event reaches its tap callback.
class WatchedClock final : public platform::Clock {
 public:
  std::uint64_t uptimeNanos() const override {
    const std::uint64_t now = inner.uptimeNanos();
    last.store(now, std::memory_order_relaxed);
    return now;
  }
  std::uint64_t unwatchedNanos() const { return inner.uptimeNanos(); }
  std::uint64_t lastReading() const { return last.load(std::memory_order_relaxed); }

 private:
  host::SystemUptimeClock inner;
  mutable std::atomic<std::uint64_t> last{0};
};

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank =
      static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// One lone fn tap per iteration on a virtual Mac with the real clock; this thread drives the main
// queue, as the application's event loop does. Counters, in microseconds: from the release
// reaching the engine's tap callback (its clock reading) to onSwitch, and from the release being
// posted to the window server (so including the hand-off to the tap thread) to onSwitch.
void BM_TapToSwitchLatency(benchmark::State& state) {
  vmac::VirtualMacOptions options;
  options.manualClock = false;
  vmac::VirtualMac mac(options);
  mac.grantAllPermissions();
  auto clock = std::make_shared<WatchedClock>();
  auto services = std::make_shared<platform::Services>(*mac.services());
  services->clock = clock;

  std::uint64_t switchedAt = 0;
  std::size_t switches = 0;
  auto parts = SwitchingEngine::make(
      services, InputSourceSwitcher(*services), {},
      [&](const InputSourceSwitcher::Result&) {
        switchedAt = clock->unwatchedNanos();
        ++switches;
      },
      nullptr);
  auto& controller = parts.switchController;
  auto& engine = parts.engine;
  engine->start();
  waitUntilActive(*engine);

  auto& keyboard = mac.keyboard();
  auto& mainQueue = mac.dispatch();
  std::vector<double> fromTap;
  std::vector<double> fromPost;
  std::size_t missed = 0;
  for (auto _ : state) {
    keyboard.press(vmac::keycode::function);
    const std::uint64_t posted = clock->unwatchedNanos();
    keyboard.release(vmac::keycode::function);
    const std::uint64_t atTap = clock->lastReading();
    const std::size_t before = switches;
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (switches == before && std::chrono::steady_clock::now() < deadline) {
      if (mainQueue.waitForWork(100ms)) mainQueue.runPending();
    }
    if (switches == before) {
      ++missed;  // the thread was descheduled past the hold limit, say: no fire
      continue;
    }
    fromTap.push_back(static_cast<double>(switchedAt - atTap) / 1000.0);
    fromPost.push_back(static_cast<double>(switchedAt - posted) / 1000.0);
  }
  engine->stop();
  state.counters["p50_us"] = percentile(fromTap, 0.50);
  state.counters["p99_us"] = percentile(fromTap, 0.99);
  state.counters["max_us"] = percentile(fromTap, 1.0);
  state.counters["p50_from_post_us"] = percentile(fromPost, 0.50);
  state.counters["p99_from_post_us"] = percentile(fromPost, 0.99);
  state.counters["missed"] = static_cast<double>(missed);
  engine.reset();
  controller.reset();
}
BENCHMARK(BM_TapToSwitchLatency)->Iterations(20000)->UseRealTime();

}  // namespace
}  // namespace kestravane
