// Tells the X11 workspace when the machine has woken from sleep, as macOS tells its workspace:
// listens to logind's PrepareForSleep(bool) signal (interface org.freedesktop.login1.Manager,
// path /org/freedesktop/login1, from the bus name org.freedesktop.login1) and on
// PrepareForSleep(false), sent once the machine has resumed, posts the wake
// (DesktopWorkspace::postDidWake()), whose observers then run on the main queue: the controller
// rebuilds its engine as after a Mac's wake. PrepareForSleep(true), sent before sleeping, changes
// nothing. Only the bus name's owner is heard (on the system bus only logind may own it), so
// another program's look-alike signal wakes nothing.
// Threads: made, used and destroyed on the thread whose Qt event loop delivers the bus's signals
//   (the main thread).
// Ownership: the workspace must outlive the listener; destruction stops the listening.
#pragma once

#include <QDBusConnection>
#include <QObject>

#include "Platform/LinuxDesktop/DesktopWorkspace.h"

namespace kestravane::linux_app {

class LogindWakeListener final : public QObject {
  Q_OBJECT

 public:
  // `bus`: the system bus in the program (QDBusConnection::systemBus()), a private bus in tests.
  LogindWakeListener(QDBusConnection bus, platform::desktop::DesktopWorkspace& workspace);
  ~LogindWakeListener() override;
  LogindWakeListener(const LogindWakeListener&) = delete;
  LogindWakeListener& operator=(const LogindWakeListener&) = delete;

  // Whether the bus took the subscription (false when it is not connected).
  bool isListening() const { return listening; }

 private Q_SLOTS:
  void prepareForSleep(bool sleeping);

 private:
  QDBusConnection bus;
  platform::desktop::DesktopWorkspace& workspace;
  bool listening = false;
};

}  // namespace kestravane::linux_app
