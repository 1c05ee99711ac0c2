// Keeps the one configuration record between runs, as compact JSON in a data blob under
// "PlivexConfig.v1" in the application's user defaults.
// Threading: main thread (the user defaults themselves are safe from any thread). No state.
#pragma once

#include <string_view>

#include "KestravaneCore/PlivexConfig.h"

namespace kestravane {

class ConfigStore {
 public:
  static constexpr std::string_view key = "PlivexConfig.v1";

  // The stored record, or the default record when nothing usable is stored. Writes nothing.
  PlivexConfig load() const;
  // Replaces the stored record.
  void save(const PlivexConfig& config) const;
};

}  // namespace kestravane
