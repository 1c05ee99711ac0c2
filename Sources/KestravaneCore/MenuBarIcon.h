// The menu-bar symbol for an engine health.
// Threads: a pure function; usable from any thread.
#pragma once

#include <string_view>

#include "KestravaneCore/EngineState.h"

namespace kestravane::MenuBarIcon {

// The name of a system symbol image, used as the platform spells it.
std::string_view symbolName(EngineHealth health);

}  // namespace kestravane::MenuBarIcon
