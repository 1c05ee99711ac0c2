// The services of the platform this build runs on, for the programs' entry points: the real macOS
// services on Apple, a virtual Mac elsewhere. Each backend library (PlatformBackend) defines these;
// programs link PlatformBackend and never name a backend.
// Threads: any thread.
#pragma once

#include <memory>
#include <string_view>

#include "Platform/Services.h"

namespace kestravane::platform {

// A new, complete set of services. On the virtual Mac: a fresh machine on the real clock, with
// user defaults in memory, nothing granted, the log kept in memory; the returned pointer keeps
// that machine alive.
std::shared_ptr<const Services> makeBackendServices();
// The same, with the user defaults that the programs keep between runs, as they are stored: on
// a Mac the application's defaults (as above); on the virtual Mac the settings file that the
// Linux programs keep ($XDG_CONFIG_HOME/plivex/defaults.json), read at once and written only
// when something is stored.
std::shared_ptr<const Services> makeBackendServicesWithStoredDefaults();

// What the services stand for: "macOS" or "virtual Mac".
std::string_view backendName();

}  // namespace kestravane::platform
