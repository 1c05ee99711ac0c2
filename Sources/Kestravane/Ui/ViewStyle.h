// How the interface draws the text styles and colours the content names: the system's sizes
// relative to the body text (title 2 is 17 points where the body is 13, and so on), the
// monospaced design from the platform's fixed font, and colours that read on light and dark
// window backgrounds alike.
// Threads: main thread (fonts and palettes belong to the GUI thread).
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <string_view>

#include "Kestravane/ViewNode.h"

namespace kestravane::ui {

QFont fontFor(FontRole role, const QFont& body);
// The font of a control of the small size (buttons of the status and key-tester sections).
QFont smallControlFont(const QFont& body);
QColor colourFor(ColourRole role, const QPalette& palette);

inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kestravane::ui
