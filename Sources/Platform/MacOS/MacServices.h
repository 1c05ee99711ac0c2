// The real macOS services behind the seam, assembled.
// Threads: any thread; each service states its own contract.
#pragma once

#include <memory>

#include "Platform/Services.h"

namespace kestravane::platform {

// A new set of the macOS services. Creating it touches no system service; each is reached when
// it is first used (NSApplication, for one, only when the program asks for it).
std::shared_ptr<const Services> makeMacServices();

}  // namespace kestravane::platform
