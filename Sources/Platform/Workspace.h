// NSWorkspace: opening URLs and the did-wake notification.
// Threads: calls from the main thread; wake observers run on the main queue.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Dispatch.h"

namespace kestravane::platform {

// NSURL, reduced to its absolute string.
struct URL {
  std::string absoluteString;
  bool operator==(const URL&) const = default;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  // [NSURL URLWithString:]: absent when the string is not a valid URL.
  virtual std::optional<URL> urlWithString(const std::string& string) = 0;
  // [NSWorkspace.sharedWorkspace openURL:]; whether the system opened it.
  virtual bool openURL(const URL& url) = 0;
  // Whether something on this system would open `url`, without opening it (a Mac has an
  // application for every URL the program opens; a Linux desktop may lack its settings program).
  virtual bool canOpenURL(const URL&) { return true; }
  // Observes NSWorkspaceDidWakeNotification on the shared workspace's notification centre; the
  // observer runs on the main queue. Cancelling or dropping the handle removes the observer.
  virtual std::shared_ptr<Cancellable> addDidWakeObserver(std::function<void()> observer) = 0;
};

}  // namespace kestravane::platform
