// An X server of a test's own: Xvfb started with -displayfd, so it picks a free display number
// and says which when it is ready, and with -noreset, so its keymap survives its last client
// leaving (without it the server falls back to a one-layout keymap, which looks exactly like a
// failed setxkbmap). Stopped (SIGTERM, then waited for) at destruction. Also the programs tests
// run beside it (setxkbmap), started without a shell and waited for.
// Threads: the test's thread.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace kestravane::testing_support {

// Starts `arguments` (found on PATH) with `outputDescriptor`, when given, as its descriptor 3.
inline pid_t startProgram(const std::vector<std::string>& arguments, int outputDescriptor = -1) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outputDescriptor >= 0) posix_spawn_file_actions_adddup2(&actions, outputDescriptor, 3);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status of a program run to its end; -1 when it could not run or was killed.
inline int runProgram(const std::vector<std::string>& arguments) {
  const pid_t pid = startProgram(arguments);
  if (pid < 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether `program` is an executable file in a folder of PATH.
inline bool isOnPath(const std::string& program) {
  return runProgram({"sh", "-c", "command -v " + program + " >/dev/null"}) == 0;
}

class XvfbServer {
 public:
  static bool installed() { return isOnPath("Xvfb") && isOnPath("setxkbmap"); }

  explicit XvfbServer(const std::vector<std::string>& extraArguments = {}) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    // Descriptor 3 of the server is the pipe's write end; its number goes to -displayfd.
    std::vector<std::string> arguments{"Xvfb", "-displayfd", "3", "-noreset",  "-nolisten",
                                       "tcp",  "-screen",    "0", "640x480x24"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    pid = startProgram(arguments, ready[1]);
    close(ready[1]);
    if (pid > 0) readDisplayNumber(ready[0]);
    close(ready[0]);
  }
  ~XvfbServer() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return !_display.empty(); }
  // ":N".
  const std::string& display() const { return _display; }

  // Loads a keymap of these layouts ("us,ru,de") and options; whether setxkbmap succeeded.
  bool setLayouts(const std::string& layouts, const std::string& options = "") {
    std::vector<std::string> arguments{"setxkbmap", "-display", _display, "-layout", layouts};
    if (!options.empty()) arguments.insert(arguments.end(), {"-option", "", "-option", options});
    return runProgram(arguments) == 0;
  }

 private:
  // Xvfb writes the number and a line end once it accepts connections; 20 s is far more than a
  // start takes on a loaded machine.
  void readDisplayNumber(int descriptor) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd waiting{descriptor, POLLIN, 0};
      if (poll(&waiting, 1, 100) <= 0) continue;
      char c = 0;
      const auto count = read(descriptor, &c, 1);
      if (count <= 0) return;  // the server ended
      if (c == '\n') {
        if (!number.empty()) _display = ":" + number;
        return;
      }
      number += c;
    }
  }

  pid_t pid = -1;
  std::string _display;
};

}  // namespace kestravane::testing_support
