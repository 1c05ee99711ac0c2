// The settings window, shown (or brought forward) by the menu's "Settings…": plain widgets built
// once and updated field by field from SettingsModel whenever the controller says something
// changed. The trigger, language and login controls hold the pending values: loaded each time
// the window is shown, saved to the controller only by Done. Each time the window is shown the
// model's appearing steps run; each time it goes away (Done, Cancel, Escape or the close button)
// its disappearing steps run. Each setting's control is bound to its row of kSettings in one
// line; the window tells which way it last went away (Done, Cancel or Escape, the close button).
// Threads: main thread only.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
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
  QWidget* buildTrigger();
  QWidget* buildPreferences();
  QWidget* buildKeyTester();
  QWidget* buildBottomBar();

  void showRemedies(const std::vector<SettingsRemedy>& remedies);
  // Puts the pending values into the controls.
  void load(const PendingSettings& pending);
  // Closes the window, remembering why.
  void dismiss(Dismissal how);

  // A setting's control: showing a pending value, and reading it back into the record.
  struct Binding {
    std::function<void(const PendingSettings&)> load;
    std::function<void(PendingSettings&)> save;
  };
  template <class Value, class Choices>
  void bind(const Setting<Value>& setting, QButtonGroup& options, Choices choices);
  template <class Value, class Choices>
  void bind(const Setting<Value>& setting, QComboBox& popUp, Choices choices);
  void bind(const Setting<bool>& setting, QCheckBox& box);

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
  QLabel* triggerHeader = nullptr;
  QButtonGroup* triggerGroup = nullptr;
  QLabel* layoutsLine = nullptr;
  QLabel* languageHeader = nullptr;
  QComboBox* language = nullptr;
  QCheckBox* launchAtLogin = nullptr;
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
