// The names a scenario uses for keys, events, health values and engine errors, and how an event
// the foreground application received is written back in the same notation.
// Threads: pure functions over constant tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "KestravaneCore/EngineState.h"
#include "KestravaneKit/EventTapEngine.h"
#include "Platform/Virtual/VirtualEvent.h"
#include "Scenarios/Scenario.h"

namespace kestravane::scenario {

// A key by name ("fn", "leftShift", "a", "space") or by its macOS key code ("63").
std::optional<std::uint16_t> parseKey(std::string_view word);
// The key's name, or its code when it has none.
std::string keyName(std::int64_t keyCode);
// The flag bit that marks a modifier key as down in a flags-changed event (its device bit; the
// secondary-fn flag for fn; the Caps Lock state for capsLock); absent for other keys.
std::optional<platform::EventFlags> downFlag(std::int64_t keyCode);

// A mouse button by name ("left", "right", "other") and back.
std::optional<std::int64_t> parseMouseButton(std::string_view word);
std::string_view mouseButtonName(std::int64_t button);
// A media or brightness key by name ("brightnessUp", "play", ...) as its NX_KEYTYPE, and back.
std::optional<std::int64_t> parseAuxKey(std::string_view word);
std::string auxKeyName(std::int64_t key);

// One item of an `expect app` list, e.g. "down fn", "keydown a", "flags 63 0x800100",
// "mousedown right", "sysdown brightnessUp".
std::optional<EventPattern> parseEventPattern(std::string_view item);
// An event as "down fn [flags 63 0x800100]": the readable form, then the raw one.
std::string describe(const platform::Event& event);

std::optional<EngineHealth> parseHealth(std::string_view word);
std::string_view healthName(EngineHealth health);

std::optional<EventTapEngine::EngineError::Case> parseEngineError(std::string_view word);

// "0x800100".
std::string hex(std::uint64_t value);

}  // namespace kestravane::scenario
