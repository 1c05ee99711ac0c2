#include "Kestravane/Ui/WindowFront.h"

#include <QWidget>

namespace kestravane {

void orderFront(QWidget& window) {
  window.raise();
  window.activateWindow();
}

}  // namespace kestravane
