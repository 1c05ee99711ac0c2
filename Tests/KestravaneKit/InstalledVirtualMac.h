// A virtual Mac installed as the platform for the duration of one test, for the tests of the
// small platform services (layouts, configuration, permissions, login item, Globe key).
// Threading: built and torn down on the test's thread, which also drives the main queue.
#pragma once

#include <memory>
#include <utility>

#include "Platform/Services.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::testing_support {

class InstalledVirtualMac {
 public:
  explicit InstalledVirtualMac(platform::vmac::VirtualMacOptions options = {})
      : mac(std::move(options)) {
    mac.install();
  }
  ~InstalledVirtualMac() { platform::install(nullptr); }
  InstalledVirtualMac(const InstalledVirtualMac&) = delete;
  InstalledVirtualMac& operator=(const InstalledVirtualMac&) = delete;

  // Installs this Mac's services with some replaced, e.g. by a recorder that forwards to the
  // virtual one.
  template <typename Edit>
  void installEdited(Edit edit) {
    auto services = std::make_shared<platform::Services>(*mac.services());
    edit(*services);
    platform::install(std::move(services));
  }

  platform::vmac::VirtualMac mac;
};

}  // namespace kestravane::testing_support
