#include "KestravaneKit/KeyTester.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/EventTapEngine.h"
#include "Support/Recorders.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using Hit = KeyTester::Hit;
using platform::vmac::TapInfo;
using testing_support::Recorder;
using testing_support::VirtualMacRig;
using testing_support::waitUntil;
namespace keycode = platform::vmac::keycode;

class KeyTesterTest : public testing::Test {
 protected:
  std::shared_ptr<KeyTester> makeTester() {
    return KeyTester::create(rig.services(), [hits = hits, threads = hitThreads](const Hit& hit) {
      (*hits)(hit);
      (*threads)(testing_support::currentThreadName());
    });
  }

  // Starts the tester and waits until its thread services the tap: a first key must be
  // reported. That key and its hit are then forgotten.
  void startAndWait(KeyTester& tester) {
    ASSERT_TRUE(tester.start());
    ASSERT_TRUE(rig.waitForTapThreads());
    rig.keyboard.tap(keycode::a);
    ASSERT_EQ(hits->all().size(), 1u);
    hits->clear();
    hitThreads->clear();
    rig.windowServer.clearReceivedEvents();
  }

  VirtualMacRig rig{VirtualMacRig::Start::granted};
  std::shared_ptr<Recorder<Hit>> hits = std::make_shared<Recorder<Hit>>();
  std::shared_ptr<Recorder<std::string>> hitThreads = std::make_shared<Recorder<std::string>>();
};

TEST_F(KeyTesterTest, ReportsKeyDownsAndFlagChangesOnItsOwnThread) {
  auto tester = makeTester();
  startAndWait(*tester);

  rig.keyboard.press(keycode::function);
  rig.keyboard.release(keycode::function);
  rig.keyboard.tap(keycode::a);
  rig.keyboard.tap(keycode::leftArrow);

  constexpr std::uint64_t nonCoalesced = platform::kFlagNonCoalesced;
  constexpr std::uint64_t fn = platform::kFlagSecondaryFn;
  EXPECT_EQ(hits->all(), (std::vector<Hit>{
                             {keycode::function, true, true, fn | nonCoalesced},
                             {keycode::function, true, false, nonCoalesced},
                             {keycode::a, false, false, nonCoalesced},
                             {keycode::leftArrow, false, true, fn | 0x200000 | nonCoalesced},
                         }))
      << "key-ups are not reported";
  std::vector<std::uint64_t> delivered;
  for (const auto& event : rig.windowServer.receivedEvents()) delivered.push_back(event.flags);
  EXPECT_EQ(delivered, (std::vector<std::uint64_t>{fn | nonCoalesced, nonCoalesced, nonCoalesced,
                                                   nonCoalesced, fn | 0x200000 | nonCoalesced,
                                                   fn | 0x200000 | nonCoalesced}))
      << "every event, key-ups included, reaches the application unchanged";
  // The system keeps 15 characters of a thread's name.
  for (const auto& thread : hitThreads->all()) EXPECT_EQ(thread, "kestravane.keyt");
  tester->stop();
}

TEST_F(KeyTesterTest, KeysTypedBeforeItsThreadRunsAreNeverHeldUp) {
  rig.threads.setStartsHeld(true);
  auto tester = makeTester();
  ASSERT_TRUE(tester->start());
  ASSERT_EQ(rig.windowServer.liveTaps().size(), 1u);
  EXPECT_FALSE(rig.windowServer.liveTaps()[0].enabled);
  rig.keyboard.tap(keycode::a);
  EXPECT_EQ(rig.windowServer.tapTimeouts(), 0u);
  EXPECT_EQ(rig.windowServer.receivedEvents().size(), 2u);

  rig.threads.setStartsHeld(false);
  ASSERT_TRUE(rig.waitForTapThreads());
  rig.keyboard.tap(keycode::s);
  EXPECT_EQ(hits->all(),
            (std::vector<Hit>{{keycode::s, false, false, platform::kFlagNonCoalesced}}))
      << "only what came after";
  tester->stop();
}

