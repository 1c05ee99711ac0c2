#include "Platform/MacOS/MacServices.h"

#include "Platform/MacOS/MacAccessibility.h"
#include "Platform/MacOS/MacApplication.h"
#include "Platform/MacOS/MacBundleInfo.h"
#include "Platform/MacOS/MacClock.h"
#include "Platform/MacOS/MacDispatch.h"
#include "Platform/MacOS/MacEventTaps.h"
#include "Platform/MacOS/MacHIDSystem.h"
#include "Platform/MacOS/MacLocale.h"
#include "Platform/MacOS/MacLog.h"
#include "Platform/MacOS/MacLoginItems.h"
#include "Platform/MacOS/MacPreferences.h"
#include "Platform/MacOS/MacRunLoops.h"
#include "Platform/MacOS/MacTextInputSources.h"
#include "Platform/MacOS/MacThreads.h"
#include "Platform/MacOS/MacTriggerKeyActions.h"
#include "Platform/MacOS/MacUserDefaults.h"
#include "Platform/MacOS/MacWorkspace.h"

namespace kestravane::platform {

std::shared_ptr<const Services> makeMacServices() {
  auto services = std::make_shared<Services>();
  services->eventTaps = std::make_shared<macos::MacEventTaps>();
  services->runLoops = std::make_shared<macos::MacRunLoops>();
  services->clock = std::make_shared<macos::MacClock>();
  services->threads = std::make_shared<macos::MacThreads>();
  services->dispatch = std::make_shared<macos::MacDispatch>();
  services->inputSources = std::make_shared<macos::MacTextInputSources>();
  services->accessibility = std::make_shared<macos::MacAccessibility>();
  services->preferences = std::make_shared<macos::MacPreferences>();
  services->loginItems = std::make_shared<macos::MacLoginItems>();
  services->userDefaults = std::make_shared<macos::MacUserDefaults>();
  services->workspace = std::make_shared<macos::MacWorkspace>();
  services->bundleInfo = std::make_shared<macos::MacBundleInfo>();
  services->log = std::make_shared<macos::MacLog>();
  services->locale = std::make_shared<macos::MacLocale>();
  services->application = std::make_shared<macos::MacApplication>();
  services->hidSystem = std::make_shared<macos::MacHIDSystem>();
  services->triggerKeyActions = std::make_shared<macos::MacTriggerKeyActions>();
  return services;
}

}  // namespace kestravane::platform
