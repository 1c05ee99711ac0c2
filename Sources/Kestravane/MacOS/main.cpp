// Plivex on macOS: the Qt interface on the real macOS services, run from the bundle Plivex.app.
// The main queue is the main dispatch queue, which Qt's Cocoa event loop serves; quitting from
// the menu terminates the application through NSApplication, which ends the event loop.
#include <QApplication>

#include "Kestravane/AppController.h"
#include "Kestravane/MacOS/ResponsiveActivity.h"
#include "Kestravane/Ui/PlivexApp.h"
#include "Platform/MacOS/MacServices.h"

int main(int argc, char* argv[]) {
  using namespace kestravane;
  const auto services = platform::makeMacServices();
  platform::install(services);

  QApplication application(argc, argv);
  QApplication::setApplicationName("Plivex");
  // A menu-bar utility: closing its last window does not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  // No Dock icon at rest, whatever Qt chose while starting up (the bundle says LSUIElement too);
  // the settings window switches to the regular policy while it is open.
  services->application->setActivationPolicy(platform::ActivationPolicy::accessory);

  // Held for the program's life: the switch must not wait on App Nap (docs/macos.md).
  const ResponsiveActivity responsive;
  PlivexApp app(AppController::shared());
  return QApplication::exec();
}