TEST_F(KeyTesterTest, RunsBesideTheEngineWithoutDisturbingIt) {
  auto delegate = std::make_shared<testing_support::RecordingDelegate>();
  auto engine = EventTapEngine::create(rig.services(), TriggerKind::fn,
                                       EventTapEngine::Suppress::tap, 300, delegate);
  engine->start();
  ASSERT_TRUE(waitUntil([&] { return engine->health() == EngineHealth::active; }));
  auto tester = makeTester();
  startAndWait(*tester);

  rig.keyboard.tap(keycode::function);
  ASSERT_TRUE(rig.drain("kestravane.fire"));
  EXPECT_EQ(delegate->fires(), 1u);
  EXPECT_EQ(hits->all().size(), 2u) << "the tester, ahead of the engine, sees the release too";
  EXPECT_EQ(rig.windowServer.receivedEvents().size(), 1u);
  tester->stop();
  engine->stop();
}

TEST_F(KeyTesterTest, StartsOneListenOnlyTapAndThreadAndRefusesASecondStart) {
  auto tester = makeTester();
  EXPECT_TRUE(tester->canRun());
  startAndWait(*tester);
  EXPECT_FALSE(tester->start());
  EXPECT_TRUE(tester->isStarted());
  EXPECT_EQ(
      rig.windowServer.liveTaps(),
      (std::vector<TapInfo>{{platform::TapLocation::session, platform::TapPlacement::headInsert,
                             platform::TapOptions::listenOnly, 0x1400, true}}));
  ASSERT_EQ(rig.threads.liveThreads().size(), 1u);
  EXPECT_EQ(rig.threads.liveThreads()[0].name, "kestravane.keytester");
  EXPECT_EQ(rig.threads.startedCount(), 1u);

  tester->stop();
  EXPECT_FALSE(tester->isStarted());
  EXPECT_TRUE(rig.windowServer.liveTaps().empty());
  EXPECT_TRUE(rig.threads.liveThreads().empty());

  // Every resource is made afresh for the next test.
  startAndWait(*tester);
  rig.keyboard.tap(keycode::a);
  EXPECT_EQ(hits->all().size(), 1u);
  tester->stop();
}

TEST_F(KeyTesterTest, StartsNothingWithoutAccessibilityOrInputMonitoring) {
  auto tester = makeTester();
  const std::vector<std::pair<bool, bool>> missing{{false, true}, {true, false}, {false, false}};
  for (const auto& [trusted, listening] : missing) {
    SCOPED_TRACE(std::to_string(trusted) + std::to_string(listening));
    rig.permissions.setAccessibilityTrusted(trusted);
    rig.permissions.setInputMonitoring(listening);
    EXPECT_FALSE(tester->canRun());
    EXPECT_FALSE(tester->start());
    EXPECT_FALSE(tester->isStarted());
    EXPECT_FALSE(rig.permissions.listedForInputMonitoring()) << "no tap was asked for";
    EXPECT_TRUE(rig.windowServer.liveTaps().empty());
    EXPECT_EQ(rig.threads.startedCount(), 0u);
  }
  tester->stop();
}

TEST_F(KeyTesterTest, StopWithoutStartAndDestructionAfterStopAreHarmless) {
  auto tester = makeTester();
  tester->stop();
  EXPECT_FALSE(tester->isStarted());

  startAndWait(*tester);
  const std::weak_ptr<KeyTester> watched = tester;
  tester->stop();
  tester.reset();
  EXPECT_TRUE(watched.expired());
  EXPECT_TRUE(rig.windowServer.liveTaps().empty());
}

TEST_F(KeyTesterTest, DisabledTapStaysOffUntilRestarted) {
  auto tester = makeTester();
  startAndWait(*tester);
  rig.windowServer.sendUserInputDisable();
  rig.keyboard.tap(keycode::a);
  EXPECT_TRUE(hits->all().empty()) << "neither the notice nor the key is reported";
  EXPECT_EQ(rig.windowServer.receivedEvents().size(), 2u);
  tester->stop();
  startAndWait(*tester);
  rig.keyboard.tap(keycode::a);
  EXPECT_EQ(hits->all().size(), 1u);
  tester->stop();
}

}  // namespace
}  // namespace kestravane
