// Programs a test runs beside the code under test, started without a shell: run to their end
// and waited for, or kept running while the test needs them, as a server is: such a program says
// on its descriptor 3 that it is ready (one line: where it listens), and is stopped (SIGTERM,
// then waited for) at destruction.
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

// A program that announces on its descriptor 3 when it is ready; running while the object lives.
class AnnouncingProgram {
 public:
  explicit AnnouncingProgram(const std::vector<std::string>& arguments) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    pid = startProgram(arguments, ready[1]);
    close(ready[1]);
    if (pid > 0) readAnnouncement(ready[0]);
    close(ready[0]);
  }
  ~AnnouncingProgram() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  AnnouncingProgram(const AnnouncingProgram&) = delete;
  AnnouncingProgram& operator=(const AnnouncingProgram&) = delete;

  // Whether it started and announced itself.
  bool running() const { return announced; }
  // The line it announced, without its line end.
  const std::string& announcement() const { return line; }

 private:
  // 20 s is far more than a start takes on a loaded machine.
  void readAnnouncement(int descriptor) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd waiting{descriptor, POLLIN, 0};
      if (poll(&waiting, 1, 100) <= 0) continue;
      char c = 0;
      if (read(descriptor, &c, 1) <= 0) return;  // the program ended
      if (c == '\n') {
        announced = true;
        return;
      }
      line += c;
    }
  }

  pid_t pid = -1;
  bool announced = false;
  std::string line;
};

}  // namespace kestravane::testing_support
