#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/KeyTester.h"
#include "Support/Recorders.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using testing_support::RecordingDelegate;
using testing_support::VirtualMacRig;
using testing_support::waitUntil;
namespace keycode = platform::vmac::keycode;

constexpr int kCycles = 2000;
constexpr int kRaceIterations = 300;

// The platform's threads, with two controls for these tests: every new thread can be held at
// its start until a gate opens (with `openOnSleep` the gate opens when someone sleeps, i.e. when
// stop() begins waiting for the thread), and sleeps can be shortened so that thousands of
// stop() waits fit in a test run.
class ControlledThreads final : public platform::Threads {
 public:
  struct Options {
    bool gated = false;
    bool openOnSleep = false;
    double sleepScale = 1.0;
  };

  ControlledThreads(std::shared_ptr<platform::Threads> inner, Options options)
      : inner(std::move(inner)), options(options), isOpen(!options.gated) {}

  std::shared_ptr<platform::Thread> create(std::function<void()> body) override {
    return inner->create([this, body = std::move(body)] {
      {
        std::unique_lock lock(mutex);
        opened.wait(lock, [&] { return isOpen; });
      }
      body();
    });
  }
  void sleepForTimeInterval(double seconds) override {
    if (options.openOnSleep) open();
    inner->sleepForTimeInterval(seconds * options.sleepScale);
  }
  bool isMainThread() const override { return inner->isMainThread(); }

  void open() {
    std::lock_guard lock(mutex);
    isOpen = true;
    opened.notify_all();
  }
  void close() {
    std::lock_guard lock(mutex);
    isOpen = false;
  }

 private:
  const std::shared_ptr<platform::Threads> inner;
  const Options options;
  std::mutex mutex;
  std::condition_variable opened;
  bool isOpen;
};

// Types on the virtual keyboard from a thread of its own until destroyed.
class Typist {
 public:
  explicit Typist(platform::vmac::Keyboard& keyboard)
      : thread([this, &keyboard] {
          while (!done.load()) {
            keyboard.tap(keycode::function);
            keyboard.tap(keycode::a);
            keyboard.tap(keycode::capsLock);
            keys.fetch_add(3);
          }
        }) {}
  ~Typist() {
    done.store(true);
    thread.join();
  }
  std::size_t typed() const { return keys.load(); }

 private:
  std::atomic<bool> done{false};
  std::atomic<std::size_t> keys{0};
  std::thread thread;
};

class EngineLifecycleStress : public testing::Test {
 protected:
  std::shared_ptr<EventTapEngine> makeEngine() {
    return EventTapEngine::create(services, TriggerKind::fn, EventTapEngine::Suppress::tap, 300,
                                  delegate);
  }

  // The rig's services with controlled threads; engines and testers made afterwards use them.
  std::shared_ptr<ControlledThreads> installThreads(ControlledThreads::Options options) {
    auto threads = std::make_shared<ControlledThreads>(rig.mac.services()->threads, options);
    services = rig.editedServices([&](platform::Services& edited) { edited.threads = threads; });
    return threads;
  }

  // stop() waits in sleeps of a tenth of the real length here.
  void SetUp() override { installThreads({.sleepScale = 0.1}); }

  void expectNothingLeft() {
    EXPECT_TRUE(rig.threads.waitUntilAllFinished(std::chrono::seconds(3)));
    EXPECT_TRUE(rig.threads.liveThreads().empty());
    EXPECT_EQ(rig.threads.startedCount(), rig.threads.finishedCount());
    EXPECT_TRUE(rig.windowServer.liveTaps().empty());
  }

