// The real macOS services as the backend of the Apple build.
#include "Platform/Backend.h"
#include "Platform/MacOS/MacServices.h"

namespace kestravane::platform {

std::shared_ptr<const Services> makeBackendServices() {
  return makeMacServices();
}

std::shared_ptr<const Services> makeBackendServicesWithStoredDefaults() {
  return makeMacServices();  // the application's defaults are always the stored ones
}

std::string_view backendName() {
  return "macOS";
}

}  // namespace kestravane::platform
