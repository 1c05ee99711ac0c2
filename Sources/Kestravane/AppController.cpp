#include "Kestravane/AppController.h"

#include <charconv>
#include <exception>
#include <utility>

#include "Kestravane/HeadlessWindowHost.h"
#include "KestravaneKit/EngineInputsGatherer.h"
#include "KestravaneKit/LogLines.h"
#include "KestravaneKit/TextsForLanguage.h"

namespace kestravane {

std::shared_ptr<AppController> AppController::shared() {
  // Lives for the whole process: never destroyed, so nothing depends on the order of exit-time
  // destruction.
  static const auto* const instance =
      new std::shared_ptr<AppController>(create(platform::current()));
  return *instance;
}

std::shared_ptr<AppController> AppController::create(
    std::shared_ptr<const platform::Services> services) {
  auto controller = std::make_shared<AppController>(PassKey{}, std::move(services));
  controller->startUp();
  return controller;
}

AppController::AppController(PassKey, std::shared_ptr<const platform::Services> services)
    : ObservableObject(*services),
      _services(std::move(services)),
      mainQueue(_services->dispatch->mainQueue()),
      mainThread(*_services),
      _permissions(*_services),
      _launchAtLogin(*_services),
      _inputSources(*_services),
      store(*_services),
      host(std::make_shared<HeadlessWindowHost>()) {
  mainThread.check("AppController::AppController");
}

AppController::~AppController() {
  mainThread.check("AppController::~AppController");
  if (wakeTask) wakeTask->cancel();
  if (pollTask) pollTask->cancel();
  if (onboardingTick) onboardingTick->cancel();
  _services->inputSources->setSourcesChangedObserver({});
  switching.stop();
  if (keyTester) keyTester->stop();
}

void AppController::startUp() {
  // A run that ended without stopping its engine (a crash) left the keyboards' Caps Lock delay
  // lifted: put it back before anything else.
  CapsLockDelayLift::create(*_services)->putBack();
  _config.set(store.load());
  relistLayouts();
  rereadTriggerKeys();
  startEngine();
  observeWake();
  observeInputSources();
  startPolling();
  mainQueue->async([weakSelf = weak_from_this()] {
    if (auto self = weakSelf.lock()) self->presentOnboardingIfNeeded();
  });
}

EngineInputs AppController::engineInputs() const {
  // The layouts and the keys as last noticed (input-source notices, checks), so the health
  // agrees with what the windows show and changes only when the controller acts on a notice.
  const KnownInputs noticed{.layoutCount = static_cast<std::int64_t>(layouts().size()),
                            .keyFree = [this](KeyConflict conflict) { return keyFree(conflict); }};
  EngineInputs inputs = gatherEngineInputs(*_services, config().trigger, &noticed);
  inputs.userEnabled = _userEnabled;
  inputs.isRunning = isRunning();
  inputs.tapDisabled = switching.engine && engineHealth == EngineHealth::tapDisabled;
  return inputs;
}

bool AppController::keyFree(KeyConflict conflict) const {
  switch (conflict) {
    case KeyConflict::none:
      return true;
    case KeyConflict::globeKey:
      return globeFree();
    case KeyConflict::capsLockSwitching:
      return capsLockFree();
    case KeyConflict::metaLauncher:
      return metaFree();
  }
  return false;
}

void AppController::rereadPermissions() {
  _hasAccessibility.set(_permissions.hasAccessibility());
  _hasInputMonitoring.set(_permissions.hasInputMonitoring());
}

void AppController::rereadLoginItem() {
  _loginItemAwaitsApproval.set(_launchAtLogin.status() ==
                               platform::LoginItemStatus::requiresApproval);
}

void AppController::recomputeHealth() {
  // What the windows show of the permissions and the login item follows each recomputation, so
  // a permission granted or a login item allowed in System Settings shows within one check.
  rereadPermissions();
  rereadLoginItem();
  _health.set(EngineState::health(engineInputs()));
}

void AppController::rereadTriggerKeys() {
  _globeFree.set(isKeyFree(*_services, KeyConflict::globeKey));
  _capsLockFree.set(isKeyFree(*_services, KeyConflict::capsLockSwitching));
  _metaFree.set(isKeyFree(*_services, KeyConflict::metaLauncher));
}

void AppController::startEngine() {
  mainThread.check("AppController::startEngine");
  // The health is recomputed once, below, so observers never see the stopped state in between.
  dropEngine();
  relistLayouts();
  rereadTriggerKeys();
  if (EngineState::isBlocked(engineInputs())) {
    recomputeHealth();
    return;
  }

  const std::weak_ptr<AppController> weakSelf = weak_from_this();
  auto parts = SwitchingEngine::make(
      _services, _inputSources,
      {.trigger = config().trigger, .suppress = EventTapEngine::Suppress::tap},
      // The switch controller calls this on the main thread already.
      [weakSelf](const InputSourceSwitcher::Result& result) {
        if (auto self = weakSelf.lock()) self->_lastSwitch.set(lastSwitchText(result));
      },
      // Changes arrive in the order the engine made them; a stopped engine's last one (no tap)
      // lands before the first of the engine that replaces it.
      [weakSelf, queue = mainQueue](EngineHealth health) {
        queue->async([weakSelf, health] {
          if (auto self = weakSelf.lock()) {
            self->engineHealth = health;
            self->recomputeHealth();
          }
        });
      });
  switching = std::move(parts);

  try {
    switching.start();
    _isRunning.set(true);
  } catch (const std::exception& error) {
    _services->log->log(std::string(logline::kAppStartEngineFailed) + error.what());
    switching = {};
    _isRunning.set(false);
  }
  recomputeHealth();
}

void AppController::stopEngine() {
  mainThread.check("AppController::stopEngine");
  dropEngine();
  recomputeHealth();
}

void AppController::dropEngine() {
  // Also gives the trigger key its own action back, so a switched-off Plivex leaves it as it was.
  switching.stop();
  switching = {};
  engineHealth = EngineHealth::noInputMonitoring;
  _isRunning.set(false);
}

void AppController::refresh() {
  mainThread.check("AppController::refresh");
  relistLayouts();
  rereadTriggerKeys();
  recomputeHealth();
}

void AppController::reconcile() {
  mainThread.check("AppController::reconcile");
  refresh();
  startOrStop();
}

void AppController::startOrStop() {
  if (EngineState::shouldRun(engineInputs())) {
    if (!isRunning()) startEngine();
  } else if (isRunning()) {
    stopEngine();
  }
}

void AppController::observeWake() {
  wakeTask = _services->workspace->addDidWakeObserver([weakSelf = weak_from_this()] {
    // A full rebuild with a new tap; a stopped engine is left to the periodic check.
    if (auto self = weakSelf.lock(); self && self->isRunning()) self->startEngine();
  });
}

void AppController::startPolling() {
  // The first check comes one interval after start-up.
  pollTask = _services->dispatch->scheduleRepeatingOnMain(kPollIntervalSeconds,
                                                          [weakSelf = weak_from_this()] {
                                                            if (auto self = weakSelf.lock()) {
                                                              self->tick();
                                                            }
                                                          });
}

void AppController::observeInputSources() {
  // A layout enabled or disabled in System Settings (or selected by anyone) is followed at once,
  // whatever windows are open, rather than at the next check. The trigger keys are read again
  // too: a new X11 keymap may bring an option that makes the trigger switch layouts by itself.
  _services->inputSources->setSourcesChangedObserver([weakSelf = weak_from_this()] {
    if (auto self = weakSelf.lock()) {
      self->relistLayouts();
      self->rereadTriggerKeys();
      self->recomputeHealth();
      self->startOrStop();
    }
  });
}

void AppController::tick() {
  // The layouts are listed too: not every change comes with a notice (an X11 keymap loaded while
  // no tap runs sends none), and the check must follow it whatever windows are open. A listing at
  // rest is cheap: the X11 backend answers from what the server's notifications told it.
  relistLayouts();
  rereadTriggerKeys();
  recomputeHealth();
  startOrStop();
}

void AppController::apply(const PlivexConfig& chosen) {
  mainThread.check("AppController::apply");
  forEachSetting([&](const auto& row) {
    if (row.source != SettingSource::record) return;
    _config.modify([&](PlivexConfig& config) { config.*row.field = chosen.*row.field; });
  });
  save();
  // Compared with the system's state, not the stored flag, which may be stale. An item awaiting
  // approval is registered: registering it again would only ask the user again.
  if (chosen.launchAtLogin != launchesAtLogin()) setLaunchAtLogin(chosen.launchAtLogin);
  relistLayouts();
  if (_userEnabled) {
    startEngine();
  } else {
    stopEngine();
  }
}

void AppController::setLaunchAtLogin(bool on) {
  mainThread.check("AppController::setLaunchAtLogin");
  const bool storedBefore = config().launchAtLogin;
  const bool awaitingBefore = loginItemAwaitsApproval();
  if (_launchAtLogin.setEnabled(on)) {
    _config.modify([on](PlivexConfig& config) { config.launchAtLogin = on; });
    save();
  }
  rereadLoginItem();
  // A view showing the login toggle re-reads the real state, also after a refusal, when no
  // published value changed to tell it.
  if (config().launchAtLogin == storedBefore && loginItemAwaitsApproval() == awaitingBefore) {
    notifyChanged();
  }
}

void AppController::openLoginItemsSettings() {
  mainThread.check("AppController::openLoginItemsSettings");
  _services->loginItems->openSystemSettingsLoginItems();
}

void AppController::save() {
  // A failure stays shown until a later save succeeds.
  _saveProblem.set(store.save(config()));
}

void AppController::startKeyTest() {
  mainThread.check("AppController::startKeyTest");
  if (isTesting()) return;
  // Read now, so that the windows say why nothing starts when Input Monitoring is missing.
  rereadPermissions();
  if (!hasInputMonitoring()) return;
  // A hit already posted when this test stops must not land in the stopped test, nor in a later
  // one: the posted work carries the number of the test that saw it.
  const std::uint64_t generation = ++keyTestGeneration;
  auto tester = KeyTester::create(_services, [weakSelf = weak_from_this(), queue = mainQueue,
                                              generation](const KeyTester::Hit& hit) {
    queue->async([weakSelf, generation, hit] {
      const auto self = weakSelf.lock();
      if (self && self->isTesting() && self->keyTestGeneration == generation) {
        self->_lastTestedKey.set(lastTestedKeyText(hit));
      }
    });
  });
  if (!tester->start()) return;
  keyTester = std::move(tester);
  _isTesting.set(true);
  _lastTestedKey.set("");
}

void AppController::stopKeyTest() {
  mainThread.check("AppController::stopKeyTest");
  if (keyTester) keyTester->stop();
  keyTester.reset();
  _isTesting.set(false);
  _lastTestedKey.set("");
}

void AppController::toggleEnabled() {
  mainThread.check("AppController::toggleEnabled");
  _userEnabled = !_userEnabled;
  if (_userEnabled) {
    startEngine();
  } else {
    stopEngine();
  }
}

void AppController::open(const std::string& url) {
  mainThread.check("AppController::open");
  if (const auto parsed = _services->workspace->urlWithString(url)) {
    _services->workspace->openURL(*parsed);
  }
}

void AppController::perform(const RemedyAction& action) {
  mainThread.check("AppController::perform");
  switch (action.kind) {
    case RemedyAction::Kind::hint:
      return;
    case RemedyAction::Kind::openURL:
      open(std::string(action.url));
      return;
    case RemedyAction::Kind::promptAccessibility:
      _permissions.promptAccessibility();
      return;
    case RemedyAction::Kind::requestInputMonitoring:
      if (inputMonitoringRequested) {
        open(std::string(kInputMonitoringSettingsURL));
      } else {
        inputMonitoringRequested = true;
        _permissions.requestInputMonitoring();
      }
      rereadPermissions();
      return;
  }
}

bool AppController::canPerform(const RemedyAction& action) const {
  switch (action.kind) {
    case RemedyAction::Kind::hint:
      return true;
    case RemedyAction::Kind::openURL: {
      const auto parsed = _services->workspace->urlWithString(std::string(action.url));
      return parsed && _services->workspace->canOpenURL(*parsed);
    }
    case RemedyAction::Kind::promptAccessibility:
    case RemedyAction::Kind::requestInputMonitoring:
      return keyboard() == Keyboard::mac;
  }
  return false;
}

std::optional<Remedy> AppController::offeredHere(Remedy remedy) const {
  if (canPerform(remedy.action)) return remedy;
  if (!remedy.byHand) return std::nullopt;
  remedy.action = RemedyAction::none;
  remedy.text = *remedy.byHand;
  if (remedy.windowText) remedy.windowText = *remedy.byHand;
  return remedy;
}

void AppController::activate() {
  mainThread.check("AppController::activate");
  _services->application->activate();
}

void AppController::quit() {
  mainThread.check("AppController::quit");
  // What the engine changed outside the program (the trigger key's action, the Caps Lock delay)
  // is put back before the process goes.
  dropEngine();
  _services->application->terminate();
}

void AppController::log(std::string_view line) const {
  _services->log->log(line);
}

void AppController::settingsWindowAppears() {
  mainThread.check("AppController::settingsWindowAppears");
  _services->application->setActivationPolicy(platform::ActivationPolicy::regular);
  _services->application->activate();
  reconcile();
}

void AppController::settingsWindowDisappears() {
  mainThread.check("AppController::settingsWindowDisappears");
  stopKeyTest();
  _services->application->setActivationPolicy(platform::ActivationPolicy::accessory);
}

Strings AppController::texts() const {
  return textsFor(config().language, *_services->locale, keyboard(),
                  _services->waylandSession ? Wording::wayland : Wording::common);
}

void AppController::relistLayouts() {
  // One listing gives both: asking each name apart would list the sources again per layout.
  LayoutList list;
  for (auto& source : _inputSources.enabledSelectableSources()) {
    list.ids.push_back(std::move(source.id));
    list.names.push_back(std::move(source.name));
  }
  _layouts.set(std::move(list));
}

std::optional<std::string> AppController::version() const {
  const auto value =
      _services->bundleInfo->objectForInfoDictionaryKey("CFBundleShortVersionString");
  const auto* text = value ? std::get_if<std::string>(&*value) : nullptr;
  if (!text) return std::nullopt;
  return *text;
}

bool AppController::launchesAtLogin() const {
  return _launchAtLogin.isRegistered();
}

void AppController::setWindowHost(std::shared_ptr<OnboardingWindowHost> windowHost) {
  mainThread.check("AppController::setWindowHost");
  host = windowHost ? std::move(windowHost) : std::make_shared<HeadlessWindowHost>();
}

void AppController::presentOnboardingIfNeeded() {
  mainThread.check("AppController::presentOnboardingIfNeeded");
  refresh();
  if (onboardingWindow || onboardingOffered) return;
  if (!EngineState::isBlocked(engineInputs())) return;
  onboardingOffered = true;

  const std::weak_ptr<AppController> weakSelf = weak_from_this();
  OnboardingContent content{weakSelf, [weakSelf] {
                              if (auto self = weakSelf.lock()) self->closeOnboardingWindow();
                            }};
  auto delegate = std::make_shared<OnboardingWindowDelegate>([weakSelf] {
    if (auto self = weakSelf.lock()) self->forgetOnboardingWindow();
  });
  auto window = host->makeOnboardingWindow(WindowStyle::onboarding(), std::move(content), delegate);
  if (!window) return;
  onboardingWindowDelegate = std::move(delegate);
  onboardingWindow = window;
  // The window re-checks the preconditions it shows while it exists.
  onboardingTick = _services->dispatch->scheduleRepeatingOnMain(kOnboardingTickSeconds, [weakSelf] {
    if (auto self = weakSelf.lock()) self->reconcile();
  });
  _services->application->activate();
  window->makeKeyAndOrderFront();
}

void AppController::closeOnboardingWindow() {
  // Closing runs the delegate, which forgets the window: keep it alive through its close().
  if (const auto window = onboardingWindow) window->close();
}

void AppController::forgetOnboardingWindow() {
  onboardingWindow.reset();
  onboardingWindowDelegate.reset();
  if (onboardingTick) onboardingTick->cancel();
  onboardingTick.reset();
}

std::string AppController::lastSwitchText(const InputSourceSwitcher::Result& result) {
  return result.requested.value_or("?") + " ok=" + (result.ok() ? "true" : "false");
}

std::string AppController::lastTestedKeyText(const KeyTester::Hit& hit) {
  char hex[16] = {};
  const auto converted = std::to_chars(std::begin(hex), std::end(hex), hit.rawFlags, 16);
  std::string text = "keyCode " + std::to_string(hit.keyCode);
  if (hit.isFlagsChanged) text += Strings::modifierSuffix();
  text += hit.fnFlag ? "  fn=true" : "  fn=false";
  text += "  flags=0x";
  text.append(hex, converted.ptr);
  return text;
}

}  // namespace kestravane
