// One run of a program of this build, started as a user starts it: its standard streams on
// pipes (or standard output on a given file), its environment that of the test with some
// variables set or removed, optionally a file-size limit and a umask. Every signal starts with
// its default action in the program, whatever the test process ignores, so a program that
// forgot to ignore a signal dies of it here as it would in a shell.
// The test process ignores SIGPIPE from the first run on: a program may end (as it should, say
// a second start) before the test has written all it meant to; that write then fails with EPIPE
// and counts as the program having ended, instead of killing the test program.
// Threads: the test's thread. The child is made by fork() and runs only async-signal-safe calls
//   until it executes the program.
// Ownership: a program still running when the object goes is killed and reaped.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Support/Waiting.h"

extern char** environ;

namespace kestravane::testing_support {

struct ProgramOptions {
  std::vector<std::string> arguments;
  // Variables set (with a value) or removed (without one) for the program.
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  std::optional<rlim_t> fileSizeLimit;  // RLIMIT_FSIZE, soft and hard
  std::optional<mode_t> umask;
  // Standard output goes to this file (e.g. /dev/full) instead of a pipe.
  std::optional<std::filesystem::path> standardOutputFile;
  // Standard error is a pipe whose reading end is closed before the program starts, as when
  // whatever read it has gone away.
  bool standardErrorReaderGone = false;
};

class SpawnedProgram {
 public:
  // Exit status of a program that ended by a signal: 128 + the signal, as a shell reports it.
  static constexpr int kSignalBase = 128;

  SpawnedProgram(const std::string& path, ProgramOptions options = {}) {
    static const bool pipeSignalIgnored = (std::signal(SIGPIPE, SIG_IGN), true);
    (void)pipeSignalIgnored;

    std::vector<std::string> argv{path};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> environment;
    for (const auto& [name, value] : options.environment) {
      if (value) environment.push_back(name + "=" + *value);
    }
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string_view entry = *variable;
      bool replaced = false;
      for (const auto& [name, value] : options.environment) {
        replaced = replaced || entry.starts_with(name + "=");
      }
      if (!replaced) environment.emplace_back(entry);
    }
    auto argvPointers = pointersTo(argv);
    auto environmentPointers = pointersTo(environment);

    int in[2], out[2] = {-1, -1}, err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
      throw std::runtime_error("cannot make pipes");
    }
    if (options.standardOutputFile) {
      out[1] = ::open(options.standardOutputFile->c_str(), O_WRONLY | O_CLOEXEC);
    } else if (::pipe2(out, O_CLOEXEC) != 0) {
      out[1] = -1;
    }
    if (out[1] < 0) throw std::runtime_error("cannot open the standard output");
    if (options.standardErrorReaderGone) {
      ::close(err[0]);
      err[0] = -1;
    }

    std::fflush(nullptr);  // nothing buffered is written twice
    pid = ::fork();
    if (pid == 0) {
      // The child: async-signal-safe calls only, up to the program's start.
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(err[1], STDERR_FILENO);
      struct sigaction standard {};
      standard.sa_handler = SIG_DFL;
      for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &standard, nullptr);
      sigset_t none;
      ::sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      if (options.fileSizeLimit) {
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
      }
      if (options.umask) ::umask(*options.umask);
      ::execve(path.c_str(), argvPointers.data(), environmentPointers.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input = in[1];
    output = out[0];
    errors = err[0];
    if (pid < 0) throw std::runtime_error("cannot start " + path);
  }
  SpawnedProgram(const SpawnedProgram&) = delete;
  SpawnedProgram& operator=(const SpawnedProgram&) = delete;
  ~SpawnedProgram() {
    if (pid > 0 && status < 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    for (const int fd : {input, output, errors}) {
      if (fd >= 0) ::close(fd);
    }
  }

  pid_t processID() const { return pid; }

  // Writes `text` to the program's input; false once the program has stopped reading (it
  // ended, or closed its input): what it printed says why.
  bool type(std::string_view text) {
    while (!text.empty()) {
      const ssize_t written = input < 0 ? -1 : ::write(input, text.data(), text.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }
  void endInput() {
    if (input >= 0) ::close(input);
    input = -1;
  }
  // Reads its output until `text` has appeared (true) or the wait ran out.
  bool waitForOutput(std::string_view text,
                     std::chrono::milliseconds timeout = testing_support::kDefaultWait) {
    return waitUntil(
        [&] {
          readAvailable(10);
          return stdoutText.find(text) != std::string::npos;
        },
        timeout);
  }
  // Reads what the program wrote so far, waiting at most `waitMs` for something; false once
  // its output and error streams have both ended.
  bool readAvailable(int waitMs) {
    std::vector<pollfd> open;
    if (output >= 0) open.push_back({output, POLLIN, 0});
    if (errors >= 0) open.push_back({errors, POLLIN, 0});
    if (open.empty()) return false;
    if (::poll(open.data(), open.size(), waitMs) <= 0) return true;
    for (const auto& stream : open) {
      if (stream.revents == 0) continue;
      char buffer[4096];
      const ssize_t count = ::read(stream.fd, buffer, sizeof buffer);
      const bool isOutput = stream.fd == output;
      if (count > 0) {
        (isOutput ? stdoutText : stderrText).append(buffer, static_cast<std::size_t>(count));
      } else {
        ::close(stream.fd);
        (isOutput ? output : errors) = -1;
      }
    }
    return true;
  }
  // Ends the input, reads everything until the program exits, and returns its exit status
  // (kSignalBase + the signal when a signal ended it; -1 when it did not end within the wait).
  int finish() {
    endInput();
    waitUntil([&] { return !readAvailable(10); });
    return reap();
  }
  // Sends `signal`, then finishes as finish() does.
  int stop(int signal) {
    if (status < 0) ::kill(pid, signal);
    return finish();
  }

  pid_t processId() const { return pid; }

  std::string stdoutText;
  std::string stderrText;

 private:
  static std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& string : strings) result.push_back(string.data());
    result.push_back(nullptr);
    return result;
  }

  // The exit status, once the program has ended (within the default wait).
  int reap() {
    if (status >= 0) return status;
    int raw = 0;
    const bool ended = waitUntil([&] { return ::waitpid(pid, &raw, WNOHANG) == pid; });
    if (!ended) return -1;
    status = WIFSIGNALED(raw) ? kSignalBase + WTERMSIG(raw) : WEXITSTATUS(raw);
    return status;
  }

  pid_t pid = -1;
  int status = -1;
  int input = -1;
  int output = -1;
  int errors = -1;
};

}  // namespace kestravane::testing_support
