// One Plivex per user: a second start learns that it is second and can call the first forward;
// a start that was killed leaves nothing that blocks the next one. flock() locks belong to an
// open file description, so two starts in one test process contend just as two processes do.
#include "Kestravane/SingleInstance.h"

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
#include <string>
#include <system_error>

#include "Support/Waiting.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;

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

  // Whatever else connects is not a request to come forward.
  const int stranger = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (directory / "plivex.sock").string();
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::connect(stranger, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::write(stranger, "quit\n", 5), 5);
  ::close(stranger);
  EXPECT_EQ(raisesReceived(first), 0u);
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

TEST_F(SingleInstanceTest, ADirectoryOthersMayWriteIntoIsNotTrusted) {
  fs::permissions(directory, fs::perms::all);
  const auto start = SingleInstance::acquire(directory);
  EXPECT_TRUE(start.isPrimary()) << "it runs rather than refusing to";
  ASSERT_TRUE(start.problem().has_value());
  EXPECT_NE(start.problem()->find("other users"), std::string::npos) << *start.problem();
  EXPECT_FALSE(fs::exists(directory / "plivex.lock"));
}

TEST(SingleInstanceDirectoryTest, TheRuntimeDirectoryOrAPrivateFolderInTmp) {
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("/run/user/1000", 1000), "/run/user/1000");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor(nullptr, 1000), "/tmp/plivex-1000");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("", 42), "/tmp/plivex-42");
  EXPECT_EQ(SingleInstance::runtimeDirectoryFor("relative", 42), "/tmp/plivex-42");
}

}  // namespace
}  // namespace kestravane
