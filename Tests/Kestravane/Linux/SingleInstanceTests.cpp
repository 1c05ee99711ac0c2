// One Plivex per user: a second start learns that it is second and can call the first forward;
// a start that was killed leaves nothing that blocks the next one. flock() locks belong to an
// open file description, so two starts in one test process contend just as two processes do.
#include "Kestravane/Linux/SingleInstance.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "Support/ChildProcess.h"
#include "Support/SocketClient.h"
#include "Support/Waiting.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing_support::connectTo;
using testing_support::sendRequest;

class SingleInstanceTest : public ::testing::Test {
 protected:
  SingleInstanceTest() {
    std::string pattern = (fs::temp_directory_path() / "plivex-runtime-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
  }
  ~SingleInstanceTest() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }

  // Raise requests that reached `primary`, waiting (bounded) until its socket is readable.
  static std::size_t raisesReceived(SingleInstance& primary) {
    pollfd readable{primary.requestDescriptor(), POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(testing_support::kDefaultWait.count())) <= 0) {
      return 0;
    }
    return primary.acceptRequests();
  }

  fs::path directory;
};

TEST_F(SingleInstanceTest, TheSecondStartIsSecondaryAndCallsTheFirstForward) {
  auto first = SingleInstance::acquire(directory);
  ASSERT_TRUE(first.isPrimary());
  EXPECT_EQ(first.problem(), std::nullopt);
  ASSERT_GE(first.requestDescriptor(), 0);
  EXPECT_EQ(first.acceptRequests(), 0u) << "nothing asked yet";

  const auto second = SingleInstance::acquire(directory);
  EXPECT_FALSE(second.isPrimary());
  EXPECT_EQ(second.requestDescriptor(), -1);
  ASSERT_TRUE(second.requestRaise());
  EXPECT_EQ(raisesReceived(first), 1u);
  EXPECT_FALSE(first.requestRaise()) << "the first start has no one to ask";

  // Whatever else is sent is not a request to come forward.
  for (const std::string_view other : {"quit\n", "raise", "raise\nraise\n", ""}) {
    ASSERT_TRUE(sendRequest(directory / "plivex.sock", other));
  }
  ASSERT_TRUE(sendRequest(directory / "plivex.sock", "raise\n"));
  EXPECT_EQ(raisesReceived(first), 1u);
}

TEST_F(SingleInstanceTest, TheNextStartAfterTheFirstEndedIsPrimary) {
  {
    const auto first = SingleInstance::acquire(directory);
    ASSERT_TRUE(first.isPrimary());
  }
  EXPECT_TRUE(fs::exists(directory / "plivex.lock")) << "the lock file stays; its lock does not";
  EXPECT_FALSE(fs::exists(directory / "plivex.sock"));

  auto next = SingleInstance::acquire(directory);
  EXPECT_TRUE(next.isPrimary());
  // Moving keeps the lock with the moved-to object.
  SingleInstance moved = std::move(next);
  EXPECT_FALSE(SingleInstance::acquire(directory).isPrimary());
}

