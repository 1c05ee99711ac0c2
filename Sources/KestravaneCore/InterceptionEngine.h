// How the rest of the program sees the key-interception engine and the receiver of its fires.
// Threads: `health()` may be called from any thread; `start()` and `stop()` are serialised by
// the implementation; `engineDidFire()` and `engineDidFireHavingSelected()` are called on the
// engine's own fire queue, never on the tap thread.
#pragma once

#include <cstddef>

#include "KestravaneCore/EngineState.h"

namespace kestravane {

class InterceptionEngine {
 public:
  InterceptionEngine() = default;
  InterceptionEngine(const InterceptionEngine&) = delete;
  InterceptionEngine& operator=(const InterceptionEngine&) = delete;
  virtual ~InterceptionEngine() = default;

  // The engine's current health.
  virtual EngineHealth health() const = 0;
  // Begins intercepting; the only operation of the program that may throw.
  virtual void start() = 0;
  // Stops intercepting; safe when not started.
  virtual void stop() = 0;
};

class InterceptionEngineDelegate {
 public:
  InterceptionEngineDelegate() = default;
  InterceptionEngineDelegate(const InterceptionEngineDelegate&) = delete;
  InterceptionEngineDelegate& operator=(const InterceptionEngineDelegate&) = delete;
  virtual ~InterceptionEngineDelegate() = default;

  // Called once per fire.
  virtual void engineDidFire() = 0;
  // Called instead for a fire at which the platform already selected the next layout on the tap's
  // thread: `position` is that layout's among the enabled ones. Without an override it counts as
  // a plain fire.
  virtual void engineDidFireHavingSelected(std::size_t position) {
    static_cast<void>(position);
    engineDidFire();
  }
};

}  // namespace kestravane
