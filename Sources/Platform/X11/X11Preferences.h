// The system preferences the program reads, as an X11 desktop answers them: the key that stands
// for fn/Globe there (the Menu key) has no system function the program knows of, so
// "AppleFnUsageType" in "com.apple.HIToolbox" is 0 (Do Nothing); every other key is absent.
// Threads: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/Preferences.h"

namespace kestravane::platform::x11 {

class X11Preferences final : public Preferences {
 public:
  bool appSynchronize(const std::string&) override { return true; }
  std::optional<PropertyValue> copyValue(const std::string& key, const std::string& applicationID,
                                         PreferencesUser, PreferencesHost) override {
    if (key == "AppleFnUsageType" && applicationID == "com.apple.HIToolbox") {
      return PropertyValue(std::int64_t{0});
    }
    return std::nullopt;
  }
};

}  // namespace kestravane::platform::x11
