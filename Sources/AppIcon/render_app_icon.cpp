// plivex-icon-render: draws the application icon (an SVG) into the images of an Apple iconset,
// icon_16x16.png to icon_512x512@2x.png, from which iconutil (macOS) or png2icns (elsewhere)
// makes the bundle's .icns. Fails, saying why, when the SVG cannot be read or draws nothing.
// Usage: plivex-icon-render ICON.svg ICONSET_DIRECTORY
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <array>
#include <cstdio>

namespace {

// An iconset holds each of these sizes at 1x and 2x.
constexpr std::array<int, 5> kPoints{16, 32, 128, 256, 512};

QString fileName(int points, int scale) {
  QString name = QStringLiteral("icon_%1x%1").arg(points);
  if (scale == 2) name += QStringLiteral("@2x");
  return name + QStringLiteral(".png");
}

// The drawing at `pixels` square, on a transparent ground.
QImage render(QSvgRenderer& svg, int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  svg.render(&painter, QRectF(0, 0, pixels, pixels));
  return image;
}

bool drawsSomething(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ICON.svg ICONSET_DIRECTORY\n", argv[0]);
    return 2;
  }
  QSvgRenderer svg{QString::fromLocal8Bit(argv[1])};
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: not an SVG the renderer can draw\n", argv[1]);
    return 1;
  }
  const QDir directory(QString::fromLocal8Bit(argv[2]));
  if (!directory.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "%s: cannot create the directory\n", argv[2]);
    return 1;
  }
  for (const int points : kPoints) {
    for (const int scale : {1, 2}) {
      const QImage image = render(svg, points * scale);
      if (!drawsSomething(image)) {
        std::fprintf(stderr, "%s: draws nothing at %d pixels\n", argv[1], points * scale);
        return 1;
      }
      const QString path = directory.filePath(fileName(points, scale));
      if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "%s: cannot be written\n", qPrintable(path));
        return 1;
      }
    }
  }
  return 0;
}
