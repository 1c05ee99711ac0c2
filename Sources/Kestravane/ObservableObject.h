// Observation for the interface: an object that tells its observers before each change of its
// published state (and on demand, without a property change), so that the views can rebuild from
// the current state. Observers are told synchronously, in the order they subscribed, while the
// old value is still in place; a view therefore rebuilds through a RebuildScheduler, which runs
// the rebuild on a later main-queue turn, once the new values are in place.
// Threads: main thread only: creating, subscribing, notifying, publishing and every
// Subscription operation. Subscribing and notifying off the main thread abort (after one log
// line). An observer must not change the object from inside its call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "Kestravane/MainThreadChecker.h"

namespace kestravane {

template <typename T>
class Published;

// Keeps one observer subscribed for as long as it lives. It may outlive the object it observes.
class Subscription {
 public:
  Subscription() = default;
  Subscription(Subscription&& other) noexcept;
  Subscription& operator=(Subscription&& other) noexcept;
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  ~Subscription();

  // Unsubscribes; the observer is not called again, not even later in a notification under way.
  void cancel();
  bool isActive() const;

  struct Registry;

 private:
  friend class ObservableObject;
  Subscription(std::weak_ptr<Registry> registry, std::uint64_t id);

  std::weak_ptr<Registry> registry;
  std::uint64_t id = 0;
};

class ObservableObject {
 public:
  // Uses the services' threads and log to enforce the main-thread rule, and names their main
  // queue as the one its observers rebuild on.
  explicit ObservableObject(const platform::Services& services);
  ObservableObject(const ObservableObject&) = delete;
  ObservableObject& operator=(const ObservableObject&) = delete;
  virtual ~ObservableObject();

  // `observer` is called before every change, until the returned handle is dropped or cancelled.
  [[nodiscard]] Subscription subscribe(std::function<void()> observer);
  std::size_t observerCount() const;
  // The main queue of the services the object was made with.
  const std::shared_ptr<platform::DispatchQueue>& mainQueue() const { return queue; }

 protected:
  // objectWillChange: tells every current observer; also used for a change that no published
  // property shows (the observers re-read the real state).
  void sendWillChange();

 private:
  template <typename T>
  friend class Published;

  const std::shared_ptr<Subscription::Registry> registry;
  const MainThreadChecker mainThread;
  const std::shared_ptr<platform::DispatchQueue> queue;
};

}  // namespace kestravane
