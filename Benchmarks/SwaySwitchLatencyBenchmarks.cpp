// On a real headless Sway (a Sway of the program's own, given a keyboard of two layouts, us and
// ru, by a Wayland client): the time from the event that decides a switch to the layout change
// that a separate client, subscribed to Sway's "input" events, reads. Through Plivex (its engine,
// switch controller and switcher over the Wayland services, as the application wires them): the
// Menu key, standing for fn, is tapped on a stand-in evdev keyboard (umockdev), and its release,
// written to the device, decides; Sway is asked over its IPC socket. Beside it, Sway's own
// switching: the very command Plivex's switcher sends (`input type:keyboard xkb_switch_layout N`)
// sent directly over IPC, the floor that any program asking Sway starts from. Each hop Plivex
// adds is timed too: the release reaching the tap callback (umockdev's socket, the tap thread's
// poll wake-up, libevdev), the hand-over to the fire queue, to the main queue, the switcher's
// work before it selects, Sway's command with the switcher's read-back, and the command to the
// event. The program runs under umockdev-wrapper (its main starts itself again under it).
#include <benchmark/benchmark.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "Platform/Wayland/I3IpcSocket.h"
#include "Platform/Wayland/SwayInputs.h"
#include "Platform/Wayland/WaylandPlatform.h"
#include "Support/SpawnedProgram.h"
#include "SwitchTiming.h"
#include "Wayland/EvdevTestbed.h"
#include "Wayland/SwayServer.h"
#include "Wayland/UmockdevRestart.h"

namespace kestravane::benchmarks {
namespace {

using namespace std::chrono_literals;
using platform::wayland::I3IpcSocket;
using testing_support::EvdevTestbed;
using testing_support::SpawnedProgram;
using testing_support::SwayServer;
namespace i3ipc = platform::wayland::i3ipc;

// A client of its own, subscribed to Sway's "input" events, that notes the moment each change
// of the active layout arrives, and the layout it names.
class LayoutChangeWatcher final : public ChangeWatcher {
 public:
  explicit LayoutChangeWatcher(const std::string& socketPath) {
    if (socket.connect(socketPath)) return;
    const auto reply = socket.request(i3ipc::kSubscribe, R"(["input"])", 1s);
    if (!reply.payload || !platform::wayland::swayReplySucceeded(*reply.payload)) return;
    subscribed = true;
    start([this] { watch(); });
  }
  ~LayoutChangeWatcher() { stop(); }

  bool watching() const { return subscribed; }
  std::size_t activeLayout() const { return active.load(std::memory_order_acquire); }

 private:
  void watch() {
    pollfd waiting[2] = {{socket.descriptor(), POLLIN, 0}, {wakeDescriptor(), POLLIN, 0}};
    for (;;) {
      poll(waiting, 2, -1);
      // The moment the bytes are there, before reading and parsing them.
      const auto now = nowNanos();
      if (waiting[1].revents != 0) return;
      const bool open = socket.readAvailable();
      for (const auto& event : socket.takeEvents()) {
        if (event.type != i3ipc::kInputEvent ||
            platform::wayland::parseSwayInputEvent(event.payload) !=
                platform::wayland::DesktopChange::active) {
          continue;
        }
        const auto json = nlohmann::json::parse(event.payload, nullptr, false);
        const auto index = json.is_object() && json.contains("input")
                               ? json["input"].value("xkb_active_layout_index", 0)
                               : 0;
        active.store(static_cast<std::size_t>(index), std::memory_order_release);
        note(now);
      }
      if (!open) return;
    }
  }

  I3IpcSocket socket;
  bool subscribed = false;
  std::atomic<std::size_t> active{0};
};

// What every benchmark here runs on: a headless Sway, a keyboard of two layouts given to it by a
// Wayland client, and a watcher of its layout. `problem` says why a benchmark cannot run.
struct SwaySession {
  SwaySession() {
    if (!SwayServer::installed()) {
      problem = "sway is not installed (scripts/install-deps.sh)";
      return;
    }
    sway = std::make_unique<SwayServer>();
    if (!sway->running()) {
      problem = "sway did not start";
      return;
    }
    testing_support::ProgramOptions options;
    options.arguments = {"us,ru"};
    options.environment = {{"XDG_RUNTIME_DIR", sway->runtimeDirectory()},
                           {"WAYLAND_DISPLAY", sway->waylandDisplay()},
                           {"LD_PRELOAD", std::nullopt},
                           {"UMOCKDEV_DIR", std::nullopt}};
    keyboard = std::make_unique<SpawnedProgram>(PLIVEX_VIRTUAL_KEYBOARD, options);
    if (!keyboard->waitForOutput("ready")) {
      problem = "the virtual keyboard did not start";
      return;
    }
    watcher = std::make_unique<LayoutChangeWatcher>(sway->socketPath());
    if (!watcher->watching()) problem = "no subscription to Sway's input events";
  }

  std::optional<std::string> problem;
  std::unique_ptr<SwayServer> sway;
  std::unique_ptr<SpawnedProgram> keyboard;
  std::unique_ptr<LayoutChangeWatcher> watcher;
};

// Sway's own switching, asked over a connection of its own with the command Plivex's switcher
// sends; returns the moment the command left, or nothing when Sway did not answer.
class SwayCommand {
 public:
  explicit SwayCommand(const std::string& socketPath) { socket.connect(socketPath); }
  std::optional<std::int64_t> switchTo(std::size_t index) {
    const auto payload = "input type:keyboard xkb_switch_layout " + std::to_string(index);
    const auto sent = nowNanos();
    if (!socket.request(i3ipc::kRunCommand, payload, 1s).payload) return std::nullopt;
    return sent;
  }

