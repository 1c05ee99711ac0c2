// Accessibility in a Wayland session means that the keyboards can be read: the taps are made of
// their evdev devices, and nothing else stands between Plivex and the trigger. The process counts
// as trusted exactly when the event taps may read a keyboard (or none is plugged in, so nothing
// was refused); otherwise the program shows the missing-Accessibility health and the engine does
// not start, and EvdevEventTaps::keyboardAccess() says why. Asked afresh each time (unless a
// running tap reads a keyboard), since a keyboard plugged in (or a uaccess rule applied) changes
// the answer. The prompt shows nothing:
// access comes from the `input` group, which the program never asks root for. Secure input is
// never on: a password prompt does not hide a device's events from its readers.
// Threads: any thread (each answer opens the devices on the calling thread).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "Platform/Accessibility.h"
#include "Platform/Wayland/EvdevEventTaps.h"

namespace kestravane::platform::wayland {

class WaylandAccessibility final : public Accessibility {
 public:
  explicit WaylandAccessibility(std::shared_ptr<EvdevEventTaps> taps) : taps(std::move(taps)) {}

  bool isProcessTrusted() override { return taps->preflightListenEventAccess(); }
  bool isProcessTrustedWithOptions(const std::map<std::string, bool>&) override {
    return isProcessTrusted();
  }
  bool isSecureEventInputEnabled() override { return false; }

 private:
  const std::shared_ptr<EvdevEventTaps> taps;
};

}  // namespace kestravane::platform::wayland
