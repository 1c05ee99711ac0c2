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
#include <sys/wait.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/X11/X11KeyTable.h"
#include "Platform/X11/X11Platform.h"
#include "Support/XvfbServer.h"
#include "SwitchTiming.h"

namespace kestravane {
namespace {

using namespace std::chrono_literals;
using benchmarks::Clock;
using benchmarks::micros;
using benchmarks::nowNanos;
using benchmarks::percentile;
using benchmarks::Samples;
using benchmarks::TimedEngine;

// A client of its own that notes the moment it reads each group change (XkbStateNotify).
class GroupWatcher final : public benchmarks::ChangeWatcher {
 public:
  explicit GroupWatcher(const std::string& display) : connection(XOpenDisplay(display.c_str())) {
    XkbSelectEventDetails(connection, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                          XkbGroupStateMask);
    XSync(connection, False);
    int opcode = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    XkbQueryExtension(connection, &opcode, &xkbEvent, &error, &major, &minor);
    start([this] { watch(); });
  }
  ~GroupWatcher() {
    stop();
    XCloseDisplay(connection);
  }

 private:
  void watch() {
    pollfd waiting[2] = {{ConnectionNumber(connection), POLLIN, 0}, {wakeDescriptor(), POLLIN, 0}};
    for (;;) {
      while (XPending(connection) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
        const auto now = nowNanos();
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (event.type == xkbEvent && xkb.any.xkb_type == XkbStateNotify &&
            (xkb.state.changed & XkbGroupStateMask) != 0) {
          note(now);
        }
      }
      poll(waiting, 2, -1);
      if (waiting[1].revents != 0) return;
    }
  }

  Display* const connection;
  int xkbEvent = 0;
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

// The X11 way of the hops the desktop owns: the lock with its check, and the change reaching the
// watching client.
const benchmarks::SelectHopNames kLockGroupHops{"lock_group_round_trip", "lock_group_to_notify"};

void report(benchmark::State& state, const Samples& samples, bool hops) {
  benchmarks::report(state, samples, hops ? std::optional(kLockGroupHops) : std::nullopt);
}

// Plivex's engine on the display: an X11 platform of its own (its state in a folder of its own)
// with the timed engine over its services.
struct X11Plivex {
  X11Plivex(const std::string& display, TriggerKind trigger)
      : stateFolder("/tmp/plivex-x11-benchmark-" + std::to_string(getpid())),
        platform(open(display, stateFolder)),
        engine(*platform->services(), trigger) {}
  ~X11Plivex() {
    engine.parts.stop();
    std::error_code ignored;
    std::filesystem::remove_all(stateFolder, ignored);
  }
  X11Plivex(const X11Plivex&) = delete;
  X11Plivex& operator=(const X11Plivex&) = delete;

  static std::unique_ptr<platform::x11::X11Platform> open(const std::string& display,
                                                          const std::string& stateFolder) {
    platform::x11::X11PlatformOptions options;
    options.displayName = display;
    options.stateDirectory = stateFolder;
    return platform::x11::X11Platform::open(options);
  }

  const std::string stateFolder;
  const std::unique_ptr<platform::x11::X11Platform> platform;
  TimedEngine engine;
};

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
  X11Plivex plivex(server.display(), trigger);
  auto& moments = plivex.engine.moments;
  auto& mainQueue = plivex.platform->dispatch();

  GroupWatcher watcher(server.display());
  Injector injector(server.display());
  const unsigned key = trigger == TriggerKind::capsLock ? platform::x11::kXKeycodeCapsLock
                                                        : platform::x11::kXKeycodeMenu;
  Samples samples;
  for (auto _ : state) {
    if (trigger != TriggerKind::capsLock) {
      // The press's own turn on the main queue (secure input) would otherwise stamp the main
      // queue before the release's fire does.
      benchmarks::tapTimedAtRelease(
          samples, plivex.engine, watcher, mainQueue, [&] { injector.send(key, true); },
          [&] { return injector.send(key, false); });
      continue;
    }
    moments.reset();
    const auto seen = watcher.changes();
    const auto switched = plivex.engine.switches.load();
    const std::int64_t sent = injector.send(key, true);
    injector.send(key, false);
    benchmarks::awaitSwitch(samples, plivex.engine, watcher, mainQueue, seen, switched, sent);
  }
  plivex.engine.parts.stop();
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
  X11Plivex engine(server.display(), TriggerKind::fn);
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
    benchmarks::tapTimedAtRelease(
        plivex, engine.engine, watcher, mainQueue,
        [&] { injector.send(platform::x11::kXKeycodeMenu, true); },
        [&] { return injector.send(platform::x11::kXKeycodeMenu, false); });
  }
  engine.engine.parts.stop();
  report(state, plivex, true);
  benchmarks::reportBeside(state, "xkb", plivex, xkb);
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
  benchmarks::reportBeside(state, "xkb", plivex, xkb);
}
BENCHMARK(BM_ProgramBesideXkb)->Iterations(600)->UseRealTime()->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
}  // namespace kestravane
