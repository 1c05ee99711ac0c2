// The settings window's view-model: everything the window shows, as one typed state computed
// from the controller, and what its controls do. The status and key-tester controls act on the
// controller at once; the trigger, the language and the login flag are pending values that the
// window's controls hold, loaded from appear() each time the window is shown and handed over
// only by done(). The texts follow the applied language, not the pending one.
// Threads: main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Kestravane/AppController.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneCore/Presentation.h"

namespace kestravane {

// A remedy as the status section shows it: a small button, or a caption for a hint.
struct SettingsRemedy {
  RemedyId id;
  std::string_view name;
  RemedyAction action;  // none: a hint
  std::string text;

  bool operator==(const SettingsRemedy&) const = default;
};

// A setting as its control shows it: its name, and the names of its options (a choice only).
struct SettingLook {
  std::string label;
  std::vector<std::string> options;

  bool operator==(const SettingLook&) const = default;
};

struct SettingsState {
  std::string title;    // the window's and the header's
  std::string version;  // "v" and the bundle's short version, or "v—"
  std::string statusHeader;
  std::string statusLine;
  std::optional<std::string> saveProblem;  // the line saying the settings were not stored
  std::string toggleLabel;
  std::string refreshLabel;
  std::vector<SettingsRemedy> remedies;
  std::vector<SettingLook> settings;  // one per row of kSettings, in order
  std::string layoutsLine;
  // Only while the login item waits for the user's approval: the line saying so and the label
  // of the button that opens System Settings › General › Login Items.
  std::optional<std::string> loginApprovalLine;
  std::optional<std::string> openLoginItemsLabel;
  std::string keyTesterHeader;
  std::string keyTesterHint;
  std::string keyTesterButton;
  bool keyTesterButtonEnabled = true;           // false while the tester cannot start
  std::optional<std::string> keyTesterReadout;  // only while a key test runs
  // Only while Input Monitoring is missing: why the tester cannot start, and the label of the
  // button that asks for it (none on a Linux desktop, where no request can grant it).
  std::optional<std::string> keyTesterProblem;
  std::optional<std::string> keyTesterRemedyLabel;
  std::string cancelLabel;
  std::string doneLabel;
  // Where the desktop shows no tray icon, the window is the only way to end the program.
  std::string quitLabel;

  bool operator==(const SettingsState&) const = default;
};

// The values the window edits and hands to the controller on Done: the whole record.
using PendingSettings = PlivexConfig;

class SettingsModel {
 public:
  static constexpr int kWidth = 460;
  static constexpr int kPopUpWidth = 160;

  explicit SettingsModel(std::shared_ptr<AppController> controller);

  SettingsState state() const;
  // What a setting's control chooses from, in the order of its options, each named in the
  // applied language; none for a flag or a number.
  template <class Value>
  std::vector<std::pair<Value, std::string>> options(const Setting<Value>&) const {
    return optionsOf(std::type_identity<Value>());
  }

  // The window is shown: the application becomes regular and comes forward, the controller
  // reconciles, and the pending values to show are returned (the login flag is the system's
  // registration, not the stored one).
  PendingSettings appear();
  // The window went away, by any path: the key test ends and the application returns to the
  // menu bar. Does nothing unless the window appeared since it last went away.
  void disappear();

  void toggleEnabled() const;
  void refreshStatus() const;
  // Ends the program, putting back what the engine changed (as the menu's Quit).
  void quit() const;
  void perform(RemedyAction action) const;
  // Starts or stops the key test, as the controller's state is now.
  void toggleKeyTest() const;
  // Asks for Input Monitoring, or shows its privacy pane once the system has asked the user.
  void requestInputMonitoring() const;
  // Shows System Settings › General › Login Items.
  void openLoginItems() const;
  // Done: the pending values reach the controller.
  void done(const PendingSettings& pending) const;

 private:
  template <class Value>
  std::vector<std::pair<Value, std::string>> optionsOf(std::type_identity<Value>) const {
    return {};
  }
  std::vector<std::pair<TriggerKind, std::string>> optionsOf(std::type_identity<TriggerKind>) const;
  std::vector<std::pair<AppLanguage, std::string>> optionsOf(std::type_identity<AppLanguage>) const;

  const std::shared_ptr<AppController> controller;
  bool shown = false;
};

}  // namespace kestravane
