// The virtual Mac as the backend of a build without the macOS frameworks.
#include <memory>

#include "Platform/Backend.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform {

std::shared_ptr<const Services> makeBackendServices() {
  vmac::VirtualMacOptions options;
  options.manualClock = false;  // a program runs on real time
  auto mac = std::make_shared<vmac::VirtualMac>(options);
  const Services* services = mac->services().get();
  // Shares ownership of the machine, so the services' components stay wired to each other.
  return std::shared_ptr<const Services>(std::move(mac), services);
}

std::string_view backendName() {
  return "virtual Mac";
}

}  // namespace kestravane::platform
