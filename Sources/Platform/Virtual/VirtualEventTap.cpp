#include "Platform/Virtual/VirtualEventTap.h"

#include <utility>

#include "Platform/Virtual/EventTimeClock.h"

namespace kestravane::platform::vmac {
namespace {

bool isNotice(EventType type) {
  return type == kEventTapDisabledByTimeout || type == kEventTapDisabledByUserInput;
}

class TapRunLoopSource final : public VirtualRunLoopSource {
 public:
  explicit TapRunLoopSource(std::shared_ptr<VirtualEventTap> tap) : tap(std::move(tap)) {}
  bool perform() override { return tap->serviceOne(); }
  bool hasWork() const override { return tap->hasMessages(); }

 private:
  const std::shared_ptr<VirtualEventTap> tap;
};

}  // namespace

void TapReply::answer(const Event* result) {
  std::lock_guard lock(mutex);
  if (state != State::waiting) return;
  state = State::answered;
  if (result) _result = *result;
  settled.notify_all();
}

void TapReply::release() {
  std::lock_guard lock(mutex);
  if (state != State::waiting) return;
  state = State::released;
  settled.notify_all();
}

TapReply::Outcome TapReply::wait(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex);
  settled.wait_until(lock, deadline, [&] { return state != State::waiting; });
  switch (state) {
    case State::answered:
      return Outcome::answered;
    case State::released:
      return Outcome::released;
    case State::waiting:
    case State::abandoned:
      break;
  }
  state = State::abandoned;
  return Outcome::timedOut;
}

std::optional<Event> TapReply::result() const {
  std::lock_guard lock(mutex);
  return _result;
}

VirtualEventTap::VirtualEventTap(TapLocation location, TapPlacement placement, TapOptions options,
                                 EventMask mask, TapCallback callback, void* userInfo)
    : location(location),
      placement(placement),
      options(options),
      mask(mask),
      callback(callback),
      userInfo(userInfo) {}

void VirtualEventTap::setEnabled(bool on) {
  std::lock_guard lock(mutex);
  if (invalidated) return;
  enabled = on;
  if (!enabled) dropWaitingEvents();
}

void VirtualEventTap::invalidate() {
  std::lock_guard lock(mutex);
  invalidated = true;
  enabled = false;
  for (auto& message : port) {
    if (message.reply) message.reply->release();
  }
  port.clear();
}

std::shared_ptr<RunLoopSource> VirtualEventTap::runLoopSource() {
  std::lock_guard lock(mutex);
  if (invalidated) return nullptr;
  auto current = source.lock();
  if (!current) {
    current = std::make_shared<TapRunLoopSource>(shared_from_this());
    source = current;
  }
  return current;
}

bool VirtualEventTap::isEnabled() const {
  std::lock_guard lock(mutex);
  return enabled;
}

bool VirtualEventTap::isInvalidated() const {
  std::lock_guard lock(mutex);
  return invalidated;
}

bool VirtualEventTap::isServed() const {
  std::shared_ptr<VirtualRunLoopSource> current;
  {
    std::lock_guard lock(mutex);
    current = source.lock();
  }
  const auto loop = current ? current->loop() : nullptr;
  return loop && loop->isRunning();
}

std::shared_ptr<TapReply> VirtualEventTap::offer(const Event& event,
                                                 std::optional<std::uint64_t> happenedAt) {
  if (event.type >= 64 || (mask & eventMaskBit(event.type)) == 0) return nullptr;
  auto reply = std::make_shared<TapReply>();
  {
    std::lock_guard lock(mutex);
    if (!enabled || invalidated) return nullptr;
    port.push_back({event, reply, happenedAt});
  }
  signalSource();
  return reply;
}

bool VirtualEventTap::disableWithNotice(EventType notice, std::shared_ptr<TapReply> reply) {
  {
    std::lock_guard lock(mutex);
    if (invalidated) return false;
    enabled = false;
    dropWaitingEvents();
    port.push_back({Event{notice, 0, 0, 0}, std::move(reply), std::nullopt});
  }
  signalSource();
  return true;
}

bool VirtualEventTap::serviceOne() {
  Message message;
  {
    std::lock_guard lock(mutex);
    if (port.empty()) return false;
    message = std::move(port.front());
    port.pop_front();
  }
  // The callback runs unlocked: it may enable or disable this very tap.
  Event* result = nullptr;
  {
    const EventTimeClock::Delivery delivery(message.happenedAt);
    result = callback(message.event.type, &message.event, userInfo);
  }
  if (message.reply) message.reply->answer(result);
  return hasMessages();
}

bool VirtualEventTap::hasMessages() const {
  std::lock_guard lock(mutex);
  return !port.empty();
}

void VirtualEventTap::dropWaitingEvents() {
  std::erase_if(port, [](Message& message) {
    if (isNotice(message.event.type)) return false;
    if (message.reply) message.reply->release();
    return true;
  });
}

void VirtualEventTap::signalSource() {
  std::shared_ptr<VirtualRunLoopSource> current;
  {
    std::lock_guard lock(mutex);
    current = source.lock();
  }
  if (current) current->signal();
}

}  // namespace kestravane::platform::vmac
