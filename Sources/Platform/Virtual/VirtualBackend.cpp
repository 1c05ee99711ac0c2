// The virtual Mac as the backend of a build without the macOS frameworks: each call makes a fresh
// machine on the real clock, with its user defaults in memory (or in the Linux programs' settings
// file), its log kept in memory, and nothing granted (no Accessibility, no Input Monitoring), as
// on a Mac where the program is new.
#include <memory>

#include "Platform/Backend.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform {

namespace {

std::shared_ptr<const Services> servicesOfANewMac(vmac::VirtualMacOptions options) {
  options.manualClock = false;  // a program runs on real time
  // The other options keep their defaults: no log sink but the capture.
  auto mac = std::make_shared<vmac::VirtualMac>(options);
  const Services* services = mac->services().get();
  // Shares ownership of the machine, so the services' components stay wired to each other.
  return std::shared_ptr<const Services>(std::move(mac), services);
}

}  // namespace

std::shared_ptr<const Services> makeBackendServices() {
  return servicesOfANewMac({});
}

std::shared_ptr<const Services> makeBackendServicesWithStoredDefaults() {
  vmac::VirtualMacOptions options;
  options.defaultsFile = host::FileUserDefaults::defaultPath();
  return servicesOfANewMac(std::move(options));
}

std::string_view backendName() {
  return "virtual Mac";
}

}  // namespace kestravane::platform
