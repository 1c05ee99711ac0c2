// The one test rig: a virtual Mac for one test, with the shortcuts and checks the test programs
// share. Nothing is installed process-wide: the objects under test are handed `services()`.
// Threads: built, used and torn down on the test's thread, which drives the main queue (so it is
// the main thread); work from the tap, fire and key-tester threads is waited for with short,
// bounded real-time waits (Waiting.h). Time the program measures moves only when the test
// advances the manual clock.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Services.h"
#include "Platform/Virtual/VirtualMac.h"
#include "Support/Waiting.h"

namespace kestravane::testing_support {

class VirtualMacRig {
 public:
  enum class Start { fresh, granted };  // granted: Accessibility and Input Monitoring allowed

  static platform::vmac::VirtualMacOptions defaultOptions() {
    platform::vmac::VirtualMacOptions options;
    // Room for a slow tap thread to pick up its first event under the sanitizers.
    options.tapTimeout = std::chrono::milliseconds(5000);
    return options;
  }

  explicit VirtualMacRig(Start start = Start::fresh,
                         platform::vmac::VirtualMacOptions options = defaultOptions())
      : mac(std::move(options)) {
    if (start == Start::granted) mac.grantAllPermissions();
  }
  VirtualMacRig(const VirtualMacRig&) = delete;
  VirtualMacRig& operator=(const VirtualMacRig&) = delete;

  const std::shared_ptr<const platform::Services>& services() const { return mac.services(); }

  // These services with some replaced, e.g. by a recorder that forwards to the virtual one.
  template <typename Edit>
  std::shared_ptr<const platform::Services> editedServices(Edit edit) const {
    auto services = std::make_shared<platform::Services>(*mac.services());
    edit(*services);
    return services;
  }

  std::size_t runPending() { return mac.dispatch().runPending(); }
  std::size_t advance(double seconds) { return mac.dispatch().advance(seconds); }
  // Drives the main queue until `condition` holds.
  bool pumpUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = kDefaultWait) {
    return waitUntil(condition, timeout, &mac.dispatch());
  }
  // Waits until the blocks already submitted to the serial queues labelled `label` have run.
  bool drain(std::string_view label) {
    return mac.dispatch().drainSerialQueues(kDefaultWait, label);
  }

  // Waits until the thread of every tap just created has taken it up: the program's taps stay
  // off until then, so a key pressed earlier passes unseen.
  bool waitForTapThreads() {
    return waitUntil([this] { return mac.windowServer().allTapsServed(); });
  }

  std::vector<std::string> logMessages() { return mac.log().messages(); }
  std::size_t logCount(std::string_view prefix) {
    const auto messages = logMessages();
    return static_cast<std::size_t>(
        std::count_if(messages.begin(), messages.end(),
                      [prefix](const std::string& line) { return line.starts_with(prefix); }));
  }

  platform::vmac::VirtualMac mac;
  platform::vmac::Keyboard& keyboard = mac.keyboard();
  platform::vmac::PermissionState& permissions = mac.permissions();
  platform::vmac::WindowServer& windowServer = mac.windowServer();
  platform::host::HostThreads& threads = mac.threads();
};

}  // namespace kestravane::testing_support
