// The real macOS services as the backend of the Apple build.
#include "Platform/Backend.h"
#include "Platform/MacOS/MacServices.h"

namespace kestravane::platform {

std::shared_ptr<const Services> makeBackendServices() {
  return makeMacServices();
}

std::string_view backendName() {
  return "macOS";
}

}  // namespace kestravane::platform
