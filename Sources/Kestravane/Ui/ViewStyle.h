// How the windows draw their texts and controls: the system's text styles relative to the body
// text (title 2 is 17 points where the body is 13, and so on), the monospaced design from the
// platform's fixed font, colours that read on light and dark window backgrounds alike, and the
// few widgets every window is made of (a text that wraps only where it must, a small bordered
// button, a divider, a row or column of widgets).
// Threads: main thread (fonts, palettes and widgets belong to the GUI thread).
#pragma once

#include <QBoxLayout>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QString>
#include <string_view>

class QFrame;

namespace kestravane::ui {

// The text styles the windows use, named as the system names them.
enum class FontRole {
  body,
  title2Bold,
  headline,
  callout,
  caption,
  title3Monospaced,   // the title-3 size in the monospaced design
  captionMonospaced,  // the caption size in the monospaced design
};

enum class ColourRole { primary, secondary, green, orange };

QFont fontFor(FontRole role, const QFont& body);
// The font of a control of the small size (buttons of the status and key-tester sections).
QFont smallControlFont(const QFont& body);
QColor colourFor(ColourRole role, const QPalette& palette);

inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A plain-text label in `window`'s style. A wrapping text asks for the width of its words on one
// line, as a text does on a Mac, and wraps only where its row is narrower than that.
QLabel* makeText(const QWidget& window, FontRole font, ColourRole colour, bool wraps);
// Gives a label another colour of the window's palette.
void setColour(QLabel& label, const QWidget& window, ColourRole colour);
// A push button (the platform's default style is bordered), in the small size or the regular.
QPushButton* makeButton(const QWidget& window, bool small);
QFrame* makeDivider();
// A widget laying out its children in a row or a column with this spacing and these margins.
QWidget* makeStack(QBoxLayout::Direction direction, int spacing, QMargins margins = {});
QBoxLayout& stackLayout(QWidget& stack);

}  // namespace kestravane::ui
