// What the layout-switch latency benchmarks share, whatever the desktop: Plivex's engine over a
// platform's services with every hop timed (the services wrapped so that the tap callback, the
// fire queue, the main queue and the selection stamp a set of moments), one step that drives the
// main queue until a tap's switch is seen from outside, and the counters a run reports.
// Threads: a TimedEngine is made, driven and destroyed on the benchmark's thread, which drives
//   the main queue; the moments are stamped on the tap thread, the fire queue and the main
//   thread (atomics). A watcher's counts are read from any thread.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/Host/DispatchQueues.h"
#include "Support/ForwardingInputSources.h"
#include "Support/ObservedEventTaps.h"

namespace kestravane::benchmarks {

using Clock = std::chrono::steady_clock;

inline std::int64_t nowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

inline double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

inline double micros(std::int64_t from, std::int64_t to) {
  return static_cast<double>(to - from) / 1000.0;
}

// The moments of one switch, in steady-clock nanoseconds; 0 while not reached.
struct Moments {
  std::atomic<std::int64_t> callback{0};     // the engine's tap callback is entered
  std::atomic<std::int64_t> tapSelect{0};    // the tap thread has sent the group lock (X11)
  std::atomic<std::int64_t> fireQueue{0};    // a block starts on "kestravane.fire"
  std::atomic<std::int64_t> mainQueue{0};    // a block starts on the main queue
  std::atomic<std::int64_t> selectStart{0};  // the switcher is about to select
  std::atomic<std::int64_t> selectEnd{0};    // the selection has returned
  void reset() {
    for (auto* moment : {&callback, &tapSelect, &fireQueue, &mainQueue, &selectStart, &selectEnd})
      *moment = 0;
  }
};

// Records the first moment since the last reset.
inline void stamp(std::atomic<std::int64_t>& moment) {
  std::int64_t unset = 0;
  moment.compare_exchange_strong(unset, nowNanos());
}

class TimedQueue final : public platform::DispatchQueue {
 public:
  TimedQueue(std::shared_ptr<platform::DispatchQueue> queue, std::atomic<std::int64_t>& moment)
      : queue(std::move(queue)), moment(moment) {}
  void async(std::function<void()> block) override {
    queue->async([this, block = std::move(block)] {
      stamp(moment);
      block();
    });
  }
  const std::string& label() const override { return queue->label(); }

 private:
  const std::shared_ptr<platform::DispatchQueue> queue;
  std::atomic<std::int64_t>& moment;
};

class TimedDispatch final : public platform::Dispatch {
 public:
  TimedDispatch(std::shared_ptr<platform::Dispatch> dispatch, Moments& moments)
      : dispatch(std::move(dispatch)),
        main(std::make_shared<TimedQueue>(this->dispatch->mainQueue(), moments.mainQueue)),
        moments(moments) {}
  std::shared_ptr<platform::DispatchQueue> mainQueue() override { return main; }
  std::shared_ptr<platform::DispatchQueue> createSerialQueue(const std::string& label) override {
    return std::make_shared<TimedQueue>(dispatch->createSerialQueue(label), moments.fireQueue);
  }
  void asyncAfterOnMain(double seconds, std::function<void()> block) override {
    dispatch->asyncAfterOnMain(seconds, std::move(block));
  }
  std::shared_ptr<platform::Cancellable> scheduleRepeatingOnMain(
      double seconds, std::function<void()> block) override {
    return dispatch->scheduleRepeatingOnMain(seconds, std::move(block));
  }

 private:
  const std::shared_ptr<platform::Dispatch> dispatch;
  const std::shared_ptr<platform::DispatchQueue> main;
  Moments& moments;
};

class TimedInputSources final : public testing_support::ForwardingInputSources {
 public:
  TimedInputSources(std::shared_ptr<platform::TextInputSources> sources, Moments& moments)
      : ForwardingInputSources(std::move(sources)), moments(moments) {}
  platform::OSStatus selectInputSource(const platform::InputSource& source) override {
    stamp(moments.selectStart);
    const auto status = ForwardingInputSources::selectInputSource(source);
    stamp(moments.selectEnd);
    return status;
  }

