// A text console for trying Plivex on the virtual Mac: each command presses keys, changes what
// the virtual system reports (permissions, layouts, the Globe preference, secure input, sleep and
// wake) or does what the menu and the settings window would do, and the console prints what the
// program shows in return.
// Threads: main thread only (the thread that drives the virtual Mac's main queue).
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/AppController.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::console {

class ConsoleSession {
 public:
  ConsoleSession(platform::vmac::VirtualMac& mac, std::shared_ptr<AppController> controller,
                 std::ostream& out);

  // Runs one command line; false once the user asked to quit.
  bool execute(std::string_view line);
  // The status block: health, trigger, layouts, last switch.
  void printStatus();
  void printHelp();

 private:
  bool run(const std::vector<std::string>& words);
  void tapKey(const std::string& name, int holdMs);
  void setPermission(const std::string& which, bool granted);
  void printLayouts();
  // Lets work posted from other threads (fires, health changes) reach the main queue.
  void settle();

  platform::vmac::VirtualMac& mac;
  std::shared_ptr<AppController> controller;
  std::ostream& out;
};

}  // namespace kestravane::console
