// The set of macOS services the program uses, and the process-wide installed set.
// Threads: install() and current() may be called from any thread; objects that use the
// services take a reference to the installed set when they are created and keep it.
#pragma once

#include <memory>

#include "Platform/Accessibility.h"
#include "Platform/Application.h"
#include "Platform/BundleInfo.h"
#include "Platform/Clock.h"
#include "Platform/Dispatch.h"
#include "Platform/EventTaps.h"
#include "Platform/HIDSystem.h"
#include "Platform/Locale.h"
#include "Platform/Log.h"
#include "Platform/LoginItems.h"
#include "Platform/Preferences.h"
#include "Platform/RunLoops.h"
#include "Platform/TextInputSources.h"
#include "Platform/Threads.h"
#include "Platform/TriggerKeyActions.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"

namespace kestravane::platform {

struct Services {
  std::shared_ptr<EventTaps> eventTaps;
  std::shared_ptr<RunLoops> runLoops;
  std::shared_ptr<Clock> clock;
  std::shared_ptr<Threads> threads;
  std::shared_ptr<Dispatch> dispatch;
  std::shared_ptr<TextInputSources> inputSources;
  std::shared_ptr<Accessibility> accessibility;
  std::shared_ptr<Preferences> preferences;
  std::shared_ptr<LoginItems> loginItems;
  std::shared_ptr<UserDefaults> userDefaults;
  std::shared_ptr<Workspace> workspace;
  std::shared_ptr<BundleInfo> bundleInfo;
  std::shared_ptr<Log> log;
  std::shared_ptr<Locale> locale;
  std::shared_ptr<Application> application;
  std::shared_ptr<HIDSystem> hidSystem;
  std::shared_ptr<TriggerKeyActions> triggerKeyActions;
  // The keyboards are a PC's on a Linux desktop (no fn/Globe or ⌘ keys: the Menu key stands
  // for fn/Globe, the right Super key for right Command), and its settings are the desktop's:
  // the texts say so.
  bool pcKeyboard = false;
  // A Wayland session: the keys are read from the keyboards' devices, and the desktop switches
  // the layouts; the texts say so where that differs from X11.
  bool waylandSession = false;
};

// Makes `services` the system the program talks to. Passing nullptr uninstalls.
void install(std::shared_ptr<const Services> services);

// The installed services. Calling it with nothing installed is a programming error (aborts).
std::shared_ptr<const Services> current();

}  // namespace kestravane::platform
