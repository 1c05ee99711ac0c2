// The observers of the machine's wake-up (NSWorkspaceDidWakeNotification), as a workspace keeps
// them: each wake posts one block per current observer to the main queue.
// Threads: thread-safe; any thread may add, cancel, post or count. Observers run only on the
//   main queue given at construction.
// Ownership: a handle returned by add() may outlive this object; removing an observer (cancel,
//   or dropping the handle) also drops wakes posted to the main queue but not yet delivered.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "Platform/Dispatch.h"

namespace kestravane::platform::host {

class WakeObservers {
 public:
  // `mainQueue` must not be null: wake observers are posted to it.
  explicit WakeObservers(std::shared_ptr<DispatchQueue> mainQueue);

  std::shared_ptr<Cancellable> add(std::function<void()> observer);
  // The machine woke up: one block per current observer goes to the main queue.
  void post();
  std::size_t count() const;

 private:
  struct Registry;
  class Observation;

  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::shared_ptr<Registry> registry;
};

}  // namespace kestravane::platform::host
