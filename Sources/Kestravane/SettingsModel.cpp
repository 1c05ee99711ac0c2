#include "Kestravane/SettingsModel.h"

#include <utility>

namespace kestravane {

namespace {

constexpr std::string_view kEmDash = "—";

std::string joinedLayouts(const std::vector<std::string>& names) {
  std::string joined;
  for (const auto& name : names) {
    if (!joined.empty()) joined += " ⇄ ";
    joined += name;
  }
  return joined.empty() ? std::string(kEmDash) : joined;
}

}  // namespace

SettingsModel::SettingsModel(std::shared_ptr<AppController> controller)
    : controller(std::move(controller)) {}

SettingsState SettingsModel::state() const {
  const Strings s = controller->texts();
  SettingsState state;
  state.title = s[TextId::settingsTitle];
  state.version = "v" + controller->version().value_or(std::string(kEmDash));
  state.statusHeader = s[TextId::status];
  state.statusLine = Presentation::statusLine(controller->health(), s);
  if (const auto& problem = controller->saveProblem()) {
    state.saveProblem = s.settingsNotSaved(*problem);
  }
  state.toggleLabel = controller->isRunning() ? s[TextId::disable] : s[TextId::enable];
  state.refreshLabel = s[TextId::refreshStatus];
  for (auto& offered :
       Presentation::remedies(controller->health(), controller->hasAccessibility(), s)) {
    const auto remedy = controller->offeredHere(std::move(offered));
    if (remedy && remedy->windowText)
      state.remedies.push_back({remedy->id, remedy->name, remedy->action, *remedy->windowText});
  }
  forEachSetting([&](const auto& row) {
    SettingLook look{std::string(s[row.label]), {}};
    for (auto& [value, name] : options(row)) look.options.push_back(std::move(name));
    state.settings.push_back(std::move(look));
  });
  state.layoutsLine = s.layoutsLabel(joinedLayouts(controller->layoutNames()));
  if (controller->loginItemAwaitsApproval()) {
    state.loginApprovalLine = s[TextId::loginAwaitsApproval];
    state.openLoginItemsLabel = s[TextId::openLoginItems];
  }
  state.keyTesterHeader = s[TextId::keyTester];
  state.keyTesterHint = s[TextId::keyTesterHint];
  state.keyTesterButton =
      controller->isTesting() ? s[TextId::keyTesterStop] : s[TextId::keyTesterStart];
  if (controller->isTesting()) {
    const auto& key = controller->lastTestedKey();
    state.keyTesterReadout = key.empty() ? std::string(s[TextId::keyTesterWaiting]) : key;
  } else if (!controller->hasInputMonitoring()) {
    state.keyTesterButtonEnabled = false;
    state.keyTesterProblem = s[TextId::keyTesterNeedsInputMonitoring];
    if (controller->keyboard() == Keyboard::mac) {
      state.keyTesterRemedyLabel = s[TextId::allowInputMonitoring];
    }
  }
  state.cancelLabel = s[TextId::cancel];
  state.doneLabel = s[TextId::done];
  state.quitLabel = s[TextId::quit];
  return state;
}

std::vector<std::pair<TriggerKind, std::string>> SettingsModel::optionsOf(
    std::type_identity<TriggerKind>) const {
  const Strings s = controller->texts();
  std::vector<std::pair<TriggerKind, std::string>> all;
  for (const auto kind : allTriggerKinds) all.emplace_back(kind, s.triggerNames(kind).picker);
  return all;
}

std::vector<std::pair<AppLanguage, std::string>> SettingsModel::optionsOf(
    std::type_identity<AppLanguage>) const {
  std::vector<std::pair<AppLanguage, std::string>> all;
  for (const auto& [language, name] : controller->texts().languageOptions()) {
    all.emplace_back(language, name);
  }
  return all;
}

PendingSettings SettingsModel::appear() {
  shown = true;
  controller->settingsWindowAppears();
  PendingSettings pending = controller->config();
  pending.launchAtLogin = controller->launchesAtLogin();
  return pending;
}

void SettingsModel::disappear() {
  if (!shown) return;
  shown = false;
  controller->settingsWindowDisappears();
}

void SettingsModel::toggleEnabled() const {
  controller->toggleEnabled();
}

void SettingsModel::refreshStatus() const {
  controller->reconcile();
}

void SettingsModel::quit() const {
  controller->quit();
}

void SettingsModel::perform(RemedyAction action) const {
  controller->perform(action);
}

void SettingsModel::toggleKeyTest() const {
  // Read again: the button's label may be older than the state.
  if (controller->isTesting()) {
    controller->stopKeyTest();
  } else {
    controller->startKeyTest();
  }
}

void SettingsModel::requestInputMonitoring() const {
  controller->perform(RemedyAction::requestInputMonitoring);
}

void SettingsModel::openLoginItems() const {
  controller->openLoginItemsSettings();
}

void SettingsModel::done(const PendingSettings& pending) const {
  controller->apply(pending);
}

}  // namespace kestravane
