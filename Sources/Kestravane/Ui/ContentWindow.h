// A top-level window that shows one view's content: it draws what buildContent() describes,
// takes the content's size (its fixed width and ideal height, so it cannot be resized), and
// lets Return and Escape run the content's default and cancel buttons from anywhere in the
// window. Subclasses say when to redraw (on the controller's change notices, through a
// RebuildScheduler) and what showing and closing mean.
// Threads: main thread only.
#pragma once

#include <QWidget>

#include "Kestravane/Ui/ViewRenderer.h"
#include "Kestravane/ViewNode.h"

namespace kestravane::ui {

class ContentWindow : public QWidget {
 public:
  explicit ContentWindow(QWidget* parent = nullptr);

  // Draws the current content; while the window is hidden it waits until it is shown.
  void redraw();
  const ViewRenderer& renderer() const { return _renderer; }
  // The widget drawing the element named `id`, or null.
  QWidget* element(std::string_view id) const { return _renderer.widget(id); }

 protected:
  virtual ViewNode buildContent() = 0;
  // Draws even while hidden (before the first show).
  void drawNow();
  // Puts the window in the middle of its screen's available area.
  void centreOnScreen();
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ViewRenderer _renderer;
};

}  // namespace kestravane::ui
