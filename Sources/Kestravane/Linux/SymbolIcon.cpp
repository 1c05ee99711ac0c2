// The menu-bar icons on Linux, drawn by the program: monochrome glyphs (Icons/*.svg) rendered
// at the sizes panels ask for, each with a thin light outline so that the dark glyph reads on a
// dark panel as well as on a light one. Marked as a mask, for desktops that recolour such icons.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QSvgRenderer>

#include "Kestravane/Ui/SymbolIcon.h"

namespace kestravane {

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

QImage glyph(QSvgRenderer& svg, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter, QRectF(0, 0, size, size));
  return image;
}

// The glyph over a light copy of itself spread by one pixel in every direction.
QPixmap withOutline(const QImage& dark) {
  QImage outline(dark.size(), QImage::Format_ARGB32_Premultiplied);
  outline.fill(Qt::transparent);
  {
    QPainter painter(&outline);
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) painter.drawImage(dx, dy, dark);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(outline.rect(), QColor(255, 255, 255, 200));
  }
  QPainter painter(&outline);
  painter.drawImage(0, 0, dark);
  painter.end();
  return QPixmap::fromImage(outline);
}

}  // namespace

QIcon symbolIcon(std::string_view symbolName) {
  const QString path =
      QStringLiteral(":/icons/") +
      QString::fromUtf8(symbolName.data(), static_cast<qsizetype>(symbolName.size())) +
      QStringLiteral(".svg");
  QSvgRenderer svg(path);
  QIcon icon;
  if (!svg.isValid()) return icon;
  for (const int size : kSizes) icon.addPixmap(withOutline(glyph(svg, size)));
  icon.setIsMask(true);
  return icon;
}

}  // namespace kestravane
