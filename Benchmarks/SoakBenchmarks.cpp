// A long session in one run: 100,000 lone fn taps, each after a typed key, through the engine on
// the virtual Mac (tap thread, fire queue, layout switch on the main queue), as fast as they
// go. What it measures is memory: the resident size once the session has warmed up and after
// all the taps, which must stay flat (nothing the program or the virtual Mac keeps grows with
// what was typed).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane {
namespace {

namespace vmac = platform::vmac;
using namespace std::chrono_literals;

constexpr std::int64_t kTaps = 100'000;
// Taps before the first reading, so that what is made once (threads, queues, the allocator's
// arenas, the history of delivered events) already exists.
constexpr std::int64_t kWarmUpTaps = 5'000;

// The resident set size of this process, in KiB (VmRSS in /proc/self/status).
double residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6));
  }
  return 0;
}

void BM_LoneTapSoak(benchmark::State& state) {
  vmac::VirtualMac mac;  // manual clock: the taps take no real time
  mac.grantAllPermissions();
  std::int64_t switches = 0;
  auto parts = SwitchingEngine::make(
      mac.services(), InputSourceSwitcher(*mac.services()), {},
      [&](const InputSourceSwitcher::Result&) { ++switches; }, nullptr);
  parts.engine->start();
  const auto started = std::chrono::steady_clock::now() + 5s;
  while (parts.engine->health() != EngineHealth::active) {
    if (std::chrono::steady_clock::now() > started) return state.SkipWithError("engine not active");
    std::this_thread::sleep_for(1ms);
  }

  auto& keyboard = mac.keyboard();
  auto& mainQueue = mac.dispatch();
  const auto tap = [&] {
    keyboard.tap(vmac::keycode::a);
    keyboard.press(vmac::keycode::function);
    mac.clock().advanceMillis(50);
    keyboard.release(vmac::keycode::function);
    mainQueue.runPending();  // the switches whose fires have arrived
  };
  const auto settle = [&](std::int64_t expected) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (switches < expected && std::chrono::steady_clock::now() < deadline) {
      if (mainQueue.waitForWork(100ms)) mainQueue.runPending();
    }
  };

  for (std::int64_t i = 0; i < kWarmUpTaps; ++i) tap();
  settle(kWarmUpTaps);
  const double before = residentKiB();
  std::int64_t taps = 0;
  for (auto _ : state) {
    for (std::int64_t i = 0; i < kTaps; ++i) tap();
    taps += kTaps;
  }
  settle(kWarmUpTaps + taps);
  const double after = residentKiB();
  parts.engine->stop();

  state.SetItemsProcessed(taps);
  state.counters["rss_before_KiB"] = before;
  state.counters["rss_after_KiB"] = after;
  state.counters["growth_B_per_tap"] = (after - before) * 1024.0 / static_cast<double>(taps);
  state.counters["switches"] = static_cast<double>(switches);
  state.counters["delivered_kept"] =
      static_cast<double>(mac.windowServer().receivedEvents().size());
}
BENCHMARK(BM_LoneTapSoak)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kestravane
