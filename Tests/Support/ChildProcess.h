// Runs part of a test in a forked child process, for what a test must not do to its own process:
// give up root so that file permissions apply (CI runs the tests as root), lower the file-size
// limit to stand for a full disk, or risk hanging. The child runs the body with GoogleTest's
// checks as usual; its failures are printed by the child and make the parent's test fail too.
// Threads: the test's thread. The body runs in a child that has only the forking thread, so it
//   must not wait for any other thread of the test program; it may start threads of its own.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace kestravane::testing_support {

// The user and group the tests switch to as root: "nobody" and "nogroup" on Debian.
inline constexpr uid_t kUnprivilegedID = 65534;

// How a child run ended, as the parent sees it.
struct ChildOutcome {
  bool ran = false;         // the body ran to its end (its checks may still have failed)
  bool passed = false;      // ... and every check passed
  std::string skipReason;   // set when `prepare` refused: the body did not run
  std::string abnormalEnd;  // set when the child died or hung: what ended it
};

namespace child_detail {
inline constexpr int kPassed = 0;
inline constexpr int kFailed = 1;
inline constexpr int kPrepareRefused = 77;
}  // namespace child_detail

// Forks; in the child runs `prepare` (which returns why it cannot go on, or nothing) and then
// `body`, ended by SIGALRM after `limitSeconds`. The skip reason travels back through a pipe.
inline ChildOutcome runInChild(const std::function<std::optional<std::string>()>& prepare,
                               const std::function<void()>& body, unsigned limitSeconds = 30) {
  int reasonPipe[2];
  if (::pipe(reasonPipe) != 0) return {false, false, {}, "cannot make a pipe"};
  std::fflush(nullptr);  // nothing buffered is printed twice
  const pid_t child = ::fork();
  if (child < 0) return {false, false, {}, "cannot fork"};
  if (child == 0) {
    ::close(reasonPipe[0]);
    ::alarm(limitSeconds);
    if (const auto refusal = prepare()) {
      [[maybe_unused]] const auto written =
          ::write(reasonPipe[1], refusal->data(), refusal->size());
      std::fflush(nullptr);
      ::_exit(child_detail::kPrepareRefused);
    }
    ::close(reasonPipe[1]);
    int status = child_detail::kFailed;
    try {
      body();
      status = ::testing::Test::HasFailure() ? child_detail::kFailed : child_detail::kPassed;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "child: uncaught exception: %s\n", error.what());
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  ::close(reasonPipe[1]);
  std::string reason;
  char buffer[256];
  for (ssize_t count; (count = ::read(reasonPipe[0], buffer, sizeof buffer)) != 0;) {
    if (count < 0) {
      if (errno == EINTR) continue;
      break;
    }
    reason.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(reasonPipe[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ChildOutcome outcome;
  if (WIFSIGNALED(status)) {
    outcome.abnormalEnd =
        WTERMSIG(status) == SIGALRM
            ? "the child did not finish within " + std::to_string(limitSeconds) + " s"
            : "the child died of signal " + std::to_string(WTERMSIG(status));
  } else if (WEXITSTATUS(status) == child_detail::kPrepareRefused) {
    outcome.skipReason = reason;
  } else {
    outcome.ran = true;
    outcome.passed = WEXITSTATUS(status) == child_detail::kPassed;
  }
  return outcome;
}

// Turns a child's outcome into the parent test's result: a failure when the child's checks
// failed or it died, a skip (with the reason printed) when it could not be prepared.
#define PLIVEX_EXPECT_CHILD(outcomeExpression)                                               \
  do {                                                                                       \
    const ::kestravane::testing_support::ChildOutcome plivexOutcome = (outcomeExpression);   \
    if (!plivexOutcome.skipReason.empty()) GTEST_SKIP() << plivexOutcome.skipReason;         \
    EXPECT_TRUE(plivexOutcome.abnormalEnd.empty()) << plivexOutcome.abnormalEnd;             \
    EXPECT_TRUE(plivexOutcome.passed) << "the child's checks failed (see its output above)"; \
  } while (false)

// Gives `directory` and everything under it to the unprivileged user, so that a body run as
// that user may work there.
inline void handOverToUnprivilegedUser(const std::filesystem::path& directory) {
  std::error_code error;
  ::lchown(directory.c_str(), kUnprivilegedID, kUnprivilegedID);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory, error)) {
    ::lchown(entry.path().c_str(), kUnprivilegedID, kUnprivilegedID);
  }
}

// In a child: becomes uid and gid 65534; why it could not, if so.
inline std::optional<std::string> switchToUnprivilegedUser() {
  if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedID) != 0 ||
      ::setuid(kUnprivilegedID) != 0) {
    return "running as root, and cannot switch to the unprivileged uid/gid 65534";
  }
  return std::nullopt;
}

// Runs `body` where file permissions apply to it: as root, in a child that switched to uid and
// gid 65534 after `directory` was handed over to that user; otherwise in a child as it is.
inline ChildOutcome runUnprivileged(const std::filesystem::path& directory,
                                    const std::function<void()>& body) {
  const bool root = ::geteuid() == 0;
  if (root) handOverToUnprivilegedUser(directory);
  return runInChild(
      [root]() -> std::optional<std::string> {
        return root ? switchToUnprivilegedUser() : std::nullopt;
      },
      body);
}

// Runs `body` as another user than the test's (uid 65534), which needs root; skipped otherwise.
inline ChildOutcome runAsAnotherUser(const std::function<void()>& body) {
  return runInChild(
      []() -> std::optional<std::string> {
        if (::geteuid() != 0) return "only root can act as another user";
        return switchToUnprivilegedUser();
      },
      body);
}

// Runs `body` in a child whose files cannot grow beyond `limitBytes` (RLIMIT_FSIZE): a write
// past it fails with EFBIG, as a full disk fails one with ENOSPC.
inline ChildOutcome runWithFileSizeLimit(rlim_t limitBytes, const std::function<void()>& body) {
  return runInChild(
      [limitBytes]() -> std::optional<std::string> {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the child
        const rlimit limit{limitBytes, limitBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return "cannot lower RLIMIT_FSIZE";
        return std::nullopt;
      },
      body);
}

}  // namespace kestravane::testing_support
