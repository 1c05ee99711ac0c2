// Intercepts the user's key events through an active event tap on a thread of its own
// ("kestravane.eventtap", user-interactive), recognises lone taps of the trigger key, swallows the
// releases that fire (and every Caps Lock event), and tells its delegate of each fire on its own
// serial queue ("kestravane.fire"). Keeps its own health and reports each change.
// Threading: construction, start(), stop() and destruction on the owner's thread (start() and
// stop() are also serialised by `lifecycleLock`); health() from any thread; `onHealthChange` is
// set before start() and then called on the thread that makes the change (the caller of start()
// and stop(), or the tap thread), never while `healthLock` is held, and must not call start() or
// stop() synchronously. The tap callback runs on the tap thread and takes no lock but
// `healthLock`, and that only when the health changes. Locks are only ever nested as
// `lifecycleLock`, then the tap thread's publication lock, then `healthLock`.
// Ownership: create it with std::make_shared. A started engine is kept alive by its tap thread
// until stop() ends that thread, so call stop() before dropping it.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

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

  // Takes the installed platform services and keeps them. A negative `holdTimeoutMs` counts as 0.
  EventTapEngine(TriggerKind trigger, Suppress suppress, std::int64_t holdTimeoutMs,
                 std::weak_ptr<InterceptionEngineDelegate> delegate);
  ~EventTapEngine() override;

  EngineHealth health() const override;
  // Throws EngineError. On return the tap exists and its thread has been launched; the health
  // becomes active shortly afterwards, from the tap thread.
  void start() override;
  // Returns once the tap is gone and its thread has ended, or after 300 ms of waiting.
  void stop() override;

  const TriggerKind trigger;
  const Suppress suppress;
  const std::uint64_t holdTimeoutNanos;
  const std::weak_ptr<InterceptionEngineDelegate> delegate;

  // Told each change of the health, with the new value. Set it before start().
  std::function<void(EngineHealth)> onHealthChange;

 private:
  // One start()'s worth of tap-thread state, and the tap's user data.
  struct TapRun;

  static platform::Event* tapCallback(platform::EventType type, platform::Event* event,
                                      void* userInfo);
  platform::Event* handle(TapRun& run, platform::EventType type, platform::Event* event);
  void submitFire();
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

  mutable std::mutex healthLock;
  EngineHealth _health = EngineHealth::noInputMonitoring;  // guarded by healthLock
};

}  // namespace kestravane
