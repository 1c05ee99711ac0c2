#include "Kestravane/Ui/WindowFront.h"

#import <AppKit/AppKit.h>

#include <QWidget>

namespace kestravane {

void orderFront(QWidget& window) {
  window.raise();
  window.activateWindow();
  // On macOS a top-level widget's native handle is its NSView.
  NSView* view = (__bridge NSView*)reinterpret_cast<void*>(window.winId());
  [view.window makeKeyAndOrderFront:nil];
}

}  // namespace kestravane
