// How the rest of the program sees the key-interception engine and the receiver of its fires.
// Threads: `health()` may be called from any thread; `start()` and `stop()` are serialised by
// the implementation; `engineDidFire()` is called on the engine's own fire queue, never on the
// tap thread.
#pragma once

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
};

}  // namespace kestravane