  VirtualMacRig rig{VirtualMacRig::Start::granted};
  std::shared_ptr<const platform::Services> services = rig.services();
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(EngineLifecycleStress, StartStopCyclesWhileKeysAreTyped) {
  auto engine = makeEngine();
  std::atomic<int> activeReports{0};
  engine->onHealthChange = [&](EngineHealth health) {
    if (health == EngineHealth::active) activeReports.fetch_add(1);
  };
  {
    Typist typist(rig.keyboard);
    for (int cycle = 0; cycle < kCycles; ++cycle) {
      engine->start();
      if (cycle % 10 == 0) {
        // Now and then let the tap run for a while so that keys reach the callback.
        ASSERT_TRUE(waitUntil([&] { return engine->health() == EngineHealth::active; }));
        const auto before = typist.typed();
        ASSERT_TRUE(waitUntil([&] { return typist.typed() > before + 3; }));
      }
      engine->stop();
      ASSERT_EQ(engine->health(), EngineHealth::noInputMonitoring);
    }
  }
  EXPECT_GE(activeReports.load(), kCycles / 10);
  EXPECT_GT(delegate->fires(), 0u) << "fn taps got through to the delegate now and then";

  const std::weak_ptr<EventTapEngine> watched = engine;
  engine.reset();
  EXPECT_TRUE(watched.expired());
  expectNothingLeft();
}

TEST_F(EngineLifecycleStress, StopRacingTheTapThreadsStartEndsTheThreadAndReleasesTheEngine) {
  Typist typist(rig.keyboard);
  for (int i = 0; i < kRaceIterations; ++i) {
    auto engine = makeEngine();
    const std::weak_ptr<EventTapEngine> watched = engine;
    engine->start();
    engine->stop();
    engine.reset();
    ASSERT_TRUE(waitUntil([&] { return watched.expired(); })) << "iteration " << i;
  }
  expectNothingLeft();
}

TEST_F(EngineLifecycleStress, StopBeforeTheTapThreadHasRunStillEndsIt) {
  auto gate = installThreads({.gated = true, .openOnSleep = true});
  for (int i = 0; i < 20; ++i) {
    gate->close();
    auto engine = makeEngine();
    std::atomic<bool> becameActive{false};
    engine->onHealthChange = [&](EngineHealth health) {
      if (health == EngineHealth::active) becameActive.store(true);
    };
    const std::weak_ptr<EventTapEngine> watched = engine;
    engine->start();
    engine->stop();  // the thread is let go only once stop() waits for it
    EXPECT_TRUE(rig.threads.liveThreads().empty()) << "stop() saw the thread end";
    EXPECT_FALSE(becameActive.load()) << "a stopped engine never turns active";
    EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
    engine.reset();
    EXPECT_TRUE(watched.expired());

    gate->close();  // the key tester's thread, the same way
    auto tester = KeyTester::create(services, [](const KeyTester::Hit&) {});
    const std::weak_ptr<KeyTester> watchedTester = tester;
    ASSERT_TRUE(tester->start());
    tester->stop();
    EXPECT_TRUE(rig.threads.liveThreads().empty());
    tester.reset();
    EXPECT_TRUE(watchedTester.expired());
  }
  expectNothingLeft();
}

TEST_F(EngineLifecycleStress, ThreadThatStartsAfterStopGaveUpWaitingStillEnds) {
  auto gate = installThreads({.gated = true});
  auto engine = makeEngine();
  const std::weak_ptr<EventTapEngine> watched = engine;
  engine->start();
  engine->stop();  // waits its full 300 ms for a thread that cannot run yet
  EXPECT_EQ(rig.threads.liveThreads().size(), 1u);

  // A new start must not be confused by the late thread of the old one.
  gate->open();
  engine->start();
  ASSERT_TRUE(waitUntil([&] { return engine->health() == EngineHealth::active; }));
  EXPECT_TRUE(waitUntil([&] { return rig.threads.liveThreads().size() == 1; }));
  rig.keyboard.tap(keycode::function);
  ASSERT_TRUE(rig.drain("kestravane.fire"));
  EXPECT_EQ(delegate->fires(), 1u);
  engine->stop();
  engine.reset();
  EXPECT_TRUE(waitUntil([&] { return watched.expired(); }));
  expectNothingLeft();
}

TEST_F(EngineLifecycleStress, ConcurrentStartsStopsAndHealthReads) {
  auto engine = makeEngine();
  std::atomic<bool> done{false};
  Typist typist(rig.keyboard);
  std::thread starter([&] {
    while (!done.load()) {
      try {
        engine->start();
      } catch (const EventTapEngine::EngineError& error) {
        EXPECT_EQ(error, EventTapEngine::EngineError(EventTapEngine::EngineError::alreadyStarted));
      }
    }
  });
  std::thread reader([&] {
    while (!done.load()) {
      const auto health = engine->health();
      EXPECT_TRUE(health == EngineHealth::active || health == EngineHealth::noInputMonitoring);
    }
  });
  for (int i = 0; i < kCycles / 10; ++i) {
    engine->stop();
    std::this_thread::yield();
  }
  done.store(true);
  starter.join();
  reader.join();
  engine->stop();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
  expectNothingLeft();
}

TEST_F(EngineLifecycleStress, KeyTesterStopRacingItsThreadsStart) {
  std::atomic<std::size_t> hits{0};
  Typist typist(rig.keyboard);
  for (int i = 0; i < kRaceIterations; ++i) {
    auto tester = KeyTester::create(services, [&](const KeyTester::Hit&) { hits.fetch_add(1); });
    const std::weak_ptr<KeyTester> watched = tester;
    ASSERT_TRUE(tester->start());
    if (i % 10 == 0) {
      // Keys typed before the tester's tap is attached are not seen (the tap is enabled only
      // then), so wait for one it sees rather than for a number of keys typed.
      const auto before = hits.load();
      ASSERT_TRUE(waitUntil([&] { return hits.load() > before; }))
          << "the tester saw no key, iteration " << i;
    }
    tester->stop();
    tester.reset();
    ASSERT_TRUE(waitUntil([&] { return watched.expired(); })) << "iteration " << i;
  }
  EXPECT_GT(hits.load(), 0u);
  expectNothingLeft();
}

}  // namespace
}  // namespace kestravane
