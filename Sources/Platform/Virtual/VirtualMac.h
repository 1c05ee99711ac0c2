// The whole virtual Mac: every modelled service, wired together and offered as the program's
// platform services, plus the control interface that tests and the demo panel drive (keys, mouse
// buttons, permissions, layouts, preferences, login item, sleep and wake, the clock, the main
// queue, the application's activation policy, and what the foreground application received and
// typed or the log says). Like macOS, it switches to and from ABC on each Caps Lock press while
// the global preference "TISRomanSwitchState" says so (absent counts as on), whatever the taps
// answer.
// Threads: the control objects state their own contracts; construct and destroy on one thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/HostApplication.h"
#include "Platform/Host/HostBundleInfo.h"
#include "Platform/Host/HostLog.h"
#include "Platform/Host/HostThreads.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/Host/PosixLocale.h"
#include "Platform/Services.h"
#include "Platform/Virtual/ForegroundText.h"
#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/Mouse.h"
#include "Platform/Virtual/PermissionState.h"
#include "Platform/Virtual/VirtualAccessibility.h"
#include "Platform/Virtual/VirtualEventTaps.h"
#include "Platform/Virtual/VirtualHIDSystem.h"
#include "Platform/Virtual/VirtualLoginItems.h"
#include "Platform/Virtual/VirtualPreferences.h"
#include "Platform/Virtual/VirtualRunLoops.h"
#include "Platform/Virtual/VirtualTextInputSources.h"
#include "Platform/Virtual/VirtualTriggerKeyActions.h"
#include "Platform/Virtual/VirtualWorkspace.h"
#include "Platform/Virtual/WindowServer.h"

namespace kestravane::platform::vmac {

struct VirtualMacOptions {
  // Manual time for tests (advanced by the test); the real monotonic clock for the application.
  bool manualClock = true;
  // Where the user defaults persist; in memory when absent.
  std::optional<std::filesystem::path> defaultsFile;
  bool logToStandardError = false;
  bool logToSystemLog = false;
  std::chrono::milliseconds tapTimeout = WindowServer::kDefaultTapTimeout;
};

class VirtualMac {
 public:
  explicit VirtualMac(VirtualMacOptions options = {});
  VirtualMac(const VirtualMac&) = delete;
  VirtualMac& operator=(const VirtualMac&) = delete;

  // The services as the program sees them.
  const std::shared_ptr<const Services>& services() const { return _services; }
  // Makes these services the installed ones (platform::install).
  void install() const;

  // Control interface.
  host::ManualClock& clock();  // only with a manual clock
  Keyboard& keyboard() { return *_keyboard; }
  Mouse& mouse() { return *_mouse; }
  VirtualEventTaps& eventTaps() { return *_eventTaps; }
  ForegroundText& foregroundText() { return *_foregroundText; }
  VirtualHIDSystem& hidSystem() { return *_hidSystem; }
  WindowServer& windowServer() { return *_windowServer; }
  PermissionState& permissions() { return *_permissions; }
  VirtualAccessibility& accessibility() { return *_accessibility; }
  host::DispatchQueues& dispatch() { return *_dispatch; }
  host::HostThreads& threads() { return *_threads; }
  VirtualTextInputSources& inputSources() { return *_inputSources; }
  VirtualPreferences& preferences() { return *_preferences; }
  VirtualLoginItems& loginItems() { return *_loginItems; }
  UserDefaults& userDefaults() { return *_userDefaults; }
  VirtualWorkspace& workspace() { return *_workspace; }
  host::HostBundleInfo& bundleInfo() { return *_bundleInfo; }
  host::HostLog& log() { return *_log; }
  host::PosixLocale& locale() { return *_locale; }
  host::HostApplication& application() { return *_application; }
  VirtualTriggerKeyActions& triggerKeyActions() { return *_triggerKeyActions; }

  // Grants Accessibility and Input Monitoring: a Mac where the user has allowed the program.
  void grantAllPermissions();
  // Presses a key and releases it `heldMillis` later on the manual clock: a Caps Lock press that
  // turns the lock on must outlast the keyboard's Caps Lock delay to count.
  void holdKey(std::uint16_t keyCode, std::uint64_t heldMillis);

 private:
  std::shared_ptr<host::ManualClock> manualClock;
  std::shared_ptr<Clock> _clock;
  std::shared_ptr<PermissionState> _permissions;
  std::shared_ptr<WindowServer> _windowServer;
  std::shared_ptr<Keyboard> _keyboard;
  std::shared_ptr<Mouse> _mouse;
  std::shared_ptr<ForegroundText> _foregroundText;
  std::shared_ptr<VirtualHIDSystem> _hidSystem;
  std::shared_ptr<host::HostThreads> _threads;
  std::shared_ptr<host::DispatchQueues> _dispatch;
  std::shared_ptr<VirtualEventTaps> _eventTaps;
  std::shared_ptr<VirtualRunLoops> runLoops;
  std::shared_ptr<VirtualAccessibility> _accessibility;
  std::shared_ptr<VirtualTextInputSources> _inputSources;
  std::shared_ptr<VirtualPreferences> _preferences;
  std::shared_ptr<VirtualLoginItems> _loginItems;
  std::shared_ptr<UserDefaults> _userDefaults;
  std::shared_ptr<VirtualWorkspace> _workspace;
  std::shared_ptr<host::HostBundleInfo> _bundleInfo;
  std::shared_ptr<host::HostLog> _log;
  std::shared_ptr<host::PosixLocale> _locale;
  std::shared_ptr<host::HostApplication> _application;
  std::shared_ptr<VirtualTriggerKeyActions> _triggerKeyActions;
  std::shared_ptr<const Services> _services;
};

}  // namespace kestravane::platform::vmac
