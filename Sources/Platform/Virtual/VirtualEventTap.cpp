#include "Platform/Virtual/VirtualEventTap.h"

#include <utility>

namespace kestravane::platform::vmac {
namespace {

bool isNotice(EventType type) {
  return type == kEventTapDisabledByTimeout || type == kEventTapDisabledByUserInput;
}

class TapRunLoopSource final : public VirtualRunLoopSource {
 public:
  explicit TapRunLoopSource(std::shared_ptr<VirtualEventTap> tap) : tap_(std::move(tap)) {}
  bool perform() override { return tap_->serviceOne(); }
  bool hasWork() const override { return tap_->hasMessages(); }

 private:
  const std::shared_ptr<VirtualEventTap> tap_;
};

}  // namespace

void TapReply::answer(const Event* result) {
  std::lock_guard lock(mutex_);
  if (state_ != State::waiting) return;
  state_ = State::answered;
  if (result) result_ = *result;
  settled_.notify_all();
}

void TapReply::release() {
  std::lock_guard lock(mutex_);
  if (state_ != State::waiting) return;
  state_ = State::released;
  settled_.notify_all();
}

TapReply::Outcome TapReply::wait(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  settled_.wait_until(lock, deadline, [&] { return state_ != State::waiting; });
  switch (state_) {
    case State::answered:
      return Outcome::answered;
    case State::released:
      return Outcome::released;
    case State::waiting:
    case State::abandoned:
      break;
  }
  state_ = State::abandoned;
  return Outcome::timedOut;
}

std::optional<Event> TapReply::result() const {
  std::lock_guard lock(mutex_);
  return result_;
}

VirtualEventTap::VirtualEventTap(TapLocation location_, TapPlacement placement_,
                                 TapOptions options_, EventMask mask_, TapCallback callback,
                                 void* userInfo)
    : location(location_),
      placement(placement_),
      options(options_),
      mask(mask_),
      callback_(callback),
      userInfo_(userInfo) {}

void VirtualEventTap::setEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  if (invalidated_) return;
  enabled_ = enabled;
  if (!enabled) dropWaitingEvents();
}

void VirtualEventTap::invalidate() {
  std::lock_guard lock(mutex_);
  invalidated_ = true;
  enabled_ = false;
  for (auto& message : port_) {
    if (message.reply) message.reply->release();
  }
  port_.clear();
}

std::shared_ptr<RunLoopSource> VirtualEventTap::runLoopSource() {
  std::lock_guard lock(mutex_);
  if (invalidated_) return nullptr;
  auto source = source_.lock();
  if (!source) {
    source = std::make_shared<TapRunLoopSource>(shared_from_this());
    source_ = source;
  }
  return source;
}

bool VirtualEventTap::isEnabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

bool VirtualEventTap::isInvalidated() const {
  std::lock_guard lock(mutex_);
  return invalidated_;
}

std::shared_ptr<TapReply> VirtualEventTap::offer(const Event& event) {
  if (event.type >= 64 || (mask & eventMaskBit(event.type)) == 0) return nullptr;
  auto reply = std::make_shared<TapReply>();
  {
    std::lock_guard lock(mutex_);
    if (!enabled_ || invalidated_) return nullptr;
    port_.push_back({event, reply});
  }
  signalSource();
  return reply;
}

bool VirtualEventTap::disableWithNotice(EventType notice, std::shared_ptr<TapReply> reply) {
  {
    std::lock_guard lock(mutex_);
    if (invalidated_) return false;
    enabled_ = false;
    dropWaitingEvents();
    port_.push_back({Event{notice, 0, 0, 0}, std::move(reply)});
  }
  signalSource();
  return true;
}

bool VirtualEventTap::serviceOne() {
  Message message;
  {
    std::lock_guard lock(mutex_);
    if (port_.empty()) return false;
    message = std::move(port_.front());
    port_.pop_front();
  }
  // The callback runs unlocked: it may enable or disable this very tap.
  Event* result = callback_(message.event.type, &message.event, userInfo_);
  if (message.reply) message.reply->answer(result);
  return hasMessages();
}

bool VirtualEventTap::hasMessages() const {
  std::lock_guard lock(mutex_);
  return !port_.empty();
}

void VirtualEventTap::dropWaitingEvents() {
  std::erase_if(port_, [](Message& message) {
    if (isNotice(message.event.type)) return false;
    if (message.reply) message.reply->release();
    return true;
  });
}

void VirtualEventTap::signalSource() {
  std::shared_ptr<VirtualRunLoopSource> source;
  {
    std::lock_guard lock(mutex_);
    source = source_.lock();
  }
  if (source) source->signal();
}

}  // namespace kestravane::platform::vmac
