// Keeps the one configuration record between runs, as compact JSON in a data blob under
// "PlivexConfig.v1" in the application's user defaults.
// Threads: main thread (the user defaults themselves are safe from any thread). Holds only the
// user defaults service.
#pragma once

#include <memory>
#include <string_view>

#include "KestravaneCore/PlivexConfig.h"
#include "Platform/Services.h"

namespace kestravane {

class ConfigStore {
 public:
  static constexpr std::string_view key = "PlivexConfig.v1";

  explicit ConfigStore(const platform::Services& services);

  // The stored record, or the default record when nothing usable is stored. Writes nothing.
  PlivexConfig load() const;
  // Replaces the stored record.
  void save(const PlivexConfig& config) const;

 private:
  std::shared_ptr<platform::UserDefaults> userDefaults;
};

}  // namespace kestravane
