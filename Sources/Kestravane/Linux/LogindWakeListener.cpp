#include "Kestravane/Linux/LogindWakeListener.h"

#include <utility>

namespace kestravane::linux_app {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

}  // namespace

LogindWakeListener::LogindWakeListener(QDBusConnection bus,
                                       platform::desktop::DesktopWorkspace& workspace)
    : bus(std::move(bus)), workspace(workspace) {
  listening =
      this->bus.connect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
}

LogindWakeListener::~LogindWakeListener() {
  if (listening) {
    bus.disconnect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
  }
}

void LogindWakeListener::prepareForSleep(bool sleeping) {
  if (!sleeping) workspace.postDidWake();
}

}  // namespace kestravane::linux_app
