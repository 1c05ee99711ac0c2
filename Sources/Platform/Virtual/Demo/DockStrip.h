// The strip that stands for the Dock: it shows Plivex's icon only while the application's
// activation policy is regular (a Dock icon, as while its settings window is open), with a dot
// under it while the application is active; an agent (accessory) application has no icon here.
// Threads: GUI thread only.
#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;

namespace kestravane::platform::vmac::demo {

class DockStrip final : public QWidget {
  Q_OBJECT
 public:
  explicit DockStrip(QWidget* parent = nullptr);

  void setApplicationIcon(const QIcon& icon);
  void showApplication(bool inDock, bool active);
  bool showsApplication() const { return inDock; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QIcon icon;
  bool inDock = false;
  bool active = false;
};

}  // namespace kestravane::platform::vmac::demo
