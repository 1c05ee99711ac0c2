#include "Platform/Virtual/VirtualMac.h"

#include <stdexcept>

#include "Platform/Virtual/FileUserDefaults.h"
#include "Platform/Virtual/MemoryUserDefaults.h"
#include "Platform/Virtual/SystemUptimeClock.h"

namespace kestravane::platform::vmac {

VirtualMac::VirtualMac(VirtualMacOptions options) {
  if (options.manualClock) {
    manualClock_ = std::make_shared<ManualClock>();
    clock_ = manualClock_;
  } else {
    clock_ = std::make_shared<SystemUptimeClock>();
  }
  permissions_ = std::make_shared<PermissionState>();
  windowServer_ = std::make_shared<WindowServer>(permissions_);
  windowServer_->setTapTimeout(options.tapTimeout);
  keyboard_ = std::make_shared<Keyboard>(windowServer_);
  threads_ = std::make_shared<VirtualThreads>();
  dispatch_ = std::make_shared<VirtualDispatch>(clock_, threads_);
  eventTaps_ = std::make_shared<VirtualEventTaps>(windowServer_);
  runLoops_ = std::make_shared<VirtualRunLoops>();
  accessibility_ = std::make_shared<VirtualAccessibility>(permissions_);
  inputSources_ = std::make_shared<VirtualTextInputSources>();
  preferences_ = std::make_shared<VirtualPreferences>();
  loginItems_ = std::make_shared<VirtualLoginItems>();
  log_ = std::make_shared<VirtualLog>(
      VirtualLog::Sinks{options.logToStandardError, options.logToSystemLog});
  if (options.defaultsFile) {
    // Says in the log what it found in the file, and when a save fails.
    userDefaults_ = std::make_shared<FileUserDefaults>(*options.defaultsFile, log_);
  } else {
    userDefaults_ = std::make_shared<MemoryUserDefaults>();
  }
  workspace_ = std::make_shared<VirtualWorkspace>(dispatch_->mainQueue());
  bundleInfo_ = std::make_shared<VirtualBundleInfo>();
  locale_ = std::make_shared<VirtualLocale>();
  application_ = std::make_shared<VirtualApplication>();

  auto services = std::make_shared<Services>();
  services->eventTaps = eventTaps_;
  services->runLoops = runLoops_;
  services->clock = clock_;
  services->threads = threads_;
  services->dispatch = dispatch_;
  services->inputSources = inputSources_;
  services->accessibility = accessibility_;
  services->preferences = preferences_;
  services->loginItems = loginItems_;
  services->userDefaults = userDefaults_;
  services->workspace = workspace_;
  services->bundleInfo = bundleInfo_;
  services->log = log_;
  services->locale = locale_;
  services->application = application_;
  services_ = std::move(services);
}

void VirtualMac::install() const {
  platform::install(services_);
}

ManualClock& VirtualMac::clock() {
  if (!manualClock_) throw std::logic_error("this virtual Mac runs on the real clock");
  return *manualClock_;
}

void VirtualMac::grantAllPermissions() {
  permissions_->setAccessibilityTrusted(true);
  permissions_->setInputMonitoring(true);
}

}  // namespace kestravane::platform::vmac
