// The run loops of the X11 backend: one per thread, waiting on its sources' descriptors.
#include "Platform/LinuxDesktop/PollRunLoops.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "Support/Waiting.h"

namespace kestravane::platform::desktop {
namespace {

using testing_support::waitUntil;

// A pipe as a source: each perform() reads what was written and counts it.
class PipeSource final : public PollSource {
 public:
  PipeSource() { [[maybe_unused]] const int made = ::pipe(ends); }
  ~PipeSource() override {
    ::close(ends[0]);
    ::close(ends[1]);
  }
  int descriptor() const override { return ends[0]; }
  void perform() override {
    performedOn = std::this_thread::get_id();
    char buffer[64];
    pollfd ready{ends[0], POLLIN, 0};
    while (::poll(&ready, 1, 0) > 0) {
      const auto count = ::read(ends[0], buffer, sizeof buffer);
      if (count <= 0) break;
      bytes.fetch_add(static_cast<int>(count));
    }
  }
  void write(const char* text) { [[maybe_unused]] const auto n = ::write(ends[1], text, 1); }

  std::atomic<int> bytes{0};
  std::atomic<std::thread::id> performedOn{};

 private:
  int ends[2] = {-1, -1};
};

TEST(PollRunLoopsTest, ASourceIsServedOnItsLoopsThreadUntilTheLoopIsStopped) {
  PollRunLoops loops;
  auto source = std::make_shared<PipeSource>();
  source->write("x");  // before the loop has it: served when it takes the source in
  std::shared_ptr<RunLoop> loop;
  std::atomic<bool> published{false};
  std::thread thread([&] {
    loop = loops.current();
    EXPECT_EQ(loop, loops.current()) << "one loop per thread";
    loops.addSource(*loop, source);
    published = true;
    loops.run();
  });
  ASSERT_TRUE(waitUntil([&] { return published && source->bytes == 1; }));
  source->write("y");
  ASSERT_TRUE(waitUntil([&] { return source->bytes == 2; }));
  EXPECT_EQ(source->performedOn.load(), thread.get_id());
  loops.stop(*loop);
  thread.join();
}

TEST(PollRunLoopsTest, AStopThatCameFirstEndsTheNextRunBeforeItServesAnything) {
  PollRunLoops loops;
  loops.run();  // no source: returns at once
  auto loop = loops.current();
  auto source = std::make_shared<PipeSource>();
  loops.addSource(*loop, source);
  source->write("x");
  loops.stop(*loop);
  loops.run();
  EXPECT_EQ(source->bytes, 0) << "the run ended before looking at its sources";
  std::thread remover([&] { loops.removeSource(*loop, *source); });
  remover.join();
  loops.run();  // the source is gone again: returns at once
  EXPECT_EQ(source->bytes, 0);
}

TEST(PollRunLoopsTest, RemovingTheLastSourceFromAnotherThreadEndsTheRun) {
  PollRunLoops loops;
  auto source = std::make_shared<PipeSource>();
  std::shared_ptr<PollRunLoop> loop;
  std::atomic<bool> running{false};
  std::thread thread([&] {
    loop = PollRunLoops::currentLoop();
    loop->add(source);
    running = true;
    loop->run();
  });
  ASSERT_TRUE(waitUntil([&] { return running && loop->isRunning(); }));
  loops.removeSource(*loop, *source);
  thread.join();
  EXPECT_FALSE(loop->isRunning());
}

}  // namespace
}  // namespace kestravane::platform::desktop
