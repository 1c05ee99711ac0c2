// A text console for trying Plivex on the virtual Mac: each command presses keys, changes what
// the virtual system reports (permissions, layouts, the Globe and Caps Lock preferences, secure
// input, sleep and wake) or does what the menu and the settings window would do, and the console
// prints what the program shows in return. A command that changes something confirms it in one
// line; one given arguments it does not take prints its usage and changes nothing. What the program
// shows on its own (the menu bar's status, a switch, a key-test readout, the onboarding) comes as a
// notice, and so do new log lines: those of the settings file always (a failed save is said at
// once, below the command that caused it), every other one only when verbose; all are in the `log`
// view. Threads: main thread only (the thread that drives the virtual Mac's main queue).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Console/ConsoleOnboarding.h"
#include "Kestravane/AppController.h"
#include "Kestravane/ObservableObject.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::console {

class ConsoleSession {
 public:
  // Receives what the program shows on its own, one line or block at a time.
  using Notify = std::function<void(std::string_view)>;

  // Becomes `controller`'s onboarding window host, so make it before the controller's posted
  // onboarding check runs. Without `notify`, notices go to `out` as well.
  ConsoleSession(platform::vmac::VirtualMac& mac, std::shared_ptr<AppController> controller,
                 std::ostream& out, Notify notify = nullptr, bool verbose = false);
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // Runs one command line; false once the user asked to quit.
  bool execute(std::string_view line);
  // The status block: health, trigger, layouts, last switch, login item.
  void printStatus();
  void printHelp();
  // Quitting: stops the engine and the key tester and waits, at most `wait`, until every thread
  // of the virtual Mac has ended, so that each can be joined; false when one still runs.
  bool shutDown(std::chrono::milliseconds wait);
  // Shows the log lines logged since the last call (see above for which).
  void showNewLogLines();

  ConsoleOnboardingHost& onboarding() { return *onboardingHost; }

 private:
  bool run(const std::vector<std::string>& words);
  void tapKey(const std::string& name, int holdMs);
  void hold(const std::vector<std::string>& words);
  void setPermission(const std::vector<std::string>& words, bool granted);
  void setGlobe(const std::vector<std::string>& words);
  void setCapsLockSwitching(const std::vector<std::string>& words);
  // What System Settings writes for a key the system may use too: "free" 0, "occupied" 1,
  // "absent" none; `command` names it in the usage, `keyName` in the confirmation.
  void setKeyPreference(const std::vector<std::string>& words, std::string_view command,
                        std::string_view keyName,
                        const std::function<void(std::optional<std::int64_t>)>& store);
  void applySetting(const std::vector<std::string>& words);
  void keyTest(const std::vector<std::string>& words);
  void showOnboarding(const std::vector<std::string>& words);
  void printLayouts();
  void reportChanges();
  // Reports once the main queue's current turn is over, so a burst of changes is one report.
  void reportSoon();
  // Lets work posted from other threads (fires, health changes) reach the main queue.
  void settle();

  platform::vmac::VirtualMac& mac;
  std::shared_ptr<AppController> controller;
  std::ostream& out;
  const Notify notify;
  const bool verbose;
  std::uint64_t logCursor = 0;
  const std::shared_ptr<ConsoleOnboardingHost> onboardingHost;
  // What the notices last reported.
  std::string shownStatus;
  std::string shownSwitch;
  std::string shownTestedKey;
  bool reportPending = false;
  // Work posted to the main queue holds this weakly: nothing runs once the session is gone.
  std::shared_ptr<ConsoleSession*> alive;
  Subscription changes;
};

}  // namespace kestravane::console
