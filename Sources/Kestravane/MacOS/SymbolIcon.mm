// The menu-bar icons on macOS: the system's own symbols (SF Symbols), drawn at 1x and 2x into
// transparent images and marked as masks, so Qt hands them to the status item as template images
// that follow the menu bar's light and dark appearance.
#include "Kestravane/Ui/SymbolIcon.h"

#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

#include <QImage>
#include <QPixmap>
#include <cmath>
#include <cstdint>

#include "Platform/MacOS/CFRef.h"
#include "Platform/MacOS/NSStrings.h"

namespace kestravane {
namespace {

using platform::macos::CFRef;

// The symbols' size in the menu bar, in points.
constexpr CGFloat kSymbolPointSize = 15;

// `symbol` drawn at `scale` pixels per point; a null pixmap when it cannot be drawn.
QPixmap render(NSImage* symbol, int scale) {
  const NSSize size = symbol.size;
  const int width = static_cast<int>(std::ceil(size.width * scale));
  const int height = static_cast<int>(std::ceil(size.height * scale));
  if (width <= 0 || height <= 0) return {};
  // Premultiplied ARGB in host order is the byte layout CoreGraphics draws as premultiplied
  // "alpha first, 32-bit little-endian".
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  auto space = CFRef<CGColorSpaceRef>::adopt(CGColorSpaceCreateDeviceRGB());
  auto context = CFRef<CGContextRef>::adopt(CGBitmapContextCreate(
      image.bits(), static_cast<size_t>(width), static_cast<size_t>(height), 8,
      static_cast<size_t>(image.bytesPerLine()), space.get(),
      static_cast<std::uint32_t>(kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host));
  if (!context) return {};
  CGContextScaleCTM(context.get(), scale, scale);
  [NSGraphicsContext saveGraphicsState];
  NSGraphicsContext.currentContext = [NSGraphicsContext graphicsContextWithCGContext:context.get()
                                                                             flipped:NO];
  [symbol drawInRect:NSMakeRect(0, 0, size.width, size.height)];
  [NSGraphicsContext restoreGraphicsState];
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

}  // namespace

QIcon symbolIcon(std::string_view symbolName) {
  @autoreleasepool {
    NSString* name = platform::macos::toNSString(symbolName);
    NSImage* symbol =
        name == nil ? nil : [NSImage imageWithSystemSymbolName:name accessibilityDescription:nil];
    NSImageSymbolConfiguration* configuration =
        [NSImageSymbolConfiguration configurationWithPointSize:kSymbolPointSize
                                                        weight:NSFontWeightRegular];
    if (symbol != nil) symbol = [symbol imageWithSymbolConfiguration:configuration];
    if (symbol == nil) return {};  // a name this macOS does not know
    QIcon icon;
    for (const int scale : {1, 2}) {
      const QPixmap pixmap = render(symbol, scale);
      if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
  }
}

}  // namespace kestravane
