// A top-level window that takes its content's size (the content's fixed width and its ideal
// height, so it cannot be resized), lets Return and Escape press its default and cancel buttons
// from anywhere in the window, and can put itself in the middle of its screen.
// Threads: main thread only.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace kestravane::ui {

class FixedSizeWindow : public QWidget {
 public:
  explicit FixedSizeWindow(Qt::WindowFlags flags = Qt::Window);

 protected:
  // The window's only child; the window follows its size.
  void setContent(QWidget* content);
  // Return presses `defaultButton`, Escape `cancelButton`, when no control used the key.
  void setShortcutButtons(QPushButton* defaultButton, QPushButton* cancelButton);
  // Puts the shown window, laid out anew, in the middle of its screen's available area.
  void showCentred();
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPointer<QPushButton> defaultButton;
  QPointer<QPushButton> cancelButton;
};

}  // namespace kestravane::ui
