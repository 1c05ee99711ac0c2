#include "Platform/Virtual/Demo/GuiThreadQueue.h"

#include <QCoreApplication>
#include <QTest>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Demo/QtWaiting.h"

namespace kestravane::platform::vmac::demo {
namespace {

class GuiThreadQueueTest : public QObject {
  Q_OBJECT
 private slots:
  void workFromOtherThreadsRunsOnTheGuiThreadInPostingOrder() {
    GuiThreadQueue queue;
    const auto gui = std::this_thread::get_id();
    std::vector<int> ran;  // touched only by the work, on the GUI thread
    bool allOnGui = true;
    std::vector<std::thread> posters;
    std::latch together(2);  // the two threads post at the same time
    for (int thread = 0; thread < 2; ++thread) {
      posters.emplace_back([post = queue.poster(), thread, &ran, &allOnGui, gui, &together] {
        together.arrive_and_wait();
        for (int i = 0; i < 100; ++i) {
          post([&ran, &allOnGui, gui, value = thread * 1000 + i] {
            allOnGui = allOnGui && std::this_thread::get_id() == gui;
            ran.push_back(value);
          });
        }
      });
    }
    for (auto& poster : posters) poster.join();
    QVERIFY(ran.empty());  // nothing runs before the event loop turns
    QVERIFY(testing_support::waitProcessingEvents([&] { return ran.size() == 200; }));
    QVERIFY(allOnGui);
    for (int thread = 0; thread < 2; ++thread) {
      int last = -1;
      for (const int value : ran) {
        if (value / 1000 != thread) continue;
        QVERIFY(value % 1000 == last + 1);
        last = value % 1000;
      }
    }
  }

  void aPosterKeptAfterTheQueueIsGoneDropsItsWork() {
    bool ran = false;
    GuiThreadQueue::Poster post;
    {
      GuiThreadQueue queue;
      post = queue.poster();
      post([&ran] { ran = true; });  // waiting when the queue goes: dropped
    }
    post([&ran] { ran = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY(!ran);
  }

  void workThatDestroysTheQueueDropsWhatFollows() {
    auto queue = std::make_unique<GuiThreadQueue>();
    bool later = false;
    queue->post([&queue] { queue.reset(); });  // as a window closed by a posted refresh
    queue->post([&later] { later = true; });
    QVERIFY(testing_support::waitProcessingEvents([&] { return !queue; }));
    QCoreApplication::processEvents();
    QVERIFY(!later);
  }
};

const testing::RegisterTest<GuiThreadQueueTest> registration("GuiThreadQueueTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "GuiThreadQueueTests.moc"
