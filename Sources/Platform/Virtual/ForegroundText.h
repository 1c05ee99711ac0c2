// What the application in front has typed: each key-down it receives, translated through the
// keyboard layout that is current when it arrives and with the flag word it carries (so Caps
// Lock types capitals exactly while the events say the lock is on). Sources without a modelled
// layout type as U.S., as the demo panel's text box does.
// Threads: any thread; receive() is called by the window server on the posting thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "Platform/Virtual/VirtualEvent.h"
#include "Platform/Virtual/VirtualTextInputSources.h"

namespace kestravane::platform::vmac {

class ForegroundText {
 public:
  explicit ForegroundText(std::shared_ptr<const VirtualTextInputSources> inputSources);

  void receive(const Event& event);

  // Control: the text typed so far (UTF-8), and forgetting it.
  std::string text() const;
  void clear();

 private:
  const std::shared_ptr<const VirtualTextInputSources> inputSources;
  mutable std::mutex mutex;
  std::string typed;
};

}  // namespace kestravane::platform::vmac
