// A system that lists its layouts but cannot switch them (an X server without XKB, a Wayland
// desktop that offers programs no way): every answer is the wrapped system's, except that
// canSwitchLayouts() is false and a selection is refused.
// Threads: as the wrapped sources.
#pragma once

#include "Support/ForwardingInputSources.h"

namespace kestravane::testing_support {

class UnswitchableSources final : public ForwardingInputSources {
 public:
  using ForwardingInputSources::ForwardingInputSources;

  platform::OSStatus selectInputSource(const platform::InputSource&) override {
    return -50;  // paramErr
  }
  bool canSwitchLayouts() const override { return false; }
};

}  // namespace kestravane::testing_support
