#include "Platform/Virtual/VirtualMac.h"

#include <stdexcept>

#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Virtual/EventTimeClock.h"

namespace kestravane::platform::vmac {

VirtualMac::VirtualMac(VirtualMacOptions options) {
  if (options.manualClock) {
    manualClock = std::make_shared<host::ManualClock>();
    _clock = manualClock;
  } else {
    _clock = std::make_shared<host::SystemUptimeClock>();
  }
  _permissions = std::make_shared<PermissionState>();
  _windowServer = std::make_shared<WindowServer>(_permissions);
  _windowServer->setTapTimeout(options.tapTimeout);
  _keyboard = std::make_shared<Keyboard>(_windowServer);
  _mouse = std::make_shared<Mouse>(_windowServer, _keyboard);
  _hidSystem = std::make_shared<VirtualHIDSystem>(_keyboard);
  _threads = std::make_shared<host::HostThreads>();
  _dispatch = std::make_shared<host::DispatchQueues>(_clock, _threads);
  _eventTaps = std::make_shared<VirtualEventTaps>(_windowServer);
  runLoops = std::make_shared<VirtualRunLoops>();
  _accessibility = std::make_shared<VirtualAccessibility>(_permissions);
  _inputSources = std::make_shared<VirtualTextInputSources>();
  _inputSources->setNotificationQueue(_dispatch->mainQueue());
  _hidSystem->setNotificationQueue(_dispatch->mainQueue());
  _keyboard->setClock(_clock);
  _preferences = std::make_shared<VirtualPreferences>();
  _loginItems = std::make_shared<VirtualLoginItems>();
  _log = std::make_shared<host::HostLog>(
      host::HostLog::Sinks{options.logToStandardError, options.logToSystemLog});
  if (options.defaultsFile) {
    // Says in the log what it found in the file, and when a save fails.
    _userDefaults = std::make_shared<host::FileUserDefaults>(*options.defaultsFile, _log);
  } else {
    _userDefaults = std::make_shared<host::MemoryUserDefaults>();
  }
  _workspace = std::make_shared<VirtualWorkspace>(_dispatch->mainQueue());
  _bundleInfo = std::make_shared<host::HostBundleInfo>();
  _locale = std::make_shared<host::PosixLocale>();
  _application = std::make_shared<host::HostApplication>();
  _foregroundText = std::make_shared<ForegroundText>(_inputSources);
  _windowServer->setForegroundText(_foregroundText);
  // The system's own Caps Lock handling, below the taps.
  _keyboard->setCapsLockPressObserver([preferences = _preferences, sources = _inputSources] {
    if (preferences->romanSwitchOn()) sources->switchToOrFromABC();
  });
  _triggerKeyActions = std::make_shared<VirtualTriggerKeyActions>();

  auto services = std::make_shared<Services>();
  services->eventTaps = _eventTaps;
  services->runLoops = runLoops;
  services->clock = std::make_shared<EventTimeClock>(_clock);
  services->threads = _threads;
  services->dispatch = _dispatch;
  services->inputSources = _inputSources;
  services->accessibility = _accessibility;
  services->preferences = _preferences;
  services->loginItems = _loginItems;
  services->userDefaults = _userDefaults;
  services->workspace = _workspace;
  services->bundleInfo = _bundleInfo;
  services->log = _log;
  services->locale = _locale;
  services->application = _application;
  services->hidSystem = _hidSystem;
  services->triggerKeyActions = _triggerKeyActions;
  _services = std::move(services);
}

void VirtualMac::install() const {
  platform::install(_services);
}

host::ManualClock& VirtualMac::clock() {
  if (!manualClock) throw std::logic_error("this virtual Mac runs on the real clock");
  return *manualClock;
}

void VirtualMac::grantAllPermissions() {
  _permissions->setAccessibilityTrusted(true);
  _permissions->setInputMonitoring(true);
}

void VirtualMac::holdKey(std::uint16_t keyCode, std::uint64_t heldMillis) {
  _keyboard->press(keyCode);
  clock().advanceMillis(heldMillis);
  _keyboard->release(keyCode);
}

}  // namespace kestravane::platform::vmac
