// Intercepts the user's key events through an active event tap on a thread of its own
// ("kestravane.eventtap", user-interactive), recognises lone taps of the trigger key, swallows the
// releases that fire (and every Caps Lock event), and tells its delegate of each fire on its own
// serial queue ("kestravane.fire"). Asked to (`selectsLayoutOnTap`), it first has the platform
// select the next layout from the tap thread, where the platform can do that without waiting
// (X11), and tells the delegate which one it selected. Mouse clicks and media keys count as other
// keys and always pass. While told that secure input is on, it passes every event and fires
// nothing; at each trigger press it has the main thread ask, so that the release of a press made
// in a password field passes. Keeps its own health and reports each change.
// Threads: create(), start(), stop() and destruction on the owner's thread; health() and
//   setSecureInputActive() from any thread; the tap callback on the tap thread, where a fire posts
//   one block and may have the platform send the layout's selection, waiting for neither;
//   `onHealthChange` on the thread that makes the change (the caller of start()/stop(), or the tap
//   thread), set before start(), never called with a lock held, and it must not call start() or
//   stop() synchronously.
// Locks: `lifecycleLock` (start/stop), then the tap thread's publication lock, then `healthLock`,
//   never in another order. The tap callback takes only `healthLock`, and only when the health
//   changes.
// Ownership: only through create(), as a std::shared_ptr. A started engine is kept alive by its
//   tap thread until stop() ends that thread, so call stop() before dropping it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "KestravaneCore/InterceptionEngine.h"
#include "KestravaneKit/TapThread.h"
#include "KestravaneKit/TriggerDecision.h"
#include "Platform/Services.h"

namespace kestravane {

class EventTapEngine final : public InterceptionEngine,
                             public std::enable_shared_from_this<EventTapEngine> {
 public:
  using Suppress = TapSuppress;

  // What start() throws; its text is the name of its case.
  class EngineError : public std::exception {
   public:
    enum class Case { alreadyStarted, noInputMonitoring, noAccessibility, tapCreationFailed };
    using enum Case;

    explicit EngineError(Case errorCase) noexcept : value(errorCase) {}
    Case errorCase() const noexcept { return value; }
    const char* what() const noexcept override;
    bool operator==(const EngineError& other) const noexcept { return value == other.value; }

   private:
    Case value;
  };

  // Keeps the services it is given. A negative `holdTimeoutMs` counts as 0.
  static std::shared_ptr<EventTapEngine> create(std::shared_ptr<const platform::Services> services,
                                                TriggerKind trigger, Suppress suppress,
                                                std::int64_t holdTimeoutMs,
                                                std::weak_ptr<InterceptionEngineDelegate> delegate);
  ~EventTapEngine() override;
  EventTapEngine(const EventTapEngine&) = delete;
  EventTapEngine& operator=(const EventTapEngine&) = delete;

  EngineHealth health() const override;
  // Throws EngineError. On return the tap exists and its thread has been launched; the health
  // becomes active shortly afterwards, from the tap thread. When the thread cannot be launched
  // the tap is invalidated, the engine stays stopped, and the launch's exception propagates.
  void start() override;
  // Returns once the tap is gone and its thread has ended, or after 300 ms of waiting.
  void stop() override;

  // Whether secure keyboard entry is on, as the main thread last asked the system (the question
  // is not safe to ask from the tap thread). Lock-free; kept across stop() and start().
  void setSecureInputActive(bool active);

  const TriggerKind trigger;
  const Suppress suppress;
  const std::uint64_t holdTimeoutNanos;
  const std::weak_ptr<InterceptionEngineDelegate> delegate;

  // Told each change of the health, with the new value. Set it before start().
  std::function<void(EngineHealth)> onHealthChange;
  // Whether a fire has the platform select the next layout at once, on the tap thread
  // (EventTaps::selectNextLayoutFromTap), before the delegate hears of it. Set it before start().
  bool selectsLayoutOnTap = false;

 private:
  // One start()'s worth of tap-thread state, and the tap's user data.
  struct TapRun;

  EventTapEngine(std::shared_ptr<const platform::Services> services, TriggerKind trigger,
                 Suppress suppress, std::int64_t holdTimeoutMs,
                 std::weak_ptr<InterceptionEngineDelegate> delegate);

  static platform::Event* tapCallback(platform::EventType type, platform::Event* event,
                                      void* userInfo);
  platform::Event* handle(TapRun& run, platform::EventType type, platform::Event* event);
  void submitFire(std::optional<std::size_t> selected);
  // Has the main thread ask whether secure input is on and tell the engine.
  void askSecureInputOnMain();
  void threadBody(const std::weak_ptr<TapThread>& weakThread);

  void setHealth(EngineHealth health);
  EngineHealth exchangeHealth(EngineHealth health);
  void reportHealthChange(EngineHealth old, EngineHealth health) const;

  const std::shared_ptr<const platform::Services> services;

  std::mutex lifecycleLock;
  // The tap, its thread and their run loop while started.
  std::shared_ptr<TapThread> tapThread;  // guarded by lifecycleLock
  bool started = false;                  // guarded by lifecycleLock

  const std::shared_ptr<platform::DispatchQueue> fireQueue;
  const std::shared_ptr<platform::DispatchQueue> mainQueue;
  std::atomic<bool> secureInputActive{false};  // read by the tap callback

  mutable std::mutex healthLock;
  EngineHealth _health = EngineHealth::noInputMonitoring;  // guarded by healthLock
};

}  // namespace kestravane
