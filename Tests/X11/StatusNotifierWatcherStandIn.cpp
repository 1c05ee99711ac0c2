// A desktop's status-notifier host (KDE Plasma's, GNOME's AppIndicator extension) as a program
// meets it on its session bus: owns org.kde.StatusNotifierWatcher, says a host is registered,
// and prints "registered SERVICE" for each item registered. It runs the program given as its
// arguments; once an item is registered, it ends the program with SIGTERM and ends with the
// program's exit status (3 when no item came within 10 s). Run it on a private bus:
//   dbus-run-session -- sni-watcher-stand-in PROGRAM [ARGUMENT...]
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <cstdio>

class StatusNotifierWatcher final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
  Q_PROPERTY(int ProtocolVersion READ protocolVersion)
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)

 public:
  bool hostRegistered() const { return true; }
  int protocolVersion() const { return 0; }
  QStringList registeredItems() const { return items; }

 public slots:
  void RegisterStatusNotifierItem(const QString& service) {
    items.append(service);
    std::printf("registered %s\n", service.toUtf8().constData());
    std::fflush(stdout);
    emit StatusNotifierItemRegistered(service);
    emit itemRegistered();
  }
  void RegisterStatusNotifierHost(const QString&) {}

 signals:
  void StatusNotifierItemRegistered(const QString& service);
  void StatusNotifierItemUnregistered(const QString& service);
  void StatusNotifierHostRegistered();
  void itemRegistered();

 private:
  QStringList items;
};

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  StatusNotifierWatcher watcher;
  auto bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties) ||
      !bus.registerService("org.kde.StatusNotifierWatcher")) {
    std::fprintf(stderr, "cannot own org.kde.StatusNotifierWatcher on the session bus\n");
    return 2;
  }
  QProcess program;
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  QStringList arguments = application.arguments().mid(2);
  QObject::connect(&watcher, &StatusNotifierWatcher::itemRegistered, &program, [&program] {
    QTimer::singleShot(200, &program, [&program] { program.terminate(); });
  });
  QObject::connect(&program, &QProcess::finished, &application,
                   [](int status) { QCoreApplication::exit(status); });
  QTimer::singleShot(10000, &application, [&program] {
    program.kill();
    program.waitForFinished();
    QCoreApplication::exit(3);
  });
  program.start(application.arguments().at(1), arguments);
  if (!program.waitForStarted()) return 2;
  return application.exec();
}

#include "StatusNotifierWatcherStandIn.moc"
