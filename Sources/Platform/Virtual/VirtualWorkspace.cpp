#include "Platform/Virtual/VirtualWorkspace.h"

#include <utility>

#include "Platform/Host/UrlSyntax.h"

namespace kestravane::platform::vmac {

VirtualWorkspace::VirtualWorkspace(std::shared_ptr<DispatchQueue> mainQueue)
    : wakeObservers(std::move(mainQueue)) {}

std::optional<URL> VirtualWorkspace::urlWithString(const std::string& string) {
  if (!host::isWellFormedURL(string)) return std::nullopt;
  return URL{string};
}

bool VirtualWorkspace::openURL(const URL& url) {
  bool opens = false;
  {
    std::lock_guard lock(mutex);
    opened.push_back(url);
    opens = openResult;
  }
  openedURLsObserver.notify();
  return opens;
}

bool VirtualWorkspace::canOpenURL(const URL&) {
  std::lock_guard lock(mutex);
  return openResult;
}

std::shared_ptr<Cancellable> VirtualWorkspace::addDidWakeObserver(std::function<void()> observer) {
  return wakeObservers.add(std::move(observer));
}

std::vector<URL> VirtualWorkspace::openedURLs() const {
  std::lock_guard lock(mutex);
  return opened;
}

void VirtualWorkspace::clearOpenedURLs() {
  {
    std::lock_guard lock(mutex);
    opened.clear();
  }
  openedURLsObserver.notify();
}

void VirtualWorkspace::setOpenedURLsObserver(std::function<void()> observer) {
  openedURLsObserver.set(std::move(observer));
}

void VirtualWorkspace::setOpenURLResult(bool opens) {
  std::lock_guard lock(mutex);
  openResult = opens;
}

void VirtualWorkspace::postWake() {
  wakeObservers.post();
}

std::size_t VirtualWorkspace::wakeObserverCount() const {
  return wakeObservers.count();
}

}  // namespace kestravane::platform::vmac