// A start killed outright leaves its lock file and its socket behind.
TEST_F(SingleInstanceTest, AKilledStartDoesNotBlockTheNext) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    const auto held = SingleInstance::acquire(directory);
    const char role = held.isPrimary() ? 'P' : 'S';
    [[maybe_unused]] const auto written = ::write(ready[1], &role, 1);
    for (;;) ::pause();  // until killed
  }
  ::close(ready[1]);
  char role = 0;
  ASSERT_EQ(::read(ready[0], &role, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(role, 'P');

  const auto whileItRuns = SingleInstance::acquire(directory);
  EXPECT_FALSE(whileItRuns.isPrimary());

  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(fs::exists(directory / "plivex.sock")) << "left behind by the killed start";

  auto next = SingleInstance::acquire(directory);
  ASSERT_TRUE(next.isPrimary());
  ASSERT_TRUE(SingleInstance::acquire(directory).requestRaise()) << "the new start listens";
  EXPECT_EQ(raisesReceived(next), 1u);
}

// A runtime directory that would let other users in (or keep two starts of this user apart) is
// passed over for the private fallback, where every start of the user meets.
TEST_F(SingleInstanceTest, AnUntrustedRuntimeDirectoryIsPassedOverForThePrivateFallback) {
  const fs::path others = directory / "others";
  const fs::path fallback = directory / "fallback";
  struct Case {
    const char* name;
    std::function<std::optional<std::string>()> spoil;  // why it cannot be done here, if so
    const char* reason;
  };
  const std::vector<Case> cases{
      {"writable by all",
       [&]() -> std::optional<std::string> {
         fs::create_directories(others);
         fs::permissions(others, fs::perms::all);
         return std::nullopt;
       },
       "may be written by other users"},
      {"owned by another user",
       [&]() -> std::optional<std::string> {
         if (::geteuid() != 0) return "only root can give a directory to another user";
         fs::create_directories(others);
         fs::permissions(others, fs::perms::owner_all, fs::perm_options::replace);
         if (::chown(others.c_str(), testing_support::kUnprivilegedID,
                     testing_support::kUnprivilegedID) != 0) {
           return "cannot give the directory to uid 65534";
         }
         return std::nullopt;
       },
       "belongs to another user"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    std::error_code ignored;
    fs::remove_all(others, ignored);
    fs::remove_all(fallback, ignored);
    if (const auto notHere = test.spoil()) {
      std::cout << "[ SKIPPED  ] " << test.name << ": " << *notHere << '\n';
      continue;
    }
    auto first = SingleInstance::acquire(others, fallback);
    EXPECT_TRUE(first.isPrimary());
    EXPECT_EQ(first.problem(), std::nullopt) << "the fallback guards it";
    ASSERT_TRUE(first.warning().has_value());
    EXPECT_THAT(*first.warning(), HasSubstr(test.reason));
    EXPECT_THAT(*first.warning(), HasSubstr(fallback.string()));
    EXPECT_EQ(first.directory(), fallback);
    EXPECT_FALSE(fs::exists(others / "plivex.lock"));
    EXPECT_FALSE(fs::exists(others / "plivex.sock"));

    const auto second = SingleInstance::acquire(others, fallback);
    EXPECT_FALSE(second.isPrimary()) << "two starts of one user never both run";
    ASSERT_TRUE(second.requestRaise());
    EXPECT_EQ(raisesReceived(first), 1u);
  }
}

TEST_F(SingleInstanceTest, WithNoUsableDirectoryItRunsUnguardedAndSaysWhy) {
  fs::permissions(directory, fs::perms::all);
  const fs::path fallback = directory / "also-open";
  fs::create_directories(fallback);
  fs::permissions(fallback, fs::perms::all);
  const auto start = SingleInstance::acquire(directory, fallback);
  EXPECT_TRUE(start.isPrimary()) << "it runs rather than refusing to";
  ASSERT_TRUE(start.problem().has_value());
  EXPECT_THAT(*start.problem(), HasSubstr(fallback.string() + " may be written by other users"));
  EXPECT_EQ(start.requestDescriptor(), -1);
  EXPECT_FALSE(fs::exists(directory / "plivex.lock"));
}

// Clients that connect and say nothing are dropped after a while, off the program's thread; a
// start that asks meanwhile is heard at once.
TEST_F(SingleInstanceTest, SilentClientsAreDroppedAndDoNotHoldUpARequest) {
  auto first = SingleInstance::acquire(directory);
  ASSERT_TRUE(first.isPrimary());
  const fs::path socketPath = directory / "plivex.sock";
  std::vector<int> silent;
  for (int i = 0; i < 4; ++i) silent.push_back(connectTo(socketPath));
  for (const int client : silent) ASSERT_GE(client, 0);

  ASSERT_TRUE(sendRequest(socketPath, "raise\n"));
  EXPECT_EQ(raisesReceived(first), 1u);
  for (const int client : silent) {
    pollfd dropped{client, POLLIN, 0};
    EXPECT_EQ(::poll(&dropped, 1, static_cast<int>(testing_support::kDefaultWait.count())), 1);
    char byte = 0;
    EXPECT_EQ(::recv(client, &byte, 1, 0), 0) << "closed by the running start";
    ::close(client);
  }
}

TEST(SingleInstanceDirectoryTest, TheRuntimeDirectoryOrAPrivateFolderInTmp) {
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("/run/user/1000", 1000), "/run/user/1000");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor(nullptr, 1000), "/tmp/plivex-1000");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("", 42), "/tmp/plivex-42");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("relative", 42), "/tmp/plivex-42");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor(nullptr, 42, "/var/tmp/me"),
            "/var/tmp/me/plivex-42");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor(nullptr, 42, "tmp"), "/tmp/plivex-42");
}

}  // namespace
}  // namespace kestravane
