#include "KestravaneKit/EventTapEngine.h"

#include <string>
#include <utility>

#include "KestravaneKit/LogLines.h"

namespace kestravane {
namespace {

using platform::EventType;

// The keys, and what else the user may do while holding the trigger: a click (a right-Command
// click) or a media or brightness key (fn with a brightness key) spoils a lone tap.
constexpr platform::EventMask kEngineEventMask =
    platform::eventMaskBit(platform::kEventKeyDown) |
    platform::eventMaskBit(platform::kEventKeyUp) |
    platform::eventMaskBit(platform::kEventFlagsChanged) |
    platform::eventMaskBit(platform::kEventLeftMouseDown) |
    platform::eventMaskBit(platform::kEventRightMouseDown) |
    platform::eventMaskBit(platform::kEventOtherMouseDown) |
    platform::eventMaskBit(platform::kEventSystemDefined);  // 0x2005C0A

const char* boolText(bool value) {
  return value ? "true" : "false";
}

}  // namespace

// The press being tracked lives here rather than in the engine: each start() makes a fresh one,
// so a late tap thread of an earlier start (one that stop() gave up waiting for) never shares it
// with the current thread, and start() never writes what a tap thread may still be reading.
struct EventTapEngine::TapRun {
  explicit TapRun(EventTapEngine& owner) : engine(owner) {}

