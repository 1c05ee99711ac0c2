// Keeps the one configuration record between runs, as compact JSON in a data blob under
// "PlivexConfig.v1" in the application's user defaults.
// Threads: main thread (the user defaults themselves are safe from any thread). Holds only the
// user defaults and the log services.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "KestravaneCore/PlivexConfig.h"
#include "Platform/Services.h"

namespace kestravane {

class ConfigStore {
 public:
  static constexpr std::string_view key = "PlivexConfig.v1";

  explicit ConfigStore(const platform::Services& services);

  // The stored record, or the default record when nothing usable is stored. Writes nothing; a
  // stored record that cannot be used is logged, and reported to the user defaults, which may
  // keep a copy before the next save replaces it.
  PlivexConfig load() const;
  // Why the stored record cannot be used; absent when none is stored or it is usable. Only
  // reads (for a diagnosis).
  std::optional<std::string> storedRecordProblem() const;
  // Replaces the stored record, keeping the members a newer version stored that this one does
  // not know; why it could not be stored, or nothing when it was.
  std::optional<std::string> save(const PlivexConfig& config) const;

 private:
  std::shared_ptr<platform::UserDefaults> userDefaults;
  std::shared_ptr<platform::Log> logger;
};

}  // namespace kestravane
