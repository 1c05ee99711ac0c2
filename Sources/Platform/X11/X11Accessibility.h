// Accessibility on X11: nothing to grant, since any X client may listen to the keyboard. The
// process counts as trusted exactly when the display offers XInput 2, whose raw events the taps
// are made of; without it the program shows the missing-Accessibility health (its status says
// switching cannot work, and the engine does not start). The prompt shows nothing. Secure input
// is never on: X11 has no such notion; an application that grabs the keyboard (a password
// prompt) does not hide the raw events from other clients.
// Threads: any thread; the answer is fixed when the backend is made.
#pragma once

#include <map>
#include <string>

#include "Platform/Accessibility.h"

namespace kestravane::platform::x11 {

class X11Accessibility final : public Accessibility {
 public:
  explicit X11Accessibility(bool xinputAvailable) : xinputAvailable(xinputAvailable) {}

  bool isProcessTrusted() override { return xinputAvailable; }
  bool isProcessTrustedWithOptions(const std::map<std::string, bool>&) override {
    return xinputAvailable;
  }
  bool isSecureEventInputEnabled() override { return false; }

 private:
  const bool xinputAvailable;
};

}  // namespace kestravane::platform::x11
