// Lifts the keyboards' Caps Lock delay while Caps Lock is the trigger. Apple's keyboard filter
// holds back a Caps Lock press made while the lock is off (75 ms) and drops it when the key comes
// up sooner; with Caps Lock as the trigger the lock is always off, so every quick tap would be
// lost. Each keyboard service's CapsLockDelayOverride is set to 0, also on keyboards attached
// later, and its previous value is put back when switching ends. What was changed is recorded in
// the user defaults first, so that the next start puts it back after a crash.
// Threads: main thread, for every call and the keyboards observer.
// Ownership: a std::shared_ptr (create()); the keyboards observer holds it weakly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Services.h"

namespace kestravane {

class CapsLockDelayLift final : public std::enable_shared_from_this<CapsLockDelayLift> {
 public:
  // The record: "id=previous" entries joined by ",", previous "-" where the property was unset.
  static constexpr std::string_view kRecordKey = "PlivexCapsLockDelay.v1";

  static std::shared_ptr<CapsLockDelayLift> create(const platform::Services& services);

  // Sets every keyboard's override to 0 (recording its previous value first) and keeps doing so
  // for keyboards attached later, until putBack().
  void lift();
  // Puts back every recorded value (also those a crashed run recorded) and forgets the record.
  void putBack();

  // The record read from its stored text: registry id → previous value. Malformed entries are
  // skipped.
  using Record = std::map<std::uint64_t, std::optional<std::int64_t>>;
  static Record parseRecord(std::string_view text);
  static std::string formatRecord(const Record& record);

 private:
  explicit CapsLockDelayLift(const platform::Services& services);
  void liftAttached();
  Record storedRecord() const;
  void store(const Record& record) const;

  const std::shared_ptr<platform::HIDSystem> hid;
  const std::shared_ptr<platform::UserDefaults> defaults;
  const std::shared_ptr<platform::Log> log;
  bool lifted = false;
};

}  // namespace kestravane