 private:
  Moments& moments;
};

// Plivex's engine over a platform's services, every hop timed; started, and active on return
// (or after `limit`, then `active()` says no).
struct TimedEngine {
  TimedEngine(const platform::Services& platformServices, TriggerKind trigger,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    auto services = std::make_shared<platform::Services>(platformServices);
    services->dispatch = std::make_shared<TimedDispatch>(services->dispatch, moments);
    services->eventTaps = std::make_shared<testing_support::ObservedEventTaps>(
        services->eventTaps, [this] { stamp(moments.callback); },
        [this] { stamp(moments.tapSelect); });
    services->inputSources = std::make_shared<TimedInputSources>(services->inputSources, moments);
    parts = SwitchingEngine::make(
        services, InputSourceSwitcher(*services), {.trigger = trigger},
        [this](const InputSourceSwitcher::Result&) { switches.fetch_add(1); }, nullptr);
    parts.start();
    const auto deadline = Clock::now() + limit;
    while (!active() && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~TimedEngine() { parts.stop(); }
  TimedEngine(const TimedEngine&) = delete;
  TimedEngine& operator=(const TimedEngine&) = delete;

  bool active() const { return parts.engine->health() == EngineHealth::active; }

  Moments moments;
  std::atomic<std::size_t> switches{0};
  SwitchingEngine parts;
};

struct Samples {
  std::vector<double> total, toCallback, toTapSelect, tapSelectToNotify, toFireQueue, toMainQueue,
      beforeSelect, select, selectToNotify;
  std::size_t missed = 0;
};

// Names of the counters for the last two hops: how the desktop selects and tells of the change.
struct SelectHopNames {
  std::string select;
  std::string selectToNotify;
};

// A separate client's reading thread that notes each change of the layout it reads: how many,
// the moment of the last, and a wait for the next. A watcher starts it with the loop that reads
// its connection and polls wakeDescriptor() beside it; stop() wakes that loop and joins it (a
// watcher calls it before its connection closes).
class ChangeWatcher {
 public:
  ChangeWatcher() : wake(eventfd(0, EFD_CLOEXEC)) {}
  ~ChangeWatcher() {
    stop();
    close(wake);
  }
  ChangeWatcher(const ChangeWatcher&) = delete;
  ChangeWatcher& operator=(const ChangeWatcher&) = delete;

  std::uint64_t changes() const { return count.load(std::memory_order_acquire); }
  std::int64_t lastChange() const { return last.load(std::memory_order_acquire); }
  // Waits until more than `seen` changes were read, at most `limit`.
  bool awaitChange(std::uint64_t seen, std::chrono::milliseconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (changes() <= seen) {
      if (Clock::now() > deadline) return false;
      std::this_thread::yield();
    }
    return true;
  }

 protected:
  void start(std::function<void()> loop) { thread = std::thread(std::move(loop)); }
  void stop() {
    if (!thread.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake, &one, sizeof one);
    thread.join();
  }
  // On the reading thread: a change read at `moment`.
  void note(std::int64_t moment) {
    last.store(moment, std::memory_order_release);
    count.fetch_add(1, std::memory_order_acq_rel);
  }
  int wakeDescriptor() const { return wake; }

 private:
  const int wake;
  std::atomic<std::uint64_t> count{0};
  std::atomic<std::int64_t> last{0};
  std::thread thread;
};

// Runs the main queue until the switch a tap started is done and the watcher has seen the new
// layout (a second at most), then records the tap's time and each hop, or a miss.
inline void awaitSwitch(Samples& samples, const TimedEngine& engine, const ChangeWatcher& watcher,
                        platform::host::DispatchQueues& mainQueue, std::uint64_t seen,
                        std::size_t switched, std::int64_t sent) {
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while ((watcher.changes() <= seen || engine.switches.load() == switched) &&
         Clock::now() < deadline) {
    if (mainQueue.waitForWork(std::chrono::milliseconds(1))) mainQueue.runPending();
  }
  if (watcher.changes() <= seen) {
    ++samples.missed;
    return;
  }
  const auto& moments = engine.moments;
  const auto notified = watcher.lastChange();
  samples.total.push_back(micros(sent, notified));
  samples.toCallback.push_back(micros(sent, moments.callback));
  samples.toFireQueue.push_back(micros(moments.callback, moments.fireQueue));
  samples.toMainQueue.push_back(micros(moments.fireQueue, moments.mainQueue));
  // Where the tap thread selected (X11), the queues' hops come after the switch.
  if (moments.tapSelect != 0) {
    samples.toTapSelect.push_back(micros(moments.callback, moments.tapSelect));
    samples.tapSelectToNotify.push_back(micros(moments.tapSelect, notified));
    return;
  }
  samples.beforeSelect.push_back(micros(moments.mainQueue, moments.selectStart));
  samples.select.push_back(micros(moments.selectStart, moments.selectEnd));
  samples.selectToNotify.push_back(micros(moments.selectStart, notified));
}

// A lone tap whose release decides. The press first (`press` sends it), with what it asks of the
// main queue (secure input), so that the moments recorded are the release's; then the release
// (`release` sends it and returns the moment it left), awaited and recorded as by awaitSwitch().
inline void tapTimedAtRelease(Samples& samples, TimedEngine& engine, const ChangeWatcher& watcher,
                              platform::host::DispatchQueues& mainQueue,
                              const std::function<void()>& press,
                              const std::function<std::int64_t()>& release) {
  engine.moments.reset();
  press();
  const auto pressDeadline = Clock::now() + std::chrono::seconds(1);
  while (engine.moments.callback.load() == 0 && Clock::now() < pressDeadline) {
    if (mainQueue.waitForWork(std::chrono::milliseconds(1))) mainQueue.runPending();
  }
  while (mainQueue.waitForWork(std::chrono::milliseconds(0))) mainQueue.runPending();
  engine.moments.reset();
  const auto seen = watcher.changes();
  const auto switched = engine.switches.load();
  const auto sent = release();
  awaitSwitch(samples, engine, watcher, mainQueue, seen, switched, sent);
}

// The p50 and p99 of the whole way (and its slowest), the misses, and with `hops` each hop's.
inline void report(benchmark::State& state, const Samples& samples,
                   const std::optional<SelectHopNames>& hops) {
  const auto put = [&](const std::string& name, const std::vector<double>& values) {
    if (values.empty()) return;
    state.counters[name + "_p50_us"] = percentile(values, 0.50);
    state.counters[name + "_p99_us"] = percentile(values, 0.99);
  };
  put("total", samples.total);
  state.counters["total_max_us"] = percentile(samples.total, 1.0);
  state.counters["missed"] = static_cast<double>(samples.missed);
  if (!hops) return;
  put("raw_to_callback", samples.toCallback);
  put("callback_to_tap_lock", samples.toTapSelect);
  put("tap_lock_to_notify", samples.tapSelectToNotify);
  put("callback_to_fire_queue", samples.toFireQueue);
  put("fire_to_main_queue", samples.toMainQueue);
  put("main_to_select", samples.beforeSelect);
  put(hops->select, samples.select);
  put(hops->selectToNotify, samples.selectToNotify);
}

// Beside the desktop's own switching, timed the same way in the same run: its percentiles, its
// misses, and the ratios of Plivex's to it.
inline void reportBeside(benchmark::State& state, const std::string& name, const Samples& plivex,
                         const Samples& own) {
  state.counters[name + "_p50_us"] = percentile(own.total, 0.50);
  state.counters[name + "_p99_us"] = percentile(own.total, 0.99);
  state.counters[name + "_missed"] = static_cast<double>(own.missed);
  state.counters["ratio_p50"] = percentile(plivex.total, 0.50) / percentile(own.total, 0.50);
  state.counters["ratio_p99"] = percentile(plivex.total, 0.99) / percentile(own.total, 0.99);
}

}  // namespace kestravane::benchmarks
