// One observer of a control object's changes, which any thread may set or tell: telling copies
// the observer under the slot's own lock and calls it with no lock held, so the observer may read
// the object it watches. The owner tells it after the change, once its own lock is released.
// Threads: any thread. A notice under way while the observer is replaced may still call the
// old one, so an observer holds what it uses by shared ownership.
#pragma once

#include <functional>
#include <mutex>
#include <utility>

namespace kestravane::platform::vmac {

class ChangeObserver {
 public:
  void set(std::function<void()> observer) {
    std::lock_guard lock(mutex);
    current = std::move(observer);
  }

  void notify() const {
    std::function<void()> observer;
    {
      std::lock_guard lock(mutex);
      observer = current;
    }
    if (observer) observer();
  }

 private:
  mutable std::mutex mutex;
  std::function<void()> current;
};

}  // namespace kestravane::platform::vmac
