#include "Platform/Virtual/Demo/DockStrip.h"

#include <QPainter>

namespace kestravane::platform::vmac::demo {
namespace {

constexpr int kIconSize = 44;

}  // namespace

DockStrip::DockStrip(QWidget* parent) : QWidget(parent) {
  setObjectName("dockStrip");
  setAccessibleName("Dock");
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void DockStrip::setApplicationIcon(const QIcon& newIcon) {
  icon = newIcon;
  update();
}

void DockStrip::showApplication(bool isInDock, bool isActive) {
  if (inDock == isInDock && active == isActive) return;
  inDock = isInDock;
  active = isActive;
  setToolTip(inDock ? "Plivex is in the Dock (activation policy: regular)"
                    : "Plivex runs as an agent: no Dock icon (activation policy: accessory)");
  update();
}

QSize DockStrip::sizeHint() const {
  return {400, kIconSize + 22};
}

void DockStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF shelf = QRectF(rect()).adjusted(width() / 2.0 - 150, 4, -(width() / 2.0 - 150), -2);
  painter.setPen(palette().color(QPalette::Mid));
  painter.setBrush(palette().color(QPalette::Window).darker(112));
  painter.drawRoundedRect(shelf, 12, 12);
  if (!inDock) {
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(shelf, Qt::AlignCenter, "Dock: no Plivex icon while it runs as an agent");
    return;
  }
  const QRect iconRect(width() / 2 - kIconSize / 2, static_cast<int>(shelf.top()) + 4, kIconSize,
                       kIconSize);
  icon.paint(&painter, iconRect);
  if (active) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::WindowText));
    painter.drawEllipse(QPointF(width() / 2.0, iconRect.bottom() + 6.0), 2.5, 2.5);
  }
}

}  // namespace kestravane::platform::vmac::demo
