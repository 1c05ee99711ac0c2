// The virtual Mac's NSWorkspace: URL parsing as [NSURL URLWithString:] does it, opening URLs
// (recorded, so tests and the demo panel can see which System Settings pane was asked for), and
// the did-wake notification, whose observers run on the main queue.
// Threads: thread-safe; any thread may call. Wake observers run only on the main queue given
// at construction. The opened-URLs observer runs on the thread that changed the list, after the
// change, with no lock held.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Host/WakeObservers.h"
#include "Platform/Virtual/ChangeObserver.h"
#include "Platform/Workspace.h"

namespace kestravane::platform::vmac {

class VirtualWorkspace final : public Workspace {
 public:
  // `mainQueue` must not be null: wake observers are posted to it.
  explicit VirtualWorkspace(std::shared_ptr<DispatchQueue> mainQueue);

  // Seam. urlWithString() accepts a string only when it is a well-formed URL as it stands:
  // not empty; only characters allowed in a URL (no spaces, controls, non-ASCII, or any of
  // < > " { } | \ ^ `); every % followed by two hex digits; at most one #; [ ] only in the host.
  std::optional<URL> urlWithString(const std::string& string) override;
  bool openURL(const URL& url) override;
  bool canOpenURL(const URL& url) override;
  // Removing the observer (cancel, or dropping the handle) also drops wakes posted to the main
  // queue but not yet delivered to it.
  std::shared_ptr<Cancellable> addDidWakeObserver(std::function<void()> observer) override;

  // Control.
  std::vector<URL> openedURLs() const;  // every URL asked to be opened, in order
  void clearOpenedURLs();
  // Called after every change of openedURLs() (a URL asked to be opened, or a clear).
  void setOpenedURLsObserver(std::function<void()> observer);
  void setOpenURLResult(bool opens);  // false: no application handles the URL
  // The machine woke up: one block per current observer goes to the main queue.
  void postWake();
  std::size_t wakeObserverCount() const;

 private:
  host::WakeObservers wakeObservers;
  mutable std::mutex mutex;
  std::vector<URL> opened;
  bool openResult = true;
  ChangeObserver openedURLsObserver;  // told with mutex not held
};

}  // namespace kestravane::platform::vmac
