// The virtual Mac's trigger-key actions: as on a Mac, nothing is taken from the key (the active
// tap swallows its events); what the program asked is recorded for tests and the demo panel.
// Threads: main thread for the seam; the control from any thread.
// Locks: one internal mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "Platform/TriggerKeyActions.h"

namespace kestravane::platform::vmac {

class VirtualTriggerKeyActions final : public TriggerKeyActions {
 public:
  // Seam: always true; the keyboard keeps every key's meaning.
  bool withhold(std::int64_t keyCode) override;
  void giveBack() override;

  // Control: the key the program last asked to withhold and has not given back.
  std::optional<std::int64_t> withheldKey() const;
  // How many times each was asked.
  std::size_t withholdCount() const;
  std::size_t giveBackCount() const;

 private:
  mutable std::mutex mutex;
  std::optional<std::int64_t> withheld;
  std::size_t withholds = 0;
  std::size_t giveBacks = 0;
};

}  // namespace kestravane::platform::vmac
