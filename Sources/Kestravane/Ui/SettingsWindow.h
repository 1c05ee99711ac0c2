// The settings window: draws SettingsView, shown (or brought forward) by the menu's
// "Settings…". Each time it is shown the view's appearing steps run (the application becomes
// regular, the controller reconciles, the pending values are taken afresh); each time it goes
// away (Done, Cancel, Escape or the close button) the disappearing steps run (the key test ends,
// the application returns to accessory). It redraws on every change of the controller or of the
// pending values while it is shown.
// Threads: main thread only.
#pragma once

#include <memory>

#include "Kestravane/AppController.h"
#include "Kestravane/RebuildScheduler.h"
#include "Kestravane/SettingsView.h"
#include "Kestravane/Ui/ContentWindow.h"

namespace kestravane::ui {

class SettingsWindow final : public ContentWindow {
 public:
  explicit SettingsWindow(std::shared_ptr<AppController> controller);

  // Shows the window, or brings it forward when it is shown already.
  void present();
  SettingsView& view() { return _view; }

 protected:
  ViewNode buildContent() override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  SettingsView _view;
  RebuildScheduler controllerChanges;
  RebuildScheduler pendingChanges;
  bool placed = false;
};

}  // namespace kestravane::ui
