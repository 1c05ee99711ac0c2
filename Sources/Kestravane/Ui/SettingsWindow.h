// The settings window, shown (or brought forward) by the menu's "Settings…": plain widgets built
// once and updated field by field from SettingsModel whenever the controller says something
// changed. The trigger, language and login controls hold the pending values: loaded each time
// the window is shown, saved to the controller only by Done. Each time the window is shown the
// model's appearing steps run; each time it goes away (Done, Cancel, Escape or the close button)
// its disappearing steps run.
// Threads: main thread only.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
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

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* buildHeader();
  QWidget* buildStatus();
  QWidget* buildTrigger();
  QWidget* buildPreferences();
  QWidget* buildKeyTester();
  QWidget* buildBottomBar();

  // Shows the model's state, changing only what differs from what is shown.
  void update();
  void showRemedies(const std::vector<SettingsRemedy>& remedies);
  // The pending values, into the controls and back.
  void load(const PendingSettings& pending);
  PendingSettings save() const;

  SettingsModel _model;
  SettingsState _shown;
  bool placed = false;

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

  Subscription changes;
};

}  // namespace kestravane::ui
