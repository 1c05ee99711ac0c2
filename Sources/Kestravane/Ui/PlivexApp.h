// The application record: built once, after the QApplication exists and the platform services
// are installed, as `PlivexApp app(AppController::shared());`. It keeps the one controller for
// the program's life, shows the menu-bar extra at once, owns the settings window that the
// menu's "Settings…" opens, and gives the controller the window host that draws the onboarding
// window (before the onboarding check posted at start-up runs). There is no main window; the
// program rests as an agent (accessory policy) until the settings window is shown.
// Threads: main thread only.
#pragma once

#include <QObject>
#include <memory>

#include "Kestravane/AppController.h"

namespace kestravane {

namespace ui {
class MenuBarExtra;
class SettingsWindow;
class QtOnboardingWindowHost;
}  // namespace ui

class PlivexApp final : public QObject {
 public:
  explicit PlivexApp(std::shared_ptr<AppController> controller, QObject* parent = nullptr);
  // Hands the controller back a window host that draws nothing.
  ~PlivexApp() override;

  AppController& controller() const { return *_controller; }
  ui::MenuBarExtra& menuBarExtra() const { return *extra; }
  ui::SettingsWindow& settingsWindow() const { return *settings; }
  ui::QtOnboardingWindowHost& windowHost() const { return *host; }

 private:
  const std::shared_ptr<AppController> _controller;
  const std::shared_ptr<ui::QtOnboardingWindowHost> host;
  const std::unique_ptr<ui::SettingsWindow> settings;
  const std::unique_ptr<ui::MenuBarExtra> extra;
};

}  // namespace kestravane
