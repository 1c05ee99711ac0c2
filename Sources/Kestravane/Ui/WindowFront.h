// Brings a shown top-level window in front of every other window and gives it the keyboard; the
// application is activated first (Application::activate()). On macOS the window is also made key
// and ordered front by AppKit itself, so it comes forward even when the cooperative activation of
// macOS 14 and later lands after Qt has raised it.
// Threads: main thread.
#pragma once

class QWidget;

namespace kestravane {

void orderFront(QWidget& window);

}  // namespace kestravane
