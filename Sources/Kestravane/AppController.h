// The one object that ties the program together: it loads the configuration, owns the engine with
// its switch controller and, during a key test, the key tester; publishes the state that the menu
// and the windows show; decides again and again whether the engine ought to run (on request,
// every 3 seconds, after a wake); and asks the interface for the onboarding window at start-up.
// Threads: main thread only, for creation, every operation and read, and destruction; each
//   aborts (after one log line) when called on another thread. The callbacks it hands out (the
//   switch controller's onSwitch, the engine's onHealthChange, the key tester's onHit) capture
//   only a weak reference and post their work to the main queue, so nothing reaches the
//   controller from another thread and nothing happens once it is gone.
// Ownership: always a std::shared_ptr (shared() or create()), so posted work can refer to it
//   weakly. It keeps the services it was made with for its whole life.
// The windows and the menu talk to it alone: it publishes what they show of the live system
// (permissions, the trigger keys' system settings, the layouts), refreshed by every check, and
// carries out what they ask (apply, open a pane, prompt for Accessibility, quit).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/MainThreadChecker.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/OnboardingWindowDelegate.h"
#include "Kestravane/OnboardingWindowHost.h"
#include "Kestravane/Published.h"
#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/PlivexConfig.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneCore/Strings.h"
#include "KestravaneKit/ConfigStore.h"
#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/KeyTester.h"
#include "KestravaneKit/LaunchAtLogin.h"
#include "KestravaneKit/MetaKeyManager.h"
#include "KestravaneKit/Permissions.h"
#include "KestravaneKit/SwitchController.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/Services.h"

