#include "Platform/LinuxDesktop/DetachedProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace kestravane::platform::desktop {

namespace {

// As a shell's lookup: a regular file (through links) that this user may run; a folder of that
// name, or a file without the right to run it, is passed over.
bool isRunnable(const std::string& candidate) {
  struct stat info {};
  return ::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(candidate.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> findProgram(std::string_view name, std::string_view path) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string_view::npos) {
    std::string candidate(name);
    if (isRunnable(candidate)) return candidate;
    return std::nullopt;
  }
  while (true) {
    const auto colon = path.find(':');
    std::string folder(path.substr(0, colon));
    if (folder.empty()) folder = ".";  // an empty entry means the current folder
    const std::string candidate = folder + "/" + std::string(name);
    if (isRunnable(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    path.remove_prefix(colon + 1);
  }
}

bool startDetached(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  // Everything the children need is made before fork(): they may not allocate.
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The grandchild reports a failed exec through this pipe; a successful one closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;

  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::execve(argv[0], argv.data(), environ);
      const int error = errno;
      [[maybe_unused]] const auto written = ::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int execError = 0;
  ssize_t count = 0;
  do {
    count = ::read(report[0], &execError, sizeof execError);
  } while (count < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && count == 0;
}

}  // namespace kestravane::platform::desktop
