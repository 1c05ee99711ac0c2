#include "Kestravane/Ui/ViewStyle.h"

#include <QFontDatabase>
#include <QFrame>

namespace kestravane::ui {

namespace {

// The system's text styles in points, with the body at 13.
constexpr double kBodyPoints = 13.0;

QFont scaled(const QFont& base, double points) {
  QFont font = base;
  const double bodySize = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
  font.setPointSizeF(bodySize * points / kBodyPoints);
  return font;
}

QFont monospaced(const QFont& body, double points) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const double bodySize = body.pointSizeF() > 0 ? body.pointSizeF() : 10.0;
  font.setPointSizeF(bodySize * points / kBodyPoints);
  return font;
}

// Wraps only where its row is narrower than its words on one line (QLabel's own guess wraps
// much earlier).
class TextLabel final : public QLabel {
 public:
  QSize sizeHint() const override {
    if (!wordWrap()) return QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int width = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() +
                      2 * margin() + 1;
    return {width, heightForWidth(width)};
  }
};

}  // namespace

QFont fontFor(FontRole role, const QFont& body) {
  switch (role) {
    case FontRole::body:
      return body;
    case FontRole::title2Bold: {
      QFont font = scaled(body, 17);
      font.setBold(true);
      return font;
    }
    case FontRole::headline: {
      QFont font = body;
      font.setWeight(QFont::DemiBold);
      return font;
    }
    case FontRole::callout:
      return scaled(body, 12);
    case FontRole::caption:
      return scaled(body, 10);
    case FontRole::title3Monospaced:
      return monospaced(body, 15);
    case FontRole::captionMonospaced:
      return monospaced(body, 10);
  }
  return body;
}

QFont smallControlFont(const QFont& body) {
  return scaled(body, 11);
}

QColor colourFor(ColourRole role, const QPalette& palette) {
  switch (role) {
    case ColourRole::primary:
      return palette.color(QPalette::WindowText);
    case ColourRole::secondary: {
      // The window text at reduced strength, so it follows a light or a dark palette.
      QColor colour = palette.color(QPalette::WindowText);
      colour.setAlphaF(0.6f);
      return colour;
    }
    case ColourRole::green:
      return palette.color(QPalette::Window).lightness() < 128 ? QColor(0x30, 0xd1, 0x58)
                                                               : QColor(0x1e, 0x8e, 0x3e);
    case ColourRole::orange:
      return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xff, 0x9f, 0x0a)
                                                               : QColor(0xd9, 0x73, 0x00);
  }
  return palette.color(QPalette::WindowText);
}

QLabel* makeText(const QWidget& window, FontRole font, ColourRole colour, bool wraps) {
  auto* label = new TextLabel;
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(wraps);
  label->setFont(fontFor(font, window.font()));
  setColour(*label, window, colour);
  return label;
}

void setColour(QLabel& label, const QWidget& window, ColourRole colour) {
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, colourFor(colour, window.palette()));
  label.setPalette(palette);
}

QPushButton* makeButton(const QWidget& window, bool small) {
  auto* button = new QPushButton;
  button->setAutoDefault(false);
  if (small) button->setAttribute(Qt::WA_MacSmallSize);
  button->setFont(small ? smallControlFont(window.font()) : window.font());
  return button;
}

QFrame* makeDivider() {
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QWidget* makeStack(QBoxLayout::Direction direction, int spacing, QMargins margins) {
  auto* stack = new QWidget;
  auto* layout = new QBoxLayout(direction, stack);
  layout->setContentsMargins(margins);
  layout->setSpacing(spacing);
  return stack;
}

QBoxLayout& stackLayout(QWidget& stack) {
  return static_cast<QBoxLayout&>(*stack.layout());
}

}  // namespace kestravane::ui