namespace kestravane {

class AppController final : public ObservableObject,
                            public std::enable_shared_from_this<AppController> {
  struct PassKey {
    explicit PassKey() = default;
  };

 public:
  static constexpr double kPollIntervalSeconds = 3.0;
  static constexpr double kOnboardingTickSeconds = 1.5;
  static constexpr std::string_view kAccessibilitySettingsURL =
      RemedyAction::openAccessibilitySettings.url;
  static constexpr std::string_view kKeyboardSettingsURL = RemedyAction::openKeyboardSettings.url;
  static constexpr std::string_view kInputMonitoringSettingsURL =
      kestravane::kInputMonitoringSettingsURL;

  // The program's controller, created (with its start-up) on the installed services at first
  // access and never destroyed. Only the program's entry point calls it.
  static std::shared_ptr<AppController> shared();
  // A new controller on `services`, after its start-up: what shared() makes once. The
  // onboarding check is posted to the main queue and runs after the caller's current turn.
  static std::shared_ptr<AppController> create(std::shared_ptr<const platform::Services> services);

  AppController(PassKey, std::shared_ptr<const platform::Services> services);
  // Cancels the wake observer, the periodic check and the onboarding tick, stops the engine and
  // the key tester (their threads would keep them alive otherwise) and releases everything.
  ~AppController() override;

  // Published state; observers are told after each change.
  EngineHealth health() const { return _health.get(); }
  // Whether the system can switch layouts at all (a desktop may offer programs no way).
  bool canSwitchLayouts() const { return _services->inputSources->canSwitchLayouts(); }
  bool isRunning() const { return _isRunning.get(); }
  bool globeFree() const { return _globeFree.get(); }
  bool capsLockFree() const { return _capsLockFree.get(); }
  // Nothing but Plivex acts on a lone Meta tap (KDE Plasma's launcher is off).
  bool metaFree() const { return _metaFree.get(); }
  const std::string& lastSwitch() const { return _lastSwitch.get(); }
  const std::vector<std::string>& layouts() const { return _layouts.get().ids; }
  // The names of the layouts in the cycle, in order, as listed with them.
  const std::vector<std::string>& layoutNames() const { return _layouts.get().names; }
  const PlivexConfig& config() const { return _config.get(); }
  bool isTesting() const { return _isTesting.get(); }
  const std::string& lastTestedKey() const { return _lastTestedKey.get(); }
  // Why the latest change of the settings could not be stored; absent once one was stored.
  const std::optional<std::string>& saveProblem() const { return _saveProblem.get(); }
  // Whether this is a demo that runs instead of the desktop's own layouts, which cannot be
  // switched here (set once at start by the program that knows; the menu says so).
  bool isDemoInstead() const { return demoInstead; }
  void setDemoInstead(bool value) { demoInstead = value; }
  // The permissions, asked of the system now: the menu and the windows read them at each build.
  // Each check tells the observers when they changed.
  bool hasAccessibility() const { return _permissions.hasAccessibility(); }
  bool hasInputMonitoring() const { return _permissions.hasInputMonitoring(); }
  // Whether the login item is registered but waits for the user to allow it in System Settings
  // › General › Login Items, as the last check read it.
  bool loginItemAwaitsApproval() const { return _loginItemAwaitsApproval.get(); }
  // The system's keyboards: a Mac's, or a PC's on a Linux desktop.
  Keyboard keyboard() const { return _services->pcKeyboard ? Keyboard::pc : Keyboard::mac; }
  // Whether the system setting leaves its key to Plivex, as the last check read it.
  bool keyFree(KeyConflict conflict) const;

  // What the windows show besides the published state.
  // The texts in the configured language (the system's language read now, for "System").
  Strings texts() const;
  // The bundle's short version, absent when there is none or it is no text.
  std::optional<std::string> version() const;
  // Whether the login item is registered now, enabled or awaiting the user's approval (the
  // system's state, not the stored flag).
  bool launchesAtLogin() const;

  // The user's on/off switch; not persisted, so every launch starts enabled.
  bool userEnabled() const { return _userEnabled; }
  void setUserEnabled(bool enabled) {
    mainThread.check("AppController::setUserEnabled");
    _userEnabled = enabled;
  }

  // Stops any engine, re-lists layouts and re-reads the Globe and Caps Lock keys, then builds and
  // starts a new engine unless a precondition blocks it; a failed start is logged. Ignores
  // userEnabled.
  void startEngine();
  void stopEngine();
  // Re-lists the layouts, re-reads the Globe and Caps Lock keys and recomputes the health.
  void refresh();
  // refresh(), then starts or stops the engine as the inputs say it ought to be.
  void reconcile();
  // The settings window's Done: stores the record's settings one by one in the rows' order
  // (observers are told after each), changes the login item when it differs from the system's
  // state (an item awaiting approval counts as registered), and rebuilds (or stops) the engine.
  void apply(const PlivexConfig& chosen);
  // Registers or unregisters the login item; records the choice only when the system agreed;
  // tells the observers in every case.
  void setLaunchAtLogin(bool on);
  // Shows System Settings › General › Login Items, where a waiting login item is allowed.
  void openLoginItemsSettings();
  // Starts the key tester; without Input Monitoring (re-read first) it starts nothing, and the
  // published permission tells the windows why.
  void startKeyTest();
  void stopKeyTest();
  // The on/off item of the menu and the settings window.
  void toggleEnabled();
  // Asks for the onboarding window when something blocks the engine; only once per run.
  void presentOnboardingIfNeeded();
  // Opens a System Settings pane (or any URL); an unparsable string does nothing.
  void open(const std::string& url);
  // What a remedy of the menu, the settings window or the onboarding does.
  void perform(const RemedyAction& action);
  // Whether `action` can be carried out on this system: a desktop without a known settings
  // program opens no settings, and an X server has no permission to prompt for.
  bool canPerform(const RemedyAction& action) const;
  // The remedy as offered here: one whose action cannot be carried out becomes the hint of what
  // to do by hand, or is not offered (absent) when there is nothing to do by hand.
  std::optional<Remedy> offeredHere(Remedy remedy) const;
  // Brings the application in front of the others (before a window is shown).
  void activate();
  void quit();
  // One line in the system log.
  void log(std::string_view line) const;
  // The settings window is shown: the application becomes a regular one and comes forward,
  // and the state is brought up to date. When it goes away: the key test ends and the
  // application returns to the menu bar alone.
  void settingsWindowAppears();
  void settingsWindowDisappears();

  // Where onboarding windows are made; a HeadlessWindowHost until the interface sets its own
  // (before the onboarding check posted at start-up runs).
  void setWindowHost(std::shared_ptr<OnboardingWindowHost> host);
  const std::shared_ptr<OnboardingWindowHost>& windowHost() const { return host; }
  bool hasOnboardingWindow() const { return onboardingWindow != nullptr; }
  // Whether the controller holds an engine object; after every operation it equals isRunning().
  bool hasEngine() const { return switching.engine != nullptr; }

  // The services and the live system reads, for the console and the tests (never the views).
  const std::shared_ptr<const platform::Services>& services() const { return _services; }
  const Permissions& permissions() const { return _permissions; }
  const LaunchAtLogin& launchAtLogin() const { return _launchAtLogin; }
  const InputSourceSwitcher& inputSources() const { return _inputSources; }

  // The fixed-format texts of lastSwitch and lastTestedKey.
  static std::string lastSwitchText(const InputSourceSwitcher::Result& result);
  static std::string lastTestedKeyText(const KeyTester::Hit& hit);

 private:
  // Lists the enabled layouts and their names anew.
  void relistLayouts();
  void startUp();
  // Stops and releases the engine without recomputing the health.
  void dropEngine();
  EngineInputs engineInputs() const;
  void recomputeHealth();
  void rereadTriggerKeys();
  void rereadPermissions();
  void rereadLoginItem();
  void save();
  // Steps 2 and 3 of reconcile(): start or stop as the inputs say.
  void startOrStop();
  void observeWake();
  void observeInputSources();
  void startPolling();
  void tick();
  void closeOnboardingWindow();
  void forgetOnboardingWindow();

  const std::shared_ptr<const platform::Services> _services;
  const std::shared_ptr<platform::DispatchQueue> mainQueue;
  const MainThreadChecker mainThread;
  const Permissions _permissions;
  const LaunchAtLogin _launchAtLogin;
  const InputSourceSwitcher _inputSources;
  const ConfigStore store;

  Published<EngineHealth> _health{*this, EngineHealth::disabled};
  Published<bool> _isRunning{*this, false};
  Published<bool> _globeFree{*this, true};
  Published<bool> _capsLockFree{*this, true};
  Published<bool> _metaFree{*this, true};
  Published<std::string> _lastSwitch{*this, "—"};
  // The layouts in the cycle and their names, listed together so that observers see both new.
  struct LayoutList {
    std::vector<std::string> ids;
    std::vector<std::string> names;
    bool operator==(const LayoutList&) const = default;
  };
  Published<LayoutList> _layouts{*this, {}};
  Published<PlivexConfig> _config{*this, PlivexConfig::defaults()};
  Published<bool> _isTesting{*this, false};
  Published<std::string> _lastTestedKey{*this, ""};
  Published<std::optional<std::string>> _saveProblem{*this, std::nullopt};
  bool demoInstead = false;
  Published<bool> _hasAccessibility{*this, false};
  Published<bool> _hasInputMonitoring{*this, false};
  Published<bool> _loginItemAwaitsApproval{*this, false};
  // Input Monitoring was asked for in this run; the system asks the user only once.
  bool inputMonitoringRequested = false;

  bool _userEnabled = true;
  // The engine with its switch controller, while it runs, and the health it last reported.
  SwitchingEngine switching;
  EngineHealth engineHealth = EngineHealth::noInputMonitoring;
  std::shared_ptr<KeyTester> keyTester;
  // Counts the key tests started; a hit is shown only while the test that saw it still runs.
  std::uint64_t keyTestGeneration = 0;
  std::shared_ptr<platform::Cancellable> wakeTask;
  std::shared_ptr<platform::Cancellable> pollTask;
  std::shared_ptr<OnboardingWindow> onboardingWindow;
  std::shared_ptr<OnboardingWindowDelegate> onboardingWindowDelegate;
  std::shared_ptr<platform::Cancellable> onboardingTick;  // exists exactly while the window does
  bool onboardingOffered = false;
  std::shared_ptr<OnboardingWindowHost> host;
};

}  // namespace kestravane