  // The tap thread holds the engine strongly while its run loop runs, and callbacks come only
  // from that loop, so the engine outlives every call.
  EventTapEngine& engine;
  PressState press;                // the tap thread only
  TapThread* tapThread = nullptr;  // set before the thread starts; alive while its loop runs
};

const char* EventTapEngine::EngineError::what() const noexcept {
  switch (value) {
    case alreadyStarted:
      return "alreadyStarted";
    case noInputMonitoring:
      return "noInputMonitoring";
    case noAccessibility:
      return "noAccessibility";
    case tapCreationFailed:
      break;
  }
  return "tapCreationFailed";
}

std::shared_ptr<EventTapEngine> EventTapEngine::create(
    std::shared_ptr<const platform::Services> services, TriggerKind trigger, Suppress suppress,
    std::int64_t holdTimeoutMs, std::weak_ptr<InterceptionEngineDelegate> delegate) {
  return std::shared_ptr<EventTapEngine>(new EventTapEngine(std::move(services), trigger, suppress,
                                                            holdTimeoutMs, std::move(delegate)));
}

EventTapEngine::EventTapEngine(std::shared_ptr<const platform::Services> services,
                               TriggerKind trigger, Suppress suppress, std::int64_t holdTimeoutMs,
                               std::weak_ptr<InterceptionEngineDelegate> delegate)
    : trigger(trigger),
      suppress(suppress),
      holdTimeoutNanos(TriggerDecision::holdTimeoutNanosFor(holdTimeoutMs)),
      delegate(std::move(delegate)),
      services(std::move(services)),
      fireQueue(this->services->dispatch->createSerialQueue("kestravane.fire")),
      mainQueue(this->services->dispatch->mainQueue()) {}

EventTapEngine::~EventTapEngine() {
  stop();
}

EngineHealth EventTapEngine::health() const {
  std::lock_guard lock(healthLock);
  return _health;
}

void EventTapEngine::start() {
  std::lock_guard lifecycle(lifecycleLock);
  if (started) throw EngineError(EngineError::alreadyStarted);

  const bool trusted = services->accessibility->isProcessTrusted();
  const bool listenAccess = services->eventTaps->preflightListenEventAccess();
  services->log->log(std::string(logline::kEngineStartPrefix) + boolText(trusted) +
                     std::string(logline::kEngineStartListenAccess) + boolText(listenAccess));
  // An active tap needs post-event access, which a trusted program can still lack.
  services->log->log(std::string(logline::kEnginePostEventAccess) +
                     boolText(services->eventTaps->preflightPostEventAccess()));

  if (!trusted) {
    // Without trust the tap is not even attempted, so the system never lists the program under
    // Input Monitoring.
    services->log->log(logline::kEngineNoAccessibility);
    setHealth(EngineHealth::noAccessibility);
    throw EngineError(EngineError::noAccessibility);
  }

  auto tapRun = std::make_shared<TapRun>(*this);  // a fresh press state: nothing held yet

  auto tap = services->eventTaps->tapCreate(platform::TapLocation::session,
                                            platform::TapPlacement::headInsert,
                                            platform::TapOptions::defaultTap, kEngineEventMask,
                                            &EventTapEngine::tapCallback, tapRun.get());
  if (!tap) {
    services->log->log(logline::kEngineTapCreateFailed);
    setHealth(EngineHealth::noInputMonitoring);
    throw EngineError(EngineError::noInputMonitoring);
  }
  auto newThread = std::make_shared<TapThread>(services, std::move(tap));
  services->log->log(logline::kEngineTapCreated);
  tapRun->tapThread = newThread.get();
  // The body holds the engine and the thread's state only weakly until it runs, so a stop() or
  // a drop that comes first lets the thread end at once. It owns the tap's user data.
  try {
    newThread->launch(
        "kestravane.eventtap", platform::QualityOfService::userInteractive,
        [weakSelf = weak_from_this(), weakThread = std::weak_ptr<TapThread>(newThread),
         tapRun = std::move(tapRun)] {
          if (auto self = weakSelf.lock()) self->threadBody(weakThread);
        });
  } catch (...) {
    // No thread runs the tap: tear it down and stay stopped, so a later start() can try again.
    newThread->stop();
    throw;
  }
  tapThread = std::move(newThread);
  started = true;
}

void EventTapEngine::threadBody(const std::weak_ptr<TapThread>& weakThread) {
  const auto run = weakThread.lock();
  if (!run) return;
  // The health becomes active inside the publication, so a stop() that has begun cannot be
  // followed by a late "active".
  EngineHealth old = EngineHealth::active;
  if (!run->attach([&] { old = exchangeHealth(EngineHealth::active); })) return;
  reportHealthChange(old, EngineHealth::active);
  // This thread's strong reference keeps the engine alive until stop() ends the loop.
  run->run();
}

void EventTapEngine::stop() {
  std::lock_guard lifecycle(lifecycleLock);
  if (!started) return;
  if (auto run = std::exchange(tapThread, nullptr)) run->stop();
  started = false;
  setHealth(EngineHealth::noInputMonitoring);
}

platform::Event* EventTapEngine::tapCallback(EventType type, platform::Event* event,
                                             void* userInfo) {
  auto& run = *static_cast<TapRun*>(userInfo);
  return run.engine.handle(run, type, event);
}

void EventTapEngine::setSecureInputActive(bool active) {
  secureInputActive.store(active, std::memory_order_relaxed);
}

platform::Event* EventTapEngine::handle(TapRun& run, EventType type, platform::Event* event) {
  const TriggerDecision decision(trigger, suppress, holdTimeoutNanos);
  std::int64_t keyCode = 0;
  platform::EventFlags flags = 0;
  if (event != nullptr && !platform::isTapDisabledNotice(type)) {
    const auto& taps = *services->eventTaps;
    keyCode = taps.integerValueField(*event, platform::kKeyboardEventKeycode);
    flags = taps.flags(*event);
  }
  const std::uint64_t now = decision.needsClock(type, keyCode) ? services->clock->uptimeNanos() : 0;

  const TriggerVerdict verdict = decision.decide(type, keyCode, flags, now, run.press);
  if (verdict.pressBegan) askSecureInputOnMain();
  if (secureInputActive.load(std::memory_order_relaxed) && !platform::isTapDisabledNotice(type)) {
    // The keys typed with the trigger are hidden from the tap now: nothing fires or is swallowed,
    // and a press begun before cannot fire at its release after. A press that begins now is kept:
    // the main thread may answer that secure input is over before it is released.
    if (!verdict.pressBegan) run.press.reset();
    return event;
  }
  if (verdict.tapDisabled) {
    setHealth(EngineHealth::tapDisabled);
    // Once stop() has begun the tap counts as gone and stays off.
    if (!run.tapThread->isStopRequested()) {
      services->eventTaps->tapEnable(*run.tapThread->tap, true);
      setHealth(EngineHealth::active);
    }
    return event;
  }
  if (verdict.fire) {
    // Selected here the switch waits for no other thread; where the platform cannot, the delegate
    // switches on the main thread as before.
    submitFire(selectsLayoutOnTap
                   ? services->eventTaps->selectNextLayoutFromTap(*run.tapThread->tap)
                   : std::nullopt);
  }
  return verdict.pass ? event : nullptr;
}

void EventTapEngine::submitFire(std::optional<std::size_t> selected) {
  fireQueue->async([weakSelf = weak_from_this(), selected] {
    std::shared_ptr<InterceptionEngineDelegate> receiver;
    if (auto self = weakSelf.lock()) receiver = self->delegate.lock();
    // The engine reference is already dropped here, so the delegate never outlives it by holding
    // it.
    if (!receiver) return;
    if (selected) {
      receiver->engineDidFireHavingSelected(*selected);
    } else {
      receiver->engineDidFire();
    }
  });
}

void EventTapEngine::askSecureInputOnMain() {
  // Secure input hides the keys typed with the trigger (⌘V into a password field), so a release
  // that looks lone must not be swallowed then: the application would keep ⌘ held. The main
  // thread answers long before a release 300 ms later; the question is not safe to ask here.
  mainQueue->async([weakSelf = weak_from_this()] {
    if (auto self = weakSelf.lock()) {
      self->setSecureInputActive(self->services->accessibility->isSecureEventInputEnabled());
    }
  });
}

void EventTapEngine::setHealth(EngineHealth health) {
  reportHealthChange(exchangeHealth(health), health);
}

EngineHealth EventTapEngine::exchangeHealth(EngineHealth health) {
  std::lock_guard lock(healthLock);
  return std::exchange(_health, health);
}

void EventTapEngine::reportHealthChange(EngineHealth old, EngineHealth health) const {
  if (old != health && onHealthChange) onHealthChange(health);
}

}  // namespace kestravane
