// The demo panel's switches for what System Settings and the machine decide on a Mac:
// Accessibility, Input Monitoring, secure input, each installed input source's enabled state,
// what the Globe key does ("AppleFnUsageType": absent or 0..3), whether Caps Lock switches to and
// from ABC ("TISRomanSwitchState": absent, 1 or 0), the login item's status, and sleep/wake. Every
// change goes through the virtual Mac's control interface; refresh() shows its state again.
// Threads: GUI thread only.
// Ownership: the virtual Mac must outlive the panel.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QVBoxLayout;

namespace kestravane::platform::vmac {
class VirtualMac;
}

namespace kestravane::platform::vmac::demo {

class SystemControlsPanel final : public QWidget {
  Q_OBJECT
 public:
  explicit SystemControlsPanel(VirtualMac& mac, QWidget* parent = nullptr);

  void refresh();
  void refreshPermissions();
  void refreshInputSources();
  void refreshGlobeKey();
  void refreshCapsLockSwitching();
  void refreshLoginItem();

  QCheckBox* accessibilitySwitch() const { return accessibility; }
  QCheckBox* inputMonitoringSwitch() const { return inputMonitoring; }
  QCheckBox* secureInputSwitch() const { return secureInput; }
  // The switch of an installed source; nullptr for an identifier not installed.
  QCheckBox* inputSourceSwitch(const std::string& identifier) const;
  QComboBox* globeKeyChoice() const { return globeKey; }
  QComboBox* capsLockSwitchingChoice() const { return capsLockSwitching; }
  QComboBox* loginItemChoice() const { return loginItem; }
  QPushButton* wakeButton() const { return wake; }

 private:
  void rebuildSourceSwitches(const std::vector<std::string>& identifiers);

  VirtualMac& mac;
  QCheckBox* accessibility;
  QCheckBox* inputMonitoring;
  QCheckBox* secureInput;
  QGroupBox* sourcesBox;
  QVBoxLayout* sourcesColumn;
  std::vector<std::pair<std::string, QCheckBox*>> sourceSwitches;
  QComboBox* globeKey;
  QComboBox* capsLockSwitching;
  QComboBox* loginItem;
  QCheckBox* approval;
  QPushButton* wake;
};

}  // namespace kestravane::platform::vmac::demo
