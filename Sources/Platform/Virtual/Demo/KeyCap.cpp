#include "Platform/Virtual/Demo/KeyCap.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace kestravane::platform::vmac::demo {
namespace {

constexpr int kUnitPixels = 50;  // one standard key width, with its gap
constexpr int kGap = 4;

// The largest font up to `wanted` points in which `text` fits `room`.
QFont fitted(QFont font, double wanted, const QString& text, const QRectF& room) {
  for (double size = wanted; size > 6; size -= 0.5) {
    font.setPointSizeF(size);
    const QRectF needed = QFontMetricsF(font).boundingRect(room, Qt::AlignCenter, text);
    if (needed.width() <= room.width() && needed.height() <= room.height()) break;
  }
  return font;
}

}  // namespace

KeyCap::KeyCap(std::uint16_t keyCode, double widthUnits, bool halfHeight, QWidget* parent)
    : QWidget(parent), code(keyCode), units(widthUnits), halfHeight(halfHeight) {
  setFocusPolicy(Qt::NoFocus);  // the keyboard, not the key, takes the host's typing
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);  // a keyboard does not squeeze its keys
}

void KeyCap::setLegend(const QString& legend, const QString& cornerLegend) {
  if (legend == mainLegend && cornerLegend == corner) return;
  mainLegend = legend;
  corner = cornerLegend;
  setToolTip(legend);
  update();
}

void KeyCap::setDown(bool isDownNow) {
  if (down == isDownNow) return;
  down = isDownNow;
  update();
}

void KeyCap::setHasLight(bool light) {
  hasLight = light;
  update();
}

void KeyCap::setLightOn(bool on) {
  if (lightOn == on) return;
  lightOn = on;
  update();
}

QSize KeyCap::sizeHint() const {
  const int height = kUnitPixels - kGap;
  return {static_cast<int>(std::lround(units * kUnitPixels)) - kGap,
          halfHeight ? (height - kGap) / 2 : height};
}

QSize KeyCap::minimumSizeHint() const {
  return sizeHint();
}

void KeyCap::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF cap = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPalette& colours = palette();
  const QColor face = down ? colours.color(QPalette::Highlight) : colours.color(QPalette::Button);
  const QColor text =
      down ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::ButtonText);
  painter.setPen(colours.color(QPalette::Mid));
  painter.setBrush(face);
  painter.drawRoundedRect(cap, 5, 5);

  // One character reads larger, as on a keycap; longer legends shrink until they fit.
  const QRectF room = cap.adjusted(4, 3, -4, -3);
  const double base = font().pointSizeF();
  painter.setFont(fitted(font(), mainLegend.size() <= 2 ? base * 1.3 : base, mainLegend, room));
  painter.setPen(text);
  painter.drawText(room, Qt::AlignCenter, mainLegend);

  if (!corner.isEmpty()) {
    QFont small = this->font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    painter.setFont(small);
    painter.setPen(down ? text : colours.color(QPalette::PlaceholderText));
    painter.drawText(cap.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, corner);
  }
  if (hasLight) {
    const QRectF light(cap.left() + 6, cap.top() + 6, 7, 7);
    painter.setPen(Qt::NoPen);
    painter.setBrush(lightOn ? QColor(0x34, 0xC7, 0x59) : colours.color(QPalette::Mid));
    painter.drawEllipse(light);
  }
}

void KeyCap::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    mouseHolding = true;
    emit pressRequested(code, event->timestamp());
  } else if (event->button() == Qt::RightButton) {
    emit latchRequested(code);
  }
  event->accept();
}

void KeyCap::mouseReleaseEvent(QMouseEvent* event) {
  // Qt sends the release to the key that got the press, wherever the pointer went meanwhile.
  if (event->button() == Qt::LeftButton && mouseHolding) {
    mouseHolding = false;
    emit releaseRequested(code, event->timestamp());
  }
  event->accept();
}

}  // namespace kestravane::platform::vmac::demo
