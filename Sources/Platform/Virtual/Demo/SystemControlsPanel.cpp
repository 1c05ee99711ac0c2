#include "Platform/Virtual/Demo/SystemControlsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform::vmac::demo {
namespace {

// The Globe key choices in System Settings' order; data -1 stands for "never chosen".
constexpr int kAbsent = -1;
const std::vector<std::pair<int, const char*>> kGlobeChoices = {
    {kAbsent, "Never chosen (absent)"}, {0, "Do Nothing (0)"},      {1, "Change Input Source (1)"},
    {2, "Show Emoji & Symbols (2)"},    {3, "Start Dictation (3)"},
};

// "Use the Caps Lock key to switch to and from ABC"; never chosen counts as on, as on a new Mac.
const std::vector<std::pair<int, const char*>> kCapsLockChoices = {
    {kAbsent, "Never chosen (absent: on)"},
    {1, "On (1)"},
    {0, "Off (0)"},
};

// The stored value shown as a choice of `box`: absent, or an integer it offers; otherwise none.
int choiceIndex(const QComboBox& box, const std::optional<PropertyValue>& stored) {
  if (!stored) return box.findData(kAbsent);
  const auto* number = std::get_if<std::int64_t>(&*stored);
  if (number == nullptr || *number < 0 || *number > 3) return -1;
  return box.findData(static_cast<int>(*number));
}

const std::vector<std::pair<LoginItemStatus, const char*>> kLoginStatuses = {
    {LoginItemStatus::notRegistered, "Not registered"},
    {LoginItemStatus::enabled, "Enabled"},
    {LoginItemStatus::requiresApproval, "Requires approval"},
    {LoginItemStatus::notFound, "Not found"},
};

QCheckBox* makeSwitch(const QString& text, const char* objectName, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(objectName);
  return box;
}

}  // namespace

SystemControlsPanel::SystemControlsPanel(VirtualMac& mac, QWidget* parent)
    : QWidget(parent),
      mac(mac),
      accessibility(makeSwitch("Accessibility", "accessibilitySwitch", this)),
      inputMonitoring(makeSwitch("Input Monitoring", "inputMonitoringSwitch", this)),
      secureInput(
          makeSwitch("Secure input on (a password field has focus)", "secureInputSwitch", this)),
      sourcesBox(new QGroupBox("Input sources (enabled)", this)),
      sourcesColumn(new QVBoxLayout(sourcesBox)),
      globeKey(new QComboBox(this)),
      capsLockSwitching(new QComboBox(this)),
      loginItem(new QComboBox(this)),
      approval(makeSwitch("New login items need approval", "approvalSwitch", this)),
      wake(new QPushButton("Sleep and wake", this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);

  auto* privacy = new QGroupBox("Privacy && Security", this);
  auto* privacyColumn = new QVBoxLayout(privacy);
  privacyColumn->addWidget(accessibility);
  privacyColumn->addWidget(inputMonitoring);
  privacyColumn->addWidget(secureInput);
  column->addWidget(privacy);

  sourcesColumn->setSpacing(2);
  column->addWidget(sourcesBox);

  auto* system = new QGroupBox("Keyboard, login items, power", this);
  auto* form = new QFormLayout(system);
  globeKey->setObjectName("globeKeyChoice");
  globeKey->setAccessibleName("Press 🌐 key to");
  for (const auto& [value, text] : kGlobeChoices) globeKey->addItem(text, value);
  form->addRow("Press 🌐 key to:", globeKey);
  capsLockSwitching->setObjectName("capsLockSwitchingChoice");
  capsLockSwitching->setAccessibleName("Use the Caps Lock key to switch to and from ABC");
  for (const auto& [value, text] : kCapsLockChoices) capsLockSwitching->addItem(text, value);
  form->addRow("Caps Lock switches to/from ABC:", capsLockSwitching);
  loginItem->setObjectName("loginItemChoice");
  loginItem->setAccessibleName("Login item status");
  for (const auto& [status, text] : kLoginStatuses) {
    loginItem->addItem(text, static_cast<int>(status));
  }
  form->addRow("Plivex login item:", loginItem);
  form->addRow(QString(), approval);
  wake->setObjectName("wakeButton");
  wake->setToolTip("The machine sleeps and wakes: the wake notification is posted");
  form->addRow("Power:", wake);
  column->addWidget(system);

  connect(accessibility, &QCheckBox::toggled, this,
          [this](bool on) { this->mac.permissions().setAccessibilityTrusted(on); });
  connect(inputMonitoring, &QCheckBox::toggled, this,
          [this](bool on) { this->mac.permissions().setInputMonitoring(on); });
  connect(secureInput, &QCheckBox::toggled, this,
          [this](bool on) { this->mac.permissions().setSecureInput(on); });
  connect(globeKey, &QComboBox::currentIndexChanged, this, [this](int index) {
    const int value = globeKey->itemData(index).toInt();
    this->mac.preferences().setFnUsageType(value == kAbsent ? std::nullopt
                                                            : std::optional<std::int64_t>(value));
  });
  connect(capsLockSwitching, &QComboBox::currentIndexChanged, this, [this](int index) {
    const int value = capsLockSwitching->itemData(index).toInt();
    this->mac.preferences().setRomanSwitchState(
        value == kAbsent ? std::nullopt : std::optional<std::int64_t>(value));
  });
  connect(loginItem, &QComboBox::currentIndexChanged, this, [this](int index) {
    this->mac.loginItems().setStatus(
        static_cast<LoginItemStatus>(loginItem->itemData(index).toInt()));
  });
  connect(approval, &QCheckBox::toggled, this,
          [this](bool on) { this->mac.loginItems().setRequiresApproval(on); });
  connect(wake, &QPushButton::clicked, this, [this] { this->mac.workspace().postWake(); });
  refresh();
}

