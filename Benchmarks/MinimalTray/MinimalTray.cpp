// The smallest useful menu-bar program: one QSystemTrayIcon with a one-item menu. It exists only
// as the yardstick beside which Plivex's own memory and idle CPU are measured.
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::transparent);
  QPainter(&pixmap).fillRect(4, 6, 14, 10, Qt::black);
  QMenu menu;
  menu.addAction("Quit", &app, &QApplication::quit);
  QSystemTrayIcon tray{QIcon(pixmap)};
  tray.setContextMenu(&menu);
  tray.show();
  return QApplication::exec();
}
