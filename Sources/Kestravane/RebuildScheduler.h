// Rebuild on change: observers of an ObservableObject are told before a value changes, so a view
// that rebuilt inside that call would show the old state. A RebuildScheduler, owned by the view,
// turns each change notice into one rebuild posted to the main queue, where the new values are in
// place; every notice until that rebuild runs joins it, so a burst of changes in one main-queue
// turn (a start-up, an apply) gives one rebuild. The posted work holds the scheduler only weakly:
// once the scheduler is destroyed, or the observed object is gone, a rebuild still on the queue
// does nothing.
// Threads: main thread only, for creation, the notices, the rebuilds and destruction.
#pragma once

#include <functional>
#include <memory>

#include "Kestravane/ObservableObject.h"
#include "Platform/Dispatch.h"

namespace kestravane {

class RebuildScheduler {
 public:
  // Subscribes to `object` at once; `rebuild` runs on the main queue after each burst of changes.
  RebuildScheduler(ObservableObject& object, std::function<void()> rebuild);
  RebuildScheduler(const RebuildScheduler&) = delete;
  RebuildScheduler& operator=(const RebuildScheduler&) = delete;
  ~RebuildScheduler();

  struct State;

 private:
  const std::shared_ptr<State> state;
};

}  // namespace kestravane
