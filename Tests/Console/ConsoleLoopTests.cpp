// The console's loop: it sleeps until something is due or arrives, never polls on a timer of
// its own; notices keep the line being typed intact; the end of input runs the last command; a
// second start's request reaches the running console.
#include "Console/ConsoleLoop.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "Kestravane/AppTestSupport.h"

namespace kestravane::testing_support {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ConsoleLoopTest : public AppTest {
 protected:
  ConsoleLoopTest() {
    int ends[2];
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    inputRead = ends[0];
    inputWrite = ends[1];
  }
  ~ConsoleLoopTest() override {
    loop.reset();
    session.reset();
    ::close(inputRead);
    if (inputWrite >= 0) ::close(inputWrite);
  }

  void start(console::ConsoleLoopOptions options = {},
             console::ConsoleLoop::PollFunction poll = ::poll) {
    launch();
    session = std::make_unique<console::ConsoleSession>(
        mac, controller, screen.stream(), [this](std::string_view text) { screen.notice(text); });
    options.input = inputRead;
    loop = std::make_unique<console::ConsoleLoop>(mac, *session, screen, options, std::move(poll));
  }
  void type(std::string_view text) {
    ASSERT_EQ(::write(inputWrite, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void endInput() {
    ::close(inputWrite);
    inputWrite = -1;
  }

  int inputRead = -1;
  int inputWrite = -1;
  std::ostringstream shown;
  console::ConsoleScreen screen{shown, false};
  std::unique_ptr<console::ConsoleSession> session;
  std::unique_ptr<console::ConsoleLoop> loop;
};

// Time passes only when the loop waits: a stand-in for poll() that looks at the descriptors
// without waiting and, when none is ready, moves the manual clock on by the whole timeout.
TEST_F(ConsoleLoopTest, IdleItWakesOnlyWhenTheMainQueueHasWorkDue) {
  readyMac();
  std::vector<int> timeouts;
  start({}, [&](pollfd* fds, nfds_t count, int timeout) {
    timeouts.push_back(timeout);
    const int ready = ::poll(fds, count, 0);
    if (ready == 0 && timeout > 0) mac.clock().advanceMillis(static_cast<std::uint64_t>(timeout));
    return ready;
  });
  const std::uint64_t startedAt = mac.clock().uptimeNanos();
  constexpr std::uint64_t kIdleNanos = 20'000'000'000;  // 20 idle seconds
  while (mac.clock().uptimeNanos() - startedAt < kIdleNanos) ASSERT_TRUE(loop->step());

  // The controller's 3 s check is the only work while idle: 7 in 20 s, plus a wake-up or two
  // for what the engine's thread posted at start-up; a 100 ms poll would wake 200 times.
  EXPECT_LE(loop->waits(), 10u) << ::testing::PrintToString(timeouts);
  EXPECT_THAT(timeouts, Not(::testing::Contains(-1))) << "the 3 s check is always waiting";
  EXPECT_THAT(timeouts, ::testing::Each(::testing::AnyOf(0, ::testing::Ge(1000))));
}

// Nothing granted, so no engine thread posts anything of its own meanwhile.
TEST_F(ConsoleLoopTest, WorkPostedFromAnotherThreadWakesTheLoop) {
  std::atomic<bool> ran{false};
  std::thread poster;
  bool wait = false;
  int lastReady = -1;
  start({}, [&](pollfd* fds, nfds_t count, int timeout) {
    if (!wait) return lastReady = ::poll(fds, count, 0);
    // The post comes once the loop has decided how long to wait (the 3 s check's deadline on
    // a clock that does not move), while or just before it waits.
    poster = std::thread([&] { mac.dispatch().mainQueue()->async([&] { ran = true; }); });
    return lastReady = ::poll(fds, count, timeout);
  });
  // Whatever start-up posted is run and its pokes taken first.
  while (mac.dispatch().runPending() > 0) {
  }
  ASSERT_TRUE(loop->step());
  ASSERT_GT(loop->timeoutMs(), 0) << "nothing due";

  wait = true;
  ASSERT_TRUE(loop->step());
  poster.join();
  EXPECT_GT(lastReady, 0) << "woken by the post, not by the timeout";
  EXPECT_TRUE(ran);
}

TEST_F(ConsoleLoopTest, TheLastCommandRunsAtTheEndOfInputAndALongLineIsRefused) {
  readyMac();
  start();
  type(std::string(5000, 'x') + "\ntrigger capsLock");
  endInput();
  loop->run();
  EXPECT_THAT(shown.str(), HasSubstr("line too long (over 4096 bytes); ignored\n"));
  EXPECT_THAT(shown.str(), HasSubstr("trigger: Caps Lock\n"));
  EXPECT_EQ(controller->config().trigger, TriggerKind::capsLock);
}

TEST(ConsoleScreenTest, ANoticeIsWrittenAboveTheLineBeingTyped) {
  std::ostringstream terminal;
  console::ConsoleScreen screen(terminal, true);
  screen.showPrompt("");
  screen.echo("tap f");
  screen.showPrompt("tap f");
  screen.notice("[switch] com.apple.keylayout.Russian ok=true");
  EXPECT_EQ(terminal.str(),
            "plivex> tap f"
            "\r\x1b[K[switch] com.apple.keylayout.Russian ok=true\n"
            "plivex> tap f");

  std::ostringstream pipe;
  console::ConsoleScreen plain(pipe, false);
  plain.showPrompt("");
  plain.notice("[switch] x");
  EXPECT_EQ(pipe.str(), "[switch] x\n") << "no prompt and no terminal codes in a pipe";
}

TEST_F(ConsoleLoopTest, ASecondStartsRequestReachesTheRunningConsole) {
  std::string pattern = (std::filesystem::temp_directory_path() / "plivex-run-XXXXXX").string();
  const std::filesystem::path runtime = ::mkdtemp(pattern.data());
  {
    auto instance = SingleInstance::acquire(runtime);
    ASSERT_TRUE(instance.isPrimary());
    start({.instance = &instance});
    ASSERT_TRUE(SingleInstance::acquire(runtime).requestRaise());
    ASSERT_TRUE(waitUntil([&] {
      loop->step();
      return shown.str().find("Plivex was started again") != std::string::npos;
    }));
    loop.reset();
  }
  std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace kestravane::testing_support
