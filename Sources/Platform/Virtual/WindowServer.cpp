#include "Platform/Virtual/WindowServer.h"

#include <algorithm>
#include <utility>

namespace kestravane::platform::vmac {

WindowServer::WindowServer(std::shared_ptr<PermissionState> permissions)
    : _permissions(std::move(permissions)) {}

std::shared_ptr<VirtualEventTap> WindowServer::addTap(TapLocation location, TapPlacement placement,
                                                      TapOptions options, EventMask mask,
                                                      TapCallback callback, void* userInfo) {
  auto tap =
      std::make_shared<VirtualEventTap>(location, placement, options, mask, callback, userInfo);
  std::lock_guard lock(mutex);
  std::erase_if(chain, [](const Entry& entry) { return entry.tap.expired(); });
  // Head: before every tap of the same location; tail: after all of them.
  auto position = std::find_if(chain.begin(), chain.end(), [&](const Entry& entry) {
    return placement == TapPlacement::headInsert ? entry.location >= location
                                                 : entry.location > location;
  });
  chain.insert(position, Entry{location, tap});
  return tap;
}

std::vector<std::shared_ptr<VirtualEventTap>> WindowServer::tapsInOrder() const {
  std::vector<std::shared_ptr<VirtualEventTap>> taps;
  std::lock_guard lock(mutex);
  for (const auto& entry : chain) {
    if (auto tap = entry.tap.lock(); tap && !tap->isInvalidated()) taps.push_back(std::move(tap));
  }
  return taps;
}

std::chrono::steady_clock::time_point WindowServer::deadline() const {
  return std::chrono::steady_clock::now() + tapTimeout();
}

void WindowServer::post(const Event& event, std::optional<std::uint64_t> happenedAt) {
  std::unique_lock delivery(deliveryMutex);
  Event current = event;
  bool swallowed = false;
  const bool hiddenFromTaps =
      _permissions->secureInput() && (event.type == kEventKeyDown || event.type == kEventKeyUp);
  if (!hiddenFromTaps) {
    for (const auto& tap : tapsInOrder()) {
      auto reply = tap->offer(current, happenedAt);
      if (!reply) continue;
      const auto outcome = reply->wait(deadline());
      if (outcome == TapReply::Outcome::timedOut) {
        tap->disableWithNotice(kEventTapDisabledByTimeout, nullptr);
        std::lock_guard lock(mutex);
        ++timeouts;
        continue;
      }
      if (outcome == TapReply::Outcome::released || tap->options == TapOptions::listenOnly) {
        continue;
      }
      auto result = reply->result();
      if (!result) {
        swallowed = true;
        break;
      }
      current = *result;
    }
  }
  if (swallowed) return;
  std::function<void(const Event&)> observer;
  std::shared_ptr<ForegroundText> text;
  {
    std::lock_guard lock(mutex);
    received.push_back(current);
    ++_receivedCount;
    if (received.size() > kReceivedHistoryLimit) received.pop_front();
    observer = foregroundObserver;
    text = foregroundText;
  }
  if (text) text->receive(current);
  if (observer) observer(current);
}

void WindowServer::sendNotice(const std::vector<std::shared_ptr<VirtualEventTap>>& taps,
                              EventType notice) {
  std::unique_lock delivery(deliveryMutex);
  std::vector<std::shared_ptr<TapReply>> replies;
  for (const auto& tap : taps) {
    if (!tap->isEnabled()) continue;
    auto reply = std::make_shared<TapReply>();
    if (tap->disableWithNotice(notice, reply)) replies.push_back(std::move(reply));
  }
  const auto until = deadline();
  for (const auto& reply : replies) reply->wait(until);
}

void WindowServer::sendUserInputDisable() {
  sendNotice(tapsInOrder(), kEventTapDisabledByUserInput);
}

void WindowServer::sendUserInputDisable(EventTap& tap) {
  auto* virtualTap = dynamic_cast<VirtualEventTap*>(&tap);
  if (!virtualTap || virtualTap->isInvalidated()) return;
  sendNotice({virtualTap->shared_from_this()}, kEventTapDisabledByUserInput);
}

void WindowServer::sendTimeoutDisable() {
  sendNotice(tapsInOrder(), kEventTapDisabledByTimeout);
}

void WindowServer::setTapTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard lock(mutex);
  _tapTimeout = timeout;
}

std::chrono::milliseconds WindowServer::tapTimeout() const {
  std::lock_guard lock(mutex);
  return _tapTimeout;
}

std::vector<TapInfo> WindowServer::liveTaps() const {
  std::vector<TapInfo> result;
  for (const auto& tap : tapsInOrder()) {
    result.push_back({tap->location, tap->placement, tap->options, tap->mask, tap->isEnabled()});
  }
  return result;
}

bool WindowServer::allTapsServed() const {
  const auto taps = tapsInOrder();
  return std::all_of(taps.begin(), taps.end(), [](const auto& tap) { return tap->isServed(); });
}

std::size_t WindowServer::tapTimeouts() const {
  std::lock_guard lock(mutex);
  return timeouts;
}

std::vector<Event> WindowServer::receivedEvents() const {
  std::lock_guard lock(mutex);
  return std::vector<Event>(received.begin(), received.end());
}

std::uint64_t WindowServer::receivedCount() const {
  std::lock_guard lock(mutex);
  return _receivedCount;
}

std::vector<Event> WindowServer::receivedEventsSince(std::uint64_t& cursor) const {
  std::lock_guard lock(mutex);
  // The history holds the newest received.size() of the _receivedCount events.
  const std::uint64_t oldestKept = _receivedCount - received.size();
  const std::uint64_t first = std::clamp(cursor, oldestKept, _receivedCount);
  cursor = _receivedCount;
  return std::vector<Event>(received.begin() + static_cast<std::ptrdiff_t>(first - oldestKept),
                            received.end());
}

void WindowServer::clearReceivedEvents() {
  std::lock_guard lock(mutex);
  received.clear();
}

void WindowServer::setForegroundObserver(std::function<void(const Event&)> observer) {
  std::lock_guard lock(mutex);
  foregroundObserver = std::move(observer);
}

void WindowServer::setForegroundText(std::shared_ptr<ForegroundText> text) {
  std::lock_guard lock(mutex);
  foregroundText = std::move(text);
}

}  // namespace kestravane::platform::vmac
