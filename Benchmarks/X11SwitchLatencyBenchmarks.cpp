// On a real X server (an Xvfb of the program's own): the time from the key event that decides a
// switch, sent through XTest, to the group change that a separate client sees as XkbStateNotify.
// Through Plivex (its engine, switch controller and switcher over the X11 services, as the
// application wires them) for Caps Lock, which fires on the press, and for the Menu key standing
// for fn, which fires on the release; beside XKB switching by itself (grp:caps_toggle, on the
// press), the floor that any program listening to the keyboard starts from. Each hop Plivex adds
// is timed too: the raw event reaching the tap callback, and then the group lock sent from the
// tap thread; after it (or, where the tap thread did not select, before the lock) the hand-over
// to the fire queue, to the main queue, the switcher's work before it selects, and XkbLockGroup
// with its check.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/X11/X11KeyTable.h"
#include "Platform/X11/X11Platform.h"
#include "Support/ObservedEventTaps.h"
#include "Support/XvfbServer.h"

namespace kestravane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::int64_t nowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

// The moments of one switch, in steady-clock nanoseconds; 0 while not reached.
struct Moments {
  std::atomic<std::int64_t> callback{0};     // the engine's tap callback is entered
  std::atomic<std::int64_t> tapSelect{0};    // the tap thread has sent the group lock
  std::atomic<std::int64_t> fireQueue{0};    // a block starts on "kestravane.fire"
  std::atomic<std::int64_t> mainQueue{0};    // a block starts on the main queue
  std::atomic<std::int64_t> selectStart{0};  // XkbLockGroup is about to be sent
  std::atomic<std::int64_t> selectEnd{0};    // the group has been read back
  void reset() {
    for (auto* moment : {&callback, &tapSelect, &fireQueue, &mainQueue, &selectStart, &selectEnd})
      *moment = 0;
  }
};

// Records the first moment since the last reset.
void stamp(std::atomic<std::int64_t>& moment) {
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

class TimedInputSources final : public platform::TextInputSources {
 public:
  TimedInputSources(std::shared_ptr<platform::TextInputSources> sources, Moments& moments)
      : sources(std::move(sources)), moments(moments) {}
  std::optional<std::vector<std::shared_ptr<platform::InputSource>>> createInputSourceList(
      const platform::InputSourceFilter& filter, bool includeAllInstalled) override {
    return sources->createInputSourceList(filter, includeAllInstalled);
  }
  std::optional<std::string> stringProperty(const platform::InputSource& source,
                                            std::string_view key) override {
    return sources->stringProperty(source, key);
  }
  std::shared_ptr<platform::InputSource> copyCurrentKeyboardInputSource() override {
    return sources->copyCurrentKeyboardInputSource();
  }
  platform::OSStatus selectInputSource(const platform::InputSource& source) override {
    stamp(moments.selectStart);
    const auto status = sources->selectInputSource(source);
    stamp(moments.selectEnd);
    return status;
  }
  void setSourcesChangedObserver(std::function<void()> observer) override {
    sources->setSourcesChangedObserver(std::move(observer));
  }

 private:
  const std::shared_ptr<platform::TextInputSources> sources;
  Moments& moments;
};

// A client of its own that notes the moment it reads each group change (XkbStateNotify).
class GroupWatcher {
 public:
  explicit GroupWatcher(const std::string& display)
      : connection(XOpenDisplay(display.c_str())), wake(eventfd(0, EFD_CLOEXEC)) {
    XkbSelectEventDetails(connection, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                          XkbGroupStateMask);
    XSync(connection, False);
    int opcode = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    XkbQueryExtension(connection, &opcode, &xkbEvent, &error, &major, &minor);
    thread = std::thread([this] { watch(); });
  }
  ~GroupWatcher() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake, &one, sizeof one);
    thread.join();
    close(wake);
    XCloseDisplay(connection);
  }

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

 private:
  void watch() {
    pollfd waiting[2] = {{ConnectionNumber(connection), POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
      while (XPending(connection) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
        const auto now = nowNanos();
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (event.type == xkbEvent && xkb.any.xkb_type == XkbStateNotify &&
            (xkb.state.changed & XkbGroupStateMask) != 0) {
          last.store(now, std::memory_order_release);
          count.fetch_add(1, std::memory_order_acq_rel);
        }
      }
      poll(waiting, 2, -1);
      if (waiting[1].revents != 0) return;
    }
  }

  Display* const connection;
  const int wake;
  int xkbEvent = 0;
  std::atomic<std::uint64_t> count{0};
  std::atomic<std::int64_t> last{0};
  std::thread thread;
};

