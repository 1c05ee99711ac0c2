// Observation for the interface: an object that tells its observers after its published state
// has changed, and only when a value really changed, so that the windows update what they show
// from the current state. Observers are told synchronously, in the order they subscribed.
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
  // Uses the services' threads and log to enforce the main-thread rule.
  explicit ObservableObject(const platform::Services& services);
  ObservableObject(const ObservableObject&) = delete;
  ObservableObject& operator=(const ObservableObject&) = delete;
  virtual ~ObservableObject();

  // `observer` is called after every change, until the returned handle is dropped or cancelled.
  [[nodiscard]] Subscription subscribe(std::function<void()> observer);
  std::size_t observerCount() const;

 protected:
  // Tells every current observer that something changed. Published values call it; the owner
  // calls it itself when the system's state it shows may differ from what an observer showed
  // although no published value changed (a refused change it was asked for).
  void notifyChanged();

 private:
  template <typename T>
  friend class Published;

  const std::shared_ptr<Subscription::Registry> registry;
  const MainThreadChecker mainThread;
};

}  // namespace kestravane
