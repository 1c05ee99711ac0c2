// The whole virtual Mac: every modelled service, wired together and offered as the program's
// platform services, plus the control interface that tests and the demo panel drive (keys,
// permissions, layouts, preferences, login item, sleep and wake, the clock, the main queue, the
// application's activation policy, and what the foreground application received or the log says).
// Threads: the control objects state their own contracts; construct and destroy on one thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "Platform/Services.h"
#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/ManualClock.h"
#include "Platform/Virtual/PermissionState.h"
#include "Platform/Virtual/VirtualAccessibility.h"
#include "Platform/Virtual/VirtualApplication.h"
#include "Platform/Virtual/VirtualBundleInfo.h"
#include "Platform/Virtual/VirtualDispatch.h"
#include "Platform/Virtual/VirtualEventTaps.h"
#include "Platform/Virtual/VirtualLocale.h"
#include "Platform/Virtual/VirtualLog.h"
#include "Platform/Virtual/VirtualLoginItems.h"
#include "Platform/Virtual/VirtualPreferences.h"
#include "Platform/Virtual/VirtualRunLoops.h"
#include "Platform/Virtual/VirtualTextInputSources.h"
#include "Platform/Virtual/VirtualThreads.h"
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
  const std::shared_ptr<const Services>& services() const { return services_; }
  // Makes these services the installed ones (platform::install).
  void install() const;

  // Control interface.
  ManualClock& clock();  // only with a manual clock
  Keyboard& keyboard() { return *keyboard_; }
  WindowServer& windowServer() { return *windowServer_; }
  PermissionState& permissions() { return *permissions_; }
  VirtualAccessibility& accessibility() { return *accessibility_; }
  VirtualDispatch& dispatch() { return *dispatch_; }
  VirtualThreads& threads() { return *threads_; }
  VirtualTextInputSources& inputSources() { return *inputSources_; }
  VirtualPreferences& preferences() { return *preferences_; }
  VirtualLoginItems& loginItems() { return *loginItems_; }
  UserDefaults& userDefaults() { return *userDefaults_; }
  VirtualWorkspace& workspace() { return *workspace_; }
  VirtualBundleInfo& bundleInfo() { return *bundleInfo_; }
  VirtualLog& log() { return *log_; }
  VirtualLocale& locale() { return *locale_; }
  VirtualApplication& application() { return *application_; }

  // Grants Accessibility and Input Monitoring: a Mac where the user has allowed the program.
  void grantAllPermissions();

 private:
  std::shared_ptr<ManualClock> manualClock_;
  std::shared_ptr<Clock> clock_;
  std::shared_ptr<PermissionState> permissions_;
  std::shared_ptr<WindowServer> windowServer_;
  std::shared_ptr<Keyboard> keyboard_;
  std::shared_ptr<VirtualThreads> threads_;
  std::shared_ptr<VirtualDispatch> dispatch_;
  std::shared_ptr<VirtualEventTaps> eventTaps_;
  std::shared_ptr<VirtualRunLoops> runLoops_;
  std::shared_ptr<VirtualAccessibility> accessibility_;
  std::shared_ptr<VirtualTextInputSources> inputSources_;
  std::shared_ptr<VirtualPreferences> preferences_;
  std::shared_ptr<VirtualLoginItems> loginItems_;
  std::shared_ptr<UserDefaults> userDefaults_;
  std::shared_ptr<VirtualWorkspace> workspace_;
  std::shared_ptr<VirtualBundleInfo> bundleInfo_;
  std::shared_ptr<VirtualLog> log_;
  std::shared_ptr<VirtualLocale> locale_;
  std::shared_ptr<VirtualApplication> application_;
  std::shared_ptr<const Services> services_;
};

}  // namespace kestravane::platform::vmac