class Injector {
 public:
  explicit Injector(const std::string& display) : connection(XOpenDisplay(display.c_str())) {}
  ~Injector() { XCloseDisplay(connection); }
  // Sends the event and returns the moment it left.
  std::int64_t send(unsigned keycode, bool press) {
    XTestFakeKeyEvent(connection, keycode, press ? True : False, CurrentTime);
    const auto sent = nowNanos();
    XFlush(connection);
    return sent;
  }
  void sync() { XSync(connection, False); }

 private:
  Display* const connection;
};

struct Samples {
  std::vector<double> total, toCallback, toTapSelect, tapSelectToNotify, toFireQueue, toMainQueue,
      beforeSelect, select, selectToNotify;
  std::size_t missed = 0;
};

double micros(std::int64_t from, std::int64_t to) {
  return static_cast<double>(to - from) / 1000.0;
}

void report(benchmark::State& state, const Samples& samples, bool hops) {
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
  put("lock_group_round_trip", samples.select);
  put("lock_group_to_notify", samples.selectToNotify);
}

// XKB's own switching: Caps Lock with grp:caps_toggle locks the next group at the press.
// Plivex's engine on the display with every hop timed: the platform's services wrapped so that
// the tap callback, the queues and the selection stamp `moments`; started, and active on return.
struct TimedEngine {
  TimedEngine(const std::string& display, TriggerKind trigger)
      : stateFolder("/tmp/plivex-x11-benchmark-" + std::to_string(getpid())) {
    platform::x11::X11PlatformOptions options;
    options.displayName = display;
    options.stateDirectory = stateFolder;
    platform = platform::x11::X11Platform::open(options);
    auto services = std::make_shared<platform::Services>(*platform->services());
    services->dispatch = std::make_shared<TimedDispatch>(services->dispatch, moments);
    services->eventTaps = std::make_shared<testing_support::ObservedEventTaps>(
        services->eventTaps, [this] { stamp(moments.callback); },
        [this] { stamp(moments.tapSelect); });
    services->inputSources = std::make_shared<TimedInputSources>(services->inputSources, moments);
    parts = SwitchingEngine::make(
        services, InputSourceSwitcher(*services), {.trigger = trigger},
        [this](const InputSourceSwitcher::Result&) { switches.fetch_add(1); }, nullptr);
    parts.start();
    while (parts.engine->health() != EngineHealth::active) std::this_thread::sleep_for(1ms);
  }
  ~TimedEngine() {
    std::error_code ignored;
    std::filesystem::remove_all(stateFolder, ignored);
  }
  TimedEngine(const TimedEngine&) = delete;
  TimedEngine& operator=(const TimedEngine&) = delete;

  const std::string stateFolder;
  Moments moments;
  std::atomic<std::size_t> switches{0};
  std::unique_ptr<platform::x11::X11Platform> platform;
  SwitchingEngine parts;
};

// Runs the main queue until the switch a tap started is done and the server has told of the new
// group (a second at most), then records the tap's time and each hop, or a miss.
void awaitSwitch(Samples& samples, const Moments& moments, GroupWatcher& watcher,
                 const std::atomic<std::size_t>& switches,
                 platform::host::DispatchQueues& mainQueue, std::uint64_t seen,
                 std::size_t switched, std::int64_t sent) {
  const auto deadline = Clock::now() + 1s;
  while ((watcher.changes() <= seen || switches.load() == switched) && Clock::now() < deadline) {
    if (mainQueue.waitForWork(1ms)) mainQueue.runPending();
  }
  if (watcher.changes() <= seen) {
    ++samples.missed;
    return;
  }
  const auto notified = watcher.lastChange();
  samples.total.push_back(micros(sent, notified));
  samples.toCallback.push_back(micros(sent, moments.callback));
  samples.toFireQueue.push_back(micros(moments.callback, moments.fireQueue));
  samples.toMainQueue.push_back(micros(moments.fireQueue, moments.mainQueue));
  if (moments.tapSelect != 0) {
    samples.toTapSelect.push_back(micros(moments.callback, moments.tapSelect));
    samples.tapSelectToNotify.push_back(micros(moments.tapSelect, notified));
    return;
  }
  samples.beforeSelect.push_back(micros(moments.mainQueue, moments.selectStart));
  samples.select.push_back(micros(moments.selectStart, moments.selectEnd));
  samples.selectToNotify.push_back(micros(moments.selectStart, notified));
}

