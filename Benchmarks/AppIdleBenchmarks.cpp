// A program at rest, measured from outside as a user's system monitor sees it: its resident
// memory once it has started, and the CPU time and wake-ups it spends over an idle stretch. Each
// benchmark starts the program under test as a child process on the current display, so run it
// under an X server (scripts/measure-idle.sh starts Xvfb and a tray host for it).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

double secondsFromEnvironment(const char* name, double fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::strtod(value, nullptr) : fallback;
}

// VmRSS of the whole process, in KiB.
long residentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// User plus system CPU time of every thread, in clock ticks.
long cpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  // Fields after the command name, which is in parentheses and may hold blanks.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) utime = std::stol(field);
    if (index == 15) {
      stime = std::stol(field);
      break;
    }
  }
  return utime + stime;
}

// Voluntary context switches of every thread: how often the program woke up and went back to
// sleep.
long wakeUps(pid_t pid) {
  long total = 0;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
    }
  }
  return total;
}

void measureIdle(benchmark::State& state, const std::string& program,
                 const char* argument = nullptr) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no DISPLAY: run it under an X server (scripts/measure-idle.sh)");
    return;
  }
  const double settleSeconds = secondsFromEnvironment("PLIVEX_SETTLE_SECONDS", 5);
  const double idleSeconds = secondsFromEnvironment("PLIVEX_IDLE_SECONDS", 60);
  const fs::path home = fs::temp_directory_path() / ("plivex-idle-" + std::to_string(getpid()));
  fs::create_directories(home / "config");
  fs::create_directories(home / "runtime");
  fs::permissions(home / "runtime", fs::perms::owner_all);

  for (auto _ : state) {
    const pid_t child = fork();
    if (child == 0) {
      // A fresh configuration and runtime directory: first launch, nothing granted.
      setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
      setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
      // An X11 session, whatever the session this runs in.
      unsetenv("WAYLAND_DISPLAY");
      setenv("XDG_SESSION_TYPE", "x11", 1);
      execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
    const long rss = residentKiB(child);
    const long ticksBefore = cpuTicks(child);
    const long wakesBefore = wakeUps(child);
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const long ticks = cpuTicks(child) - ticksBefore;
    const long wakes = wakeUps(child) - wakesBefore;
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    if (rss < 0) {
      state.SkipWithError(("the program did not stay up: " + program).c_str());
      break;
    }
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    state.counters["rss_MiB"] = static_cast<double>(rss) / 1024.0;
    state.counters["idle_cpu_ms"] = 1000.0 * static_cast<double>(ticks) / ticksPerSecond;
    state.counters["idle_s"] = idleSeconds;
    state.counters["wakeups"] = static_cast<double>(wakes);
  }
  fs::remove_all(home);
}

// The Linux program on the X11 session: it switches the display's own layouts (the server needs
// two of them: measure-idle.sh loads us,ru).
void BM_IdlePlivexOnX11(benchmark::State& state) {
  measureIdle(state, PLIVEX_APP_PATH);
}
// The Linux program's demo: the virtual Mac with its demo window.
void BM_IdlePlivexDemo(benchmark::State& state) {
  measureIdle(state, PLIVEX_APP_PATH, "--demo");
}
// The program alone, without the virtual Mac's demo window: what a Mac runs. At first launch
// (nothing granted: the onboarding window is open) and once set up (the engine runs, no window).
void BM_IdlePlivexFirstLaunchWithoutDemoWindow(benchmark::State& state) {
  measureIdle(state, PLIVEX_AGENT_ONLY_PATH);
}
void BM_IdlePlivexSetUpWithoutDemoWindow(benchmark::State& state) {
  measureIdle(state, PLIVEX_AGENT_ONLY_PATH, "set-up");
}
void BM_IdleMinimalTray(benchmark::State& state) {
  measureIdle(state, PLIVEX_MINIMAL_TRAY_PATH);
}

BENCHMARK(BM_IdleMinimalTray)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_IdlePlivexFirstLaunchWithoutDemoWindow)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_IdlePlivexSetUpWithoutDemoWindow)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_IdlePlivexOnX11)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_IdlePlivexDemo)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
