// Which of a Linux desktop's layouts a Text Input Sources filter asks for. Every layout there is
// an enabled, select-capable keyboard layout, so a filter matches when it asks for no more than
// that and, where it names an id, names this one; any other property matches nothing.
// Threads: pure; any thread.
#pragma once

#include <string_view>

#include "Platform/TextInputSources.h"

namespace kestravane::platform::desktop {

bool layoutMatchesFilter(const InputSourceFilter& filter, std::string_view id);

}  // namespace kestravane::platform::desktop
