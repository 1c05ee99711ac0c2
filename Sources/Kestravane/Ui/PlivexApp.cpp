#include "Kestravane/Ui/PlivexApp.h"

#include "Kestravane/Ui/MenuBarExtra.h"
#include "Kestravane/Ui/QtOnboardingWindowHost.h"
#include "Kestravane/Ui/SettingsWindow.h"

namespace kestravane {

PlivexApp::PlivexApp(std::shared_ptr<AppController> controller, QObject* parent)
    : QObject(parent),
      _controller(std::move(controller)),
      host(std::make_shared<ui::QtOnboardingWindowHost>()),
      settings(std::make_unique<ui::SettingsWindow>(_controller)),
      extra(std::make_unique<ui::MenuBarExtra>(_controller, [this] { settings->present(); })) {
  _controller->setWindowHost(host);
}

PlivexApp::~PlivexApp() {
  _controller->setWindowHost(nullptr);
  settings->close();
}

}  // namespace kestravane