void BM_XkbOwnSwitch(benchmark::State& state) {
  if (!testing_support::XvfbServer::installed()) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  testing_support::XvfbServer server;
  if (!server.running() || !server.setLayouts("us,ru", "grp:caps_toggle")) {
    state.SkipWithError("Xvfb or setxkbmap failed");
    return;
  }
  GroupWatcher watcher(server.display());
  Injector injector(server.display());
  Samples samples;
  for (auto _ : state) {
    const auto seen = watcher.changes();
    const auto sent = injector.send(platform::x11::kXKeycodeCapsLock, true);
    if (!watcher.awaitChange(seen, 1s)) {
      ++samples.missed;
    } else {
      samples.total.push_back(micros(sent, watcher.lastChange()));
    }
    injector.send(platform::x11::kXKeycodeCapsLock, false);
    injector.sync();
  }
  report(state, samples, false);
}
BENCHMARK(BM_XkbOwnSwitch)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Through Plivex: the trigger key's deciding event (Caps Lock's press, the Menu key's release)
// to the group change.
void BM_PlivexSwitch(benchmark::State& state, TriggerKind trigger) {
  if (!testing_support::XvfbServer::installed()) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  testing_support::XvfbServer server;
  if (!server.running() || !server.setLayouts("us,ru")) {
    state.SkipWithError("Xvfb or setxkbmap failed");
    return;
  }
  TimedEngine plivex(server.display(), trigger);
  auto& moments = plivex.moments;
  auto& switches = plivex.switches;
  auto& mainQueue = plivex.platform->dispatch();

  GroupWatcher watcher(server.display());
  Injector injector(server.display());
  const unsigned key = trigger == TriggerKind::capsLock ? platform::x11::kXKeycodeCapsLock
                                                        : platform::x11::kXKeycodeMenu;
  Samples samples;
  for (auto _ : state) {
    moments.reset();
    const auto seen = watcher.changes();
    const auto switched = switches.load();
    std::int64_t sent = injector.send(key, true);
    const std::int64_t released = injector.send(key, false);
    if (trigger != TriggerKind::capsLock) sent = released;
    awaitSwitch(samples, moments, watcher, switches, mainQueue, seen, switched, sent);
  }
  plivex.parts.stop();
  report(state, samples, true);
}
BENCHMARK_CAPTURE(BM_PlivexSwitch, capsLockPress, TriggerKind::capsLock)
    ->Iterations(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlivexSwitch, menuKeyRelease, TriggerKind::fn)
    ->Iterations(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Both in one run, tap by tap: XKB's own switching (Caps Lock with grp:caps_toggle) and Plivex's
// (the Menu key as fn, whose release fires) alternate on one server and one keymap, so that both
// meet the same load at the same moments. Counters: each path's percentiles and their ratio.
void BM_AlternatingBesideXkb(benchmark::State& state) {
  if (!testing_support::XvfbServer::installed()) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  testing_support::XvfbServer server;
  if (!server.running() || !server.setLayouts("us,ru", "grp:caps_toggle")) {
    state.SkipWithError("Xvfb or setxkbmap failed");
    return;
  }
  TimedEngine engine(server.display(), TriggerKind::fn);
  auto& moments = engine.moments;
  auto& switches = engine.switches;
  auto& mainQueue = engine.platform->dispatch();

  GroupWatcher watcher(server.display());
  Injector injector(server.display());
  Samples xkb;
  Samples plivex;
  for (auto _ : state) {
    {
      const auto seen = watcher.changes();
      const auto sent = injector.send(platform::x11::kXKeycodeCapsLock, true);
      if (watcher.awaitChange(seen, 1s)) {
        xkb.total.push_back(micros(sent, watcher.lastChange()));
      } else {
        ++xkb.missed;
      }
      injector.send(platform::x11::kXKeycodeCapsLock, false);
      injector.sync();
    }
    // The press first, with what it asks of the main queue (secure input), so that the moments
    // below are the release's, which decides.
    moments.reset();
    injector.send(platform::x11::kXKeycodeMenu, true);
    const auto pressDeadline = Clock::now() + 1s;
    while (moments.callback.load() == 0 && Clock::now() < pressDeadline) {
      if (mainQueue.waitForWork(1ms)) mainQueue.runPending();
    }
    while (mainQueue.waitForWork(0ms)) mainQueue.runPending();
    moments.reset();
    const auto seen = watcher.changes();
    const auto switched = switches.load();
    const std::int64_t sent = injector.send(platform::x11::kXKeycodeMenu, false);
    awaitSwitch(plivex, moments, watcher, switches, mainQueue, seen, switched, sent);
  }
  engine.parts.stop();
  report(state, plivex, true);
  state.counters["xkb_p50_us"] = percentile(xkb.total, 0.50);
  state.counters["xkb_p99_us"] = percentile(xkb.total, 0.99);
  state.counters["xkb_missed"] = static_cast<double>(xkb.missed);
  state.counters["ratio_p50"] = percentile(plivex.total, 0.50) / percentile(xkb.total, 0.50);
  state.counters["ratio_p99"] = percentile(plivex.total, 0.99) / percentile(xkb.total, 0.99);
}
BENCHMARK(BM_AlternatingBesideXkb)->Iterations(600)->UseRealTime()->Unit(benchmark::kMicrosecond);

#ifdef PLIVEX_APP_PATH
// The same alternation with the program itself (plivex, its Qt event loop driving the main queue)
// on the server, started as a user starts it: only the whole way from the Menu key's release to
// the group change can be seen from outside.
void BM_ProgramBesideXkb(benchmark::State& state) {
  if (!testing_support::XvfbServer::installed()) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  testing_support::XvfbServer server;
  if (!server.running() || !server.setLayouts("us,ru", "grp:caps_toggle")) {
    state.SkipWithError("Xvfb or setxkbmap failed");
    return;
  }
  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("plivex-latency-" + std::to_string(getpid()));
  std::filesystem::create_directories(home / "runtime");
  std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  const pid_t program = fork();
  if (program == 0) {
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("XDG_SESSION_TYPE", "x11", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    setenv("TMPDIR", home.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    execl(PLIVEX_APP_PATH, PLIVEX_APP_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  GroupWatcher watcher(server.display());
  Injector injector(server.display());
  const auto menuTap = [&] {
    injector.send(platform::x11::kXKeycodeMenu, true);
    return injector.send(platform::x11::kXKeycodeMenu, false);
  };
  // Started once a tap switches (the first taps may come before its engine runs).
  bool started = false;
  for (int attempt = 0; attempt < 100 && !started; ++attempt) {
    const auto seen = watcher.changes();
    menuTap();
    started = watcher.awaitChange(seen, 200ms);
  }
  Samples xkb;
  Samples plivex;
  for (auto _ : state) {
    if (!started) break;
    const auto xkbSeen = watcher.changes();
    const auto xkbSent = injector.send(platform::x11::kXKeycodeCapsLock, true);
    if (watcher.awaitChange(xkbSeen, 1s)) {
      xkb.total.push_back(micros(xkbSent, watcher.lastChange()));
    } else {
      ++xkb.missed;
    }
    injector.send(platform::x11::kXKeycodeCapsLock, false);
    injector.sync();
    const auto seen = watcher.changes();
    const auto sent = menuTap();
    if (watcher.awaitChange(seen, 1s)) {
      plivex.total.push_back(micros(sent, watcher.lastChange()));
    } else {
      ++plivex.missed;
    }
  }
  kill(program, SIGTERM);
  int status = 0;
  waitpid(program, &status, 0);
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  if (!started) {
    state.SkipWithError("the program never switched");
    return;
  }
  report(state, plivex, false);
  state.counters["xkb_p50_us"] = percentile(xkb.total, 0.50);
  state.counters["xkb_p99_us"] = percentile(xkb.total, 0.99);
  state.counters["xkb_missed"] = static_cast<double>(xkb.missed);
  state.counters["ratio_p50"] = percentile(plivex.total, 0.50) / percentile(xkb.total, 0.50);
  state.counters["ratio_p99"] = percentile(plivex.total, 0.99) / percentile(xkb.total, 0.99);
}
BENCHMARK(BM_ProgramBesideXkb)->Iterations(600)->UseRealTime()->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace kestravane
