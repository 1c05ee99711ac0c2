// NSWorkspace: URLs ([NSURL URLWithString:], openURL:) and the did-wake notification, observed on
// the shared workspace's notification centre with the main operation queue.
// Threads: calls from the main thread; wake observers run on the main thread. Cancelling or
// dropping an observer's handle is safe from any thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Workspace.h"

namespace kestravane::platform::macos {

class MacWorkspace final : public Workspace {
 public:
  std::optional<URL> urlWithString(const std::string& string) override;
  bool openURL(const URL& url) override;
  // A wake already queued for the main queue when the handle goes is dropped too.
  std::shared_ptr<Cancellable> addDidWakeObserver(std::function<void()> observer) override;
};

}  // namespace kestravane::platform::macos