void SystemControlsPanel::refresh() {
  refreshPermissions();
  refreshInputSources();
  refreshGlobeKey();
  refreshCapsLockSwitching();
  refreshLoginItem();
}

void SystemControlsPanel::refreshPermissions() {
  const QSignalBlocker a(accessibility), i(inputMonitoring), s(secureInput);
  accessibility->setChecked(mac.permissions().accessibilityTrusted());
  inputMonitoring->setChecked(mac.permissions().inputMonitoring());
  secureInput->setChecked(mac.permissions().secureInput());
}

void SystemControlsPanel::refreshInputSources() {
  const auto sources = mac.inputSources().sources();
  std::vector<std::string> identifiers;
  for (const auto& source : sources) identifiers.push_back(source.identifier.value_or(""));
  rebuildSourceSwitches(identifiers);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    QCheckBox* box = sourceSwitches[i].second;
    const QSignalBlocker blocker(box);
    box->setChecked(sources[i].enabled);
    box->setText(QString::fromStdString(sources[i].localizedName.value_or(identifiers[i])));
  }
}

void SystemControlsPanel::rebuildSourceSwitches(const std::vector<std::string>& identifiers) {
  bool same = identifiers.size() == sourceSwitches.size();
  for (std::size_t i = 0; same && i < identifiers.size(); ++i) {
    same = sourceSwitches[i].first == identifiers[i];
  }
  if (same) return;
  for (auto& [identifier, box] : sourceSwitches) delete box;
  sourceSwitches.clear();
  for (const auto& identifier : identifiers) {
    auto* box = new QCheckBox(sourcesBox);
    box->setObjectName(QString::fromStdString("source:" + identifier));
    box->setToolTip(QString::fromStdString(identifier));
    box->setFocusPolicy(Qt::NoFocus);
    box->setEnabled(!identifier.empty());
    connect(box, &QCheckBox::toggled, this,
            [this, identifier](bool on) { mac.inputSources().setEnabled(identifier, on); });
    sourcesColumn->addWidget(box);
    sourceSwitches.emplace_back(identifier, box);
  }
}

QCheckBox* SystemControlsPanel::inputSourceSwitch(const std::string& identifier) const {
  for (const auto& [id, box] : sourceSwitches) {
    if (id == identifier) return box;
  }
  return nullptr;
}

void SystemControlsPanel::refreshGlobeKey() {
  // A value System Settings never writes shows as no choice.
  const int index =
      choiceIndex(*globeKey, mac.preferences().storedValue(kHIToolboxDomain, kFnUsageTypeKey));
  const QSignalBlocker blocker(globeKey);
  globeKey->setCurrentIndex(index);
}

void SystemControlsPanel::refreshCapsLockSwitching() {
  const int index = choiceIndex(*capsLockSwitching,
                                mac.preferences().storedValue(kGlobalDomain, kRomanSwitchStateKey));
  const QSignalBlocker blocker(capsLockSwitching);
  capsLockSwitching->setCurrentIndex(index);
}

void SystemControlsPanel::refreshLoginItem() {
  const QSignalBlocker blocker(loginItem);
  loginItem->setCurrentIndex(
      loginItem->findData(static_cast<int>(mac.loginItems().currentStatus())));
}

}  // namespace kestravane::platform::vmac::demo