 private:
  I3IpcSocket socket;
};

// One switch of Sway's own, to the layout that is not active, timed to the watcher's reading.
void ownSwitch(Samples& samples, SwayCommand& command, const LayoutChangeWatcher& watcher) {
  const auto seen = watcher.changes();
  const auto sent = command.switchTo(1 - watcher.activeLayout());
  if (sent && watcher.awaitChange(seen, 1s)) {
    samples.total.push_back(micros(*sent, watcher.lastChange()));
  } else {
    ++samples.missed;
  }
}

// Plivex's engine in the session: the Wayland platform (Sway found through the session's socket
// as the environment would name it; the keyboards read from one stand-in evdev keyboard) with the
// timed engine over its services, for the Menu key as fn.
struct SwayPlivex {
  SwayPlivex(const SwaySession& session, EvdevTestbed& testbed)
      : testbed(testbed),
        keyboard(testbed.add(EvdevTestbed::Kind::keyboard, 1)),
        platform(optionsFor(session.sway->socketPath())),
        engine(*platform.services(), TriggerKind::fn) {}

  static platform::wayland::WaylandPlatformOptions optionsFor(const std::string& socketPath) {
    platform::wayland::WaylandPlatformOptions options;
    // Nowhere to note a withheld key: on Sway the trigger keeps its action anyway.
    options.stateDirectory = std::filesystem::path();
    options.environment = [socketPath](std::string_view name) -> std::optional<std::string> {
      if (name == "XDG_CURRENT_DESKTOP") return "sway";
      if (name == "SWAYSOCK") return socketPath;
      return std::nullopt;
    };
    return options;
  }

  // A lone tap of the Menu key, its release timed from its write to the device.
  void tap(Samples& samples, const LayoutChangeWatcher& watcher) {
    tapTimedAtRelease(
        samples, engine, watcher, platform.dispatch(),
        [&] { testbed.key(keyboard, KEY_COMPOSE, 1); },
        [&] {
          const auto sent = nowNanos();
          testbed.key(keyboard, KEY_COMPOSE, 0);
          return sent;
        });
  }

  EvdevTestbed& testbed;
  const EvdevTestbed::Device keyboard;
  platform::wayland::WaylandPlatform platform;
  TimedEngine engine;
};

// What the benchmarks through Plivex run on: the session, the stand-in devices and Plivex's
// engine, active; `problem` says why a benchmark cannot run.
struct PlivexOnSway {
  PlivexOnSway() : problem(session.problem) {
    if (problem) return;
    plivex = std::make_unique<SwayPlivex>(session, testbed);
    if (!plivex->engine.active()) problem = "the engine did not start on the stand-in keyboard";
  }
  ~PlivexOnSway() {
    if (plivex) plivex->engine.parts.stop();
  }

  SwaySession session;
  EvdevTestbed testbed;
  std::optional<std::string> problem;
  std::unique_ptr<SwayPlivex> plivex;
};

// Sway's side of a switch: its command with the switcher's read-back of the active layout, and
// the command to the watching client's reading of the event.
const SelectHopNames kSwayHops{"run_command_and_read_back", "run_command_to_event"};

// Whether a benchmark cannot run: then it says why and is skipped.
bool cannotRun(benchmark::State& state, const std::optional<std::string>& problem) {
  if (problem) state.SkipWithError(problem->c_str());
  return problem.has_value();
}

void BM_SwayOwnSwitch(benchmark::State& state) {
  SwaySession session;
  if (cannotRun(state, session.problem)) return;
  SwayCommand command(session.sway->socketPath());
  Samples samples;
  for (auto _ : state) ownSwitch(samples, command, *session.watcher);
  report(state, samples, std::nullopt);
}
BENCHMARK(BM_SwayOwnSwitch)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Through Plivex: the Menu key's release on the stand-in keyboard to the layout change.
void BM_PlivexSwaySwitch(benchmark::State& state) {
  PlivexOnSway run;
  if (cannotRun(state, run.problem)) return;
  Samples samples;
  for (auto _ : state) run.plivex->tap(samples, *run.session.watcher);
  run.plivex->engine.parts.stop();
  report(state, samples, kSwayHops);
}
BENCHMARK(BM_PlivexSwaySwitch)->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Both in one run, tap by tap: Sway's own switch and Plivex's alternate on one Sway and one
// keyboard, so that both meet the same load at the same moments. Counters: each path's
// percentiles, Plivex's hops and the ratios.
void BM_PlivexBesideSway(benchmark::State& state) {
  PlivexOnSway run;
  if (cannotRun(state, run.problem)) return;
  SwayCommand command(run.session.sway->socketPath());
  Samples own;
  Samples through;
  auto& mainQueue = run.plivex->platform.dispatch();
  for (auto _ : state) {
    ownSwitch(own, command, *run.session.watcher);
    // Plivex hears of Sway's switch too (its subscription): that notice runs before the tap.
    while (mainQueue.waitForWork(1ms)) mainQueue.runPending();
    run.plivex->tap(through, *run.session.watcher);
  }
  run.plivex->engine.parts.stop();
  report(state, through, kSwayHops);
  reportBeside(state, "sway", through, own);
}
BENCHMARK(BM_PlivexBesideSway)->Iterations(600)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestravane::benchmarks

int main(int argc, char** argv) {
  if (!kestravane::testing_support::restartUnderUmockdev(PLIVEX_UMOCKDEV_WRAPPER, argc, argv)) {
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
