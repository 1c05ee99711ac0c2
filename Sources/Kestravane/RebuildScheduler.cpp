#include "Kestravane/RebuildScheduler.h"

#include <utility>

namespace kestravane {

struct RebuildScheduler::State {
  std::function<void()> rebuild;
  std::shared_ptr<platform::DispatchQueue> mainQueue;
  Subscription subscription;
  bool pending = false;
};

namespace {

void runRebuild(const std::weak_ptr<RebuildScheduler::State>& weakState) {
  const auto state = weakState.lock();
  if (!state) return;
  // Cleared before the rebuild reads the state, so a change made after that gets its own rebuild.
  state->pending = false;
  // An inactive subscription means the object is gone (or stopped being observed).
  if (state->subscription.isActive() && state->rebuild) state->rebuild();
}

}  // namespace

RebuildScheduler::RebuildScheduler(ObservableObject& object, std::function<void()> rebuild)
    : state(std::make_shared<State>()) {
  state->rebuild = std::move(rebuild);
  state->mainQueue = object.mainQueue();
  state->subscription = object.subscribe([weakState = std::weak_ptr<State>(state)] {
    const auto strong = weakState.lock();
    if (!strong || strong->pending) return;
    strong->pending = true;
    strong->mainQueue->async([weakState] { runRebuild(weakState); });
  });
}

RebuildScheduler::~RebuildScheduler() {
  state->subscription.cancel();
}

}  // namespace kestravane
