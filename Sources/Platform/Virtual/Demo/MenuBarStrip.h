// The strip that stands for the macOS menu bar: at its right the input menu (the current input
// source's name, with the enabled sources to choose from, as macOS offers them) and Plivex's
// status item, a button showing an icon and opening a menu that the application supplies.
// Threads: GUI thread only.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <vector>

class QLabel;
class QMenu;
class QToolButton;

namespace kestravane::platform::vmac::demo {

class MenuBarStrip final : public QWidget {
  Q_OBJECT
 public:
  struct Choice {
    QString identifier;
    QString name;
  };

  explicit MenuBarStrip(QWidget* parent = nullptr);

  // The status item's icon and menu; the menu stays the caller's.
  void setStatusItem(const QIcon& icon, QMenu* menu);
  void setStatusIcon(const QIcon& icon);
  QToolButton* statusItem() const { return status; }

  // The current source's name (or "—") and the sources the input menu offers.
  void showInputSources(const QString& currentName, const QString& currentIdentifier,
                        const std::vector<Choice>& choices);
  QString inputSourceName() const;

 signals:
  void inputSourceChosen(const QString& identifier);

 private:
  QToolButton* inputMenuButton;
  QMenu* inputMenu;
  QToolButton* status;
};

}  // namespace kestravane::platform::vmac::demo
