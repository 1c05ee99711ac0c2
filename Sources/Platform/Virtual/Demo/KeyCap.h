// One key of the demo panel's keyboard: a keycap that shows its legend, whether the key is down,
// and (for Caps Lock) its light. The mouse presses it on button-down and releases it on
// button-up, so a click taps the key and a long press holds it; a right-click latches it down or
// lets it up, for chords a mouse cannot hold.
// Threads: GUI thread only.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

namespace kestravane::platform::vmac::demo {

class KeyCap final : public QWidget {
  Q_OBJECT
 public:
  // `widthUnits`: the key's width in standard key widths (1 for a letter); `halfHeight` for the
  // up and down arrows, which share one row's height.
  KeyCap(std::uint16_t keyCode, double widthUnits, bool halfHeight = false,
         QWidget* parent = nullptr);

  std::uint16_t keyCode() const { return code; }
  double widthUnits() const { return units; }

  // The big legend and, when different, a small one in the corner (the U.S. legend).
  void setLegend(const QString& legend, const QString& cornerLegend = {});
  QString legend() const { return mainLegend; }
  void setDown(bool down);
  bool isDown() const { return down; }
  // Only keys with a light draw one (Caps Lock).
  void setHasLight(bool hasLight);
  void setLightOn(bool on);
  bool isLightOn() const { return lightOn; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // `hostMillis`: the host's time of the mouse event (0 when it has none).
  void pressRequested(std::uint16_t keyCode, std::uint64_t hostMillis);
  void releaseRequested(std::uint16_t keyCode, std::uint64_t hostMillis);
  void latchRequested(std::uint16_t keyCode);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const std::uint16_t code;
  const double units;
  const bool halfHeight;
  QString mainLegend;
  QString corner;
  bool down = false;
  bool hasLight = false;
  bool lightOn = false;
  bool mouseHolding = false;
};

}  // namespace kestravane::platform::vmac::demo
