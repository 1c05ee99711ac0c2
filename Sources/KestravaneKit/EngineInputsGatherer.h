// The one place that reads from the system what the health rules look at (EngineInputs): the
// application controller and the doctor both gather through it, so a new input is one line here.
// Threads: main thread (the services it asks are main-thread services).
#pragma once

#include <functional>

#include "KestravaneCore/EngineState.h"
#include "Platform/Services.h"

namespace kestravane {

// What a caller has already read of the system (the controller keeps the layouts and the keys as
// it last noticed them), so that the gatherer does not ask again.
struct KnownInputs {
  std::int64_t layoutCount = 0;
  // Whether the system setting with this conflict leaves its key to Plivex.
  std::function<bool(KeyConflict)> keyFree;
};

// The system's part of EngineInputs with `trigger` as the configured trigger, asked now, except
// what `known` already holds. The engine's part (userEnabled, isRunning, tapDisabled) is left
// false for the caller, which knows the engine.
EngineInputs gatherEngineInputs(const platform::Services& services, TriggerKind trigger,
                                const KnownInputs* known = nullptr);

// Whether the system setting leaves the key it may use to Plivex, asked now.
bool isKeyFree(const platform::Services& services, KeyConflict conflict);

}  // namespace kestravane
