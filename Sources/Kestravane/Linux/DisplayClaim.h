// The program's hold on its X display (one Plivex per user and display), without Xlib's
// macros, which break Qt's headers: see X11InstanceClaim.
// Threads: main thread.
// Ownership: the display stays claimed as long as `hold` lives.
#pragma once

#include <memory>
#include <string>

namespace kestravane::linux_app {

struct DisplayClaim {
  std::shared_ptr<void> hold;  // the claim; null when the display was not claimed
  bool heldByAnother = false;  // a Plivex of this user runs on the display already
  std::string holderSocket;    // where that one takes requests (empty: unknown)
};

// Claims $DISPLAY for this user, noting `requestSocket` for later starts. A display that does
// not answer is not claimed and not held by another: the program's own start says so.
DisplayClaim claimDisplay(const std::string& requestSocket);

}  // namespace kestravane::linux_app
