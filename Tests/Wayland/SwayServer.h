// A headless Sway of a test's own: no outputs or input devices of the machine, software
// rendering, no Xwayland, in a fresh runtime folder. Sway refuses to run as root, so a root test
// starts it as uid/gid 65534 (setpriv) and owns the folder to that user; root still reaches its
// sockets. Ready once its IPC socket answers. Stopped (SIGTERM, then SIGKILL after 3 s) and its
// folder removed at destruction; its log stays readable until then. Its configuration is the
// test's own, after the line that keeps Xwayland off; a verbose Sway logs each command it runs.
// Threads: the test's thread.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Support/AnnouncingProgram.h"
#include "Support/ChildProcess.h"

extern char** environ;

namespace kestravane::testing_support {

class SwayServer {
 public:
  static bool installed() { return isOnPath("sway") && isOnPath("setpriv"); }

  explicit SwayServer(const std::string& configuration = {}, bool verbose = false) {
    char pattern[] = "/tmp/plivex-sway-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return;
    folder = pattern;
    runtime = folder / "run";
    std::filesystem::create_directory(runtime);
    const bool root = ::geteuid() == 0;
    // Sway, as 65534, must reach its configuration and own its runtime folder (0700).
    std::filesystem::permissions(folder, std::filesystem::perms(0755));
    std::filesystem::permissions(runtime, std::filesystem::perms(0700));
    if (root) [[maybe_unused]]
      const int owned = ::chown(runtime.c_str(), kUnprivilegedID, kUnprivilegedID);
    std::ofstream(folder / "config") << "xwayland disable\n" << configuration;
    start(root, verbose);
    waitUntilReady();
  }
  ~SwayServer() {
    stop();
    if (!folder.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  }
  SwayServer(const SwayServer&) = delete;
  SwayServer& operator=(const SwayServer&) = delete;

  bool running() const { return ready; }
  // Its IPC socket ($SWAYSOCK).
  const std::string& socketPath() const { return ipcSocket; }
  // What a Wayland client needs: $XDG_RUNTIME_DIR and $WAYLAND_DISPLAY.
  std::string runtimeDirectory() const { return runtime.string(); }
  const std::string& waylandDisplay() const { return display; }
  // Everything Sway wrote so far.
  std::string log() const {
    std::ifstream file(folder / "log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  // What swaymsg prints for these arguments (shell words), asked apart from any test connection.
  std::string message(const std::string& arguments) const {
    const std::string command = "SWAYSOCK=" + ipcSocket + " swaymsg " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      text.append(buffer, count);
    }
    ::pclose(pipe);
    return text;
  }

  // Stops Sway answering anyone (SIGSTOP), or lets it go on.
  void pause(bool paused) {
    if (pid > 0) ::kill(pid, paused ? SIGSTOP : SIGCONT);
  }

  // Ends Sway now and waits for it.
  void stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid = -1;
    ready = false;
  }

 private:
  void start(bool root, bool verbose) {
    std::vector<std::string> arguments;
    if (root) {
      arguments = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    arguments.insert(arguments.end(), {"sway", "-c", (folder / "config").string()});
    if (verbose) arguments.emplace_back("--verbose");
    std::vector<std::string> environment{"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                         "WLR_RENDERER=pixman",
                                         "XDG_RUNTIME_DIR=" + runtime.string()};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string_view entry = *variable;
      // The test's own session, if any, must not leak into Sway's; nor its stand-in devices
      // (umockdev's preload and testbed), which are for Plivex to read, not for Sway's libinput.
      if (entry.starts_with("XDG_RUNTIME_DIR=") || entry.starts_with("WAYLAND_DISPLAY=") ||
          entry.starts_with("SWAYSOCK=") || entry.starts_with("DISPLAY=") ||
          entry.starts_with("LD_PRELOAD=") || entry.starts_with("UMOCKDEV_DIR=")) {
        continue;
      }
      environment.emplace_back(entry);
    }
    auto argv = pointersTo(arguments);
    auto envp = pointersTo(environment);
    const int log = ::open((folder / "log").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (log < 0) return;
    std::fflush(nullptr);
    pid = ::fork();
    if (pid == 0) {
      ::dup2(log, STDOUT_FILENO);
      ::dup2(log, STDERR_FILENO);
      const int nothing = ::open("/dev/null", O_RDONLY);
      ::dup2(nothing, STDIN_FILENO);
      // setpriv finds sway on PATH; without root sway is started the same way.
      ::execvpe(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(log);
  }

  // Sway names its socket after its user and its pid (setpriv executes sway in its own process).
  void waitUntilReady() {
    if (pid <= 0) return;
    const uid_t uid = ::geteuid() == 0 ? kUnprivilegedID : ::geteuid();
    const auto candidate =
        runtime / ("sway-ipc." + std::to_string(uid) + "." + std::to_string(pid) + ".sock");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = -1;
        return;
      }
      if (answers(candidate) && findDisplay()) {
        ipcSocket = candidate.string();
        ready = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  static bool answers(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return connected;
  }

  bool findDisplay() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(runtime, error)) {
      const auto name = entry.path().filename().string();
      if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket()) {
        display = name;
        return true;
      }
    }
    return false;
  }

  static std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& string : strings) pointers.push_back(string.data());
    pointers.push_back(nullptr);
    return pointers;
  }

  std::filesystem::path folder;
  std::filesystem::path runtime;
  std::string ipcSocket;
  std::string display;
  pid_t pid = -1;
  bool ready = false;
};

}  // namespace kestravane::testing_support
