// plivex-demo: Plivex on a virtual Mac, tried through the demo window (Linux).
#include <QApplication>

#include "Demo/DemoSession.h"
#include "Platform/Virtual/FileUserDefaults.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("plivex-demo");
  kestravane::demo::DemoSessionOptions options;
  options.defaultsFile = kestravane::platform::vmac::FileUserDefaults::defaultPath();
  kestravane::demo::DemoSession session(std::move(options));
  session.window().show();
  return QApplication::exec();
}
