#include "Kestravane/Ui/ContentWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QScreen>

namespace kestravane::ui {

ContentWindow::ContentWindow(QWidget* parent) : QWidget(parent, Qt::Window), _renderer(*this) {}

void ContentWindow::redraw() {
  if (isVisible()) drawNow();
}

void ContentWindow::drawNow() {
  _renderer.render(buildContent());
  // The window takes the content's size: its fixed width and its ideal height.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();
}

void ContentWindow::centreOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void ContentWindow::keyPressEvent(QKeyEvent* event) {
  // Keys that no control used reach the window: Return is the default action, Escape the cancel.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (_renderer.runShortcut(KeyboardShortcut::defaultAction)) return;
      break;
    case Qt::Key_Escape:
      if (_renderer.runShortcut(KeyboardShortcut::cancelAction)) return;
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace kestravane::ui
