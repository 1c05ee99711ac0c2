// plivex-icon-render: draws the application icon (an SVG) into the images of an Apple iconset,
// icon_16x16.png to icon_512x512@2x.png, from which iconutil (macOS) or png2icns (elsewhere)
// makes the bundle's .icns; or, with --hicolor, into the sizes a Linux desktop's icon theme
// holds, THEME_DIRECTORY/<n>x<n>/apps/NAME.png. Fails, saying why, when the SVG cannot be read
// or draws nothing.
// Usage: plivex-icon-render ICON.svg ICONSET_DIRECTORY
//        plivex-icon-render --hicolor NAME ICON.svg THEME_DIRECTORY
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <array>
#include <cstdio>
#include <string_view>

namespace {

// An iconset holds each of these sizes at 1x and 2x.
constexpr std::array<int, 5> kPoints{16, 32, 128, 256, 512};
// The sizes of the hicolor theme that desktops look up for menus, panels and launchers.
constexpr std::array<int, 9> kThemePixels{16, 22, 24, 32, 48, 64, 128, 256, 512};

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

// Draws the SVG at `pixels` square into `path` (its folder made first); false, having said why,
// when that fails.
bool writeImage(QSvgRenderer& svg, const char* svgPath, int pixels, const QString& path) {
  const QImage image = render(svg, pixels);
  if (!drawsSomething(image)) {
    std::fprintf(stderr, "%s: draws nothing at %d pixels\n", svgPath, pixels);
    return false;
  }
  if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
    std::fprintf(stderr, "%s: cannot be written\n", qPrintable(path));
    return false;
  }
  return true;
}

int usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s ICON.svg ICONSET_DIRECTORY\n"
               "       %s --hicolor NAME ICON.svg THEME_DIRECTORY\n",
               program, program);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool theme = argc == 5 && std::string_view(argv[1]) == "--hicolor";
  if (argc != 3 && !theme) return usage(argv[0]);
  const char* svgPath = theme ? argv[3] : argv[1];
  QSvgRenderer svg{QString::fromLocal8Bit(svgPath)};
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: not an SVG the renderer can draw\n", svgPath);
    return 1;
  }
  const QDir directory(QString::fromLocal8Bit(theme ? argv[4] : argv[2]));
  if (theme) {
    const QString name = QString::fromLocal8Bit(argv[2]) + QStringLiteral(".png");
    for (const int pixels : kThemePixels) {
      const QString size = QStringLiteral("%1x%1").arg(pixels);
      if (!writeImage(svg, svgPath, pixels, directory.filePath(size + "/apps/" + name))) return 1;
    }
    return 0;
  }
  for (const int points : kPoints) {
    for (const int scale : {1, 2}) {
      if (!writeImage(svg, svgPath, points * scale, directory.filePath(fileName(points, scale)))) {
        return 1;
      }
    }
  }
  return 0;
}
