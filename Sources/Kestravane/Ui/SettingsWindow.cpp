#include "Kestravane/Ui/SettingsWindow.h"

#include <QShowEvent>
#include <utility>

#include "Kestravane/Ui/ViewStyle.h"
#include "Kestravane/WindowFront.h"

namespace kestravane::ui {

SettingsWindow::SettingsWindow(std::shared_ptr<AppController> controller)
    : _view(controller, [this] { close(); }),
      controllerChanges(*controller, [this] { redraw(); }),
      pendingChanges(_view, [this] { redraw(); }) {
  setObjectName("settingsWindow");
}

ViewNode SettingsWindow::buildContent() {
  // The title follows the applied language, like the content.
  setWindowTitle(toQString(_view.texts().settingsTitle()));
  return _view.build();
}

void SettingsWindow::present() {
  if (!placed) {
    // Centred the first time; afterwards where the user left it.
    placed = true;
    drawNow();
    centreOnScreen();
  }
  if (!isVisible()) show();
  orderFront(*this);
}

void SettingsWindow::showEvent(QShowEvent* event) {
  // A spontaneous show is the window coming back from being minimised, not a new appearance.
  if (!event->spontaneous()) {
    _view.appear();
    drawNow();
  }
  ContentWindow::showEvent(event);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) _view.disappear();
  ContentWindow::hideEvent(event);
}

}  // namespace kestravane::ui
