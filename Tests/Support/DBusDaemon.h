// A D-Bus message bus of a test's own: dbus-daemon with the session bus's configuration, which
// prints its address on descriptor 3 once it accepts connections; stopped at destruction. Tests
// connect to it to be both the program's bus and the services on it.
// Threads: the test's thread.
#pragma once

#include <string>

#include "Support/AnnouncingProgram.h"

namespace kestravane::testing_support {

class DBusDaemon {
 public:
  static bool installed() { return isOnPath("dbus-daemon"); }

  DBusDaemon()
      : daemon({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3"}) {}

  bool running() const { return daemon.running() && !daemon.announcement().empty(); }
  // "unix:path=/tmp/dbus-...,guid=...".
  const std::string& address() const { return daemon.announcement(); }

 private:
  AnnouncingProgram daemon;
};

}  // namespace kestravane::testing_support
