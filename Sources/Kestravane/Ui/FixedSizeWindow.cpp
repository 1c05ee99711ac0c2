#include "Kestravane/Ui/FixedSizeWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace kestravane::ui {

FixedSizeWindow::FixedSizeWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FixedSizeWindow::setContent(QWidget* content) {
  layout()->addWidget(content);
}

void FixedSizeWindow::setShortcutButtons(QPushButton* defaultAction, QPushButton* cancelAction) {
  defaultButton = defaultAction;
  cancelButton = cancelAction;
  if (defaultButton) defaultButton->setDefault(true);
}

void FixedSizeWindow::showCentred() {
  layout()->activate();
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

void FixedSizeWindow::keyPressEvent(QKeyEvent* event) {
  // Keys that no control used reach the window: Return is the default action, Escape the cancel.
  QPushButton* button = nullptr;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) button = defaultButton;
  if (event->key() == Qt::Key_Escape) button = cancelButton;
  if (button && button->isEnabled()) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace kestravane::ui
