// The settings window, shown (or brought forward) by the menu's "Settings…": plain widgets built
// once and updated field by field from SettingsModel whenever the controller says something
// changed. The trigger, language and login controls hold the pending values: loaded each time
// the window is shown, saved to the controller only by Done. Each time the window is shown the
// model's appearing steps run; each time it goes away (Done, Cancel, Escape or the close button)
// its disappearing steps run. Each setting's control is made and bound from its row of kSettings,
// so a new setting needs no code here; the window tells which way it last went away (Done,
// Cancel or Escape, the close button).
// Threads: main thread only.
#pragma once

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Kestravane/AppController.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/SettingsModel.h"
#include "Kestravane/Ui/FixedSizeWindow.h"

namespace kestravane::ui {

class SettingsWindow final : public FixedSizeWindow {
 public:
  explicit SettingsWindow(std::shared_ptr<AppController> controller);

  // Shows the window, or brings it forward when it is shown already.
  void present();
  const SettingsModel& model() const { return _model; }
  // What the window shows now.
  const SettingsState& shown() const { return _shown; }
  // The values the controls hold now, which Done would hand to the controller.
  PendingSettings pending() const;
  // Shows the model's state now, changing only what differs from what is shown.
  void redraw();

  // How the window last went away.
  enum class Dismissal { none, done, cancel, closeButton };
  Dismissal lastDismissal() const { return _lastDismissal; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildHeader();
  QWidget* buildStatus();
  QWidget* buildLoginApproval(const QWidget& checkBox);
  QWidget* buildKeyTester();
  QWidget* buildBottomBar();

  void showRemedies(const std::vector<SettingsRemedy>& remedies);
  // Puts the pending values into the controls.
  void load(const PendingSettings& pending);
  // Closes the window, remembering why.
  void dismiss(Dismissal how);

  // A setting's control, made from its row by its widget kind: showing its texts and a pending
  // value, and reading the value back into the record. A choice shown as radio buttons is a
  // section of its own in `sections`; any other control is a row of `preferences`.
  struct Binding {
    std::function<void(const SettingLook&)> draw;
    std::function<void(const PendingSettings&)> load;
    std::function<void(PendingSettings&)> save;
  };
  template <class Value>
  void bind(const Setting<Value>& setting, QBoxLayout& sections, QBoxLayout& preferences);

  SettingsModel _model;
  SettingsState _shown;
  bool placed = false;
  std::vector<Binding> bindings;
  PendingSettings loaded;  // what the controls were last loaded with
  Dismissal _lastDismissal = Dismissal::none;
  Dismissal dismissing = Dismissal::none;  // set by Done and Cancel just before they close

  QLabel* title = nullptr;
  QLabel* version = nullptr;
  QWidget* status = nullptr;
  QLabel* statusHeader = nullptr;
  QLabel* statusLine = nullptr;
  QLabel* saveProblem = nullptr;
  QPushButton* toggle = nullptr;
  QPushButton* refresh = nullptr;
  // One widget per remedy shown so far, made when first needed; hidden while not offered.
  std::map<RemedyId, QWidget*> remedyWidgets;
  std::map<RemedyId, RemedyAction> remedyActions;  // what each remedy widget does now
  QLabel* layoutsLine = nullptr;
  QWidget* loginApproval = nullptr;  // the line and its button, shown together
  QLabel* loginApprovalLine = nullptr;
  QPushButton* openLoginItems = nullptr;
  QLabel* keyTesterHeader = nullptr;
  QLabel* keyTesterHint = nullptr;
  QPushButton* keyTesterButton = nullptr;
  QLabel* keyTesterReadout = nullptr;
  QLabel* keyTesterProblem = nullptr;
  QPushButton* keyTesterRemedy = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* done = nullptr;
  QPushButton* quit = nullptr;

  Subscription changes;
};

}  // namespace kestravane::ui
