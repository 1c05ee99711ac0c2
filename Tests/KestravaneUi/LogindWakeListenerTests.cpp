// The wake from sleep on a Linux desktop: logind's PrepareForSleep(false) becomes the X11
// workspace's wake, whose observers run on the main queue; the signal before sleeping and a
// look-alike from another program wake nothing. On a private bus of the test's own, where the test
// owns logind's name and sends its signals.
#include "Kestravane/Linux/LogindWakeListener.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <memory>
#include <vector>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/ManualClock.h"
#include "Support/DBusDaemon.h"
#include "Support/Waiting.h"

namespace kestravane {
namespace {

using linux_app::LogindWakeListener;
using testing_support::DBusDaemon;

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

class LogindWakeListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DBusDaemon::installed()) GTEST_SKIP() << "dbus-daemon is not installed";
    daemon = std::make_unique<DBusDaemon>();
    ASSERT_TRUE(daemon->running()) << "dbus-daemon did not start";
    logind = std::make_unique<QDBusConnection>(connect("logind"));
    program = std::make_unique<QDBusConnection>(connect("program"));
    other = std::make_unique<QDBusConnection>(connect("other"));
    ASSERT_TRUE(logind->isConnected() && program->isConnected() && other->isConnected());
    ASSERT_TRUE(logind->registerService(kLogind));
    observation = workspace.addDidWakeObserver([this] { ++wakes; });
  }

  void TearDown() override {
    logind.reset();
    program.reset();
    other.reset();
    for (const QString& name : names) QDBusConnection::disconnectFromBus(name);
  }

  // A connection of its own to the test's bus.
  QDBusConnection connect(const QString& role) {
    static int made = 0;
    names.push_back(role + QString::number(++made));
    return QDBusConnection::connectToBus(QString::fromStdString(daemon->address()), names.back());
  }

  // Sends PrepareForSleep(sleeping) from `sender`; once the bus has answered a call from the same
  // sender after it, the bus has passed the signal on.
  static void sendPrepareForSleep(QDBusConnection& sender, bool sleeping) {
    QDBusMessage message = QDBusMessage::createSignal(kPath, kInterface, kSignal);
    message << sleeping;
    ASSERT_TRUE(sender.send(message));
    ASSERT_TRUE(sender.interface()->isServiceRegistered(kLogind).value());
  }

  // Reads the bus and drives the main queue until the workspace has posted `expected` wakes in
  // all. A bus delivers a connection's signals in the order they were sent, so once a resume sent
  // last has woken the workspace, every signal sent before it has been handled too.
  void waitForWakes(int expected) {
    EXPECT_TRUE(testing_support::waitUntil(
        [&] {
          QCoreApplication::processEvents();
          return wakes >= expected;
        },
        testing_support::kDefaultWait, &dispatch));
  }

  platform::host::DispatchQueues dispatch{std::make_shared<platform::host::ManualClock>()};
  platform::desktop::DesktopWorkspace workspace{dispatch.mainQueue(), {"", ""}};
  std::shared_ptr<platform::Cancellable> observation;
  int wakes = 0;
  std::unique_ptr<DBusDaemon> daemon;
  std::vector<QString> names;
  std::unique_ptr<QDBusConnection> logind;
  std::unique_ptr<QDBusConnection> program;
  std::unique_ptr<QDBusConnection> other;
};

TEST_F(LogindWakeListenerTest, OnlyLogindsResumeWakesTheWorkspace) {
  LogindWakeListener listener(*program, workspace);
  ASSERT_TRUE(listener.isListening());

  sendPrepareForSleep(*logind, true);   // going to sleep
  sendPrepareForSleep(*other, false);   // not logind
  sendPrepareForSleep(*logind, false);  // resumed
  waitForWakes(1);
  EXPECT_EQ(wakes, 1) << "only logind's resume wakes";

  sendPrepareForSleep(*logind, true);
  sendPrepareForSleep(*logind, false);
  waitForWakes(2);
  EXPECT_EQ(wakes, 2) << "each resume wakes once";
}

TEST_F(LogindWakeListenerTest, NoWakeOnceTheListenerIsGoneOrWithoutABus) {
  {
    LogindWakeListener gone(*program, workspace);
    ASSERT_TRUE(gone.isListening());
  }
  LogindWakeListener listener(*program, workspace);
  sendPrepareForSleep(*logind, false);
  waitForWakes(1);
  EXPECT_EQ(wakes, 1) << "the listener that is gone woke nothing";

  const LogindWakeListener withoutBus(QDBusConnection(QStringLiteral("never connected")),
                                      workspace);
  EXPECT_FALSE(withoutBus.isListening());
}

}  // namespace
}  // namespace kestravane
