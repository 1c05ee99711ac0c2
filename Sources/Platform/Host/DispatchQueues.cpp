#include "Platform/Host/DispatchQueues.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Platform/Host/ManualClock.h"
#include "Platform/Host/SerialQueue.h"

namespace kestravane::platform::host {
namespace {

constexpr std::uint64_t kMaxNanos = std::numeric_limits<std::uint64_t>::max();

std::uint64_t toNanos(double seconds) {
  if (!(seconds > 0)) return 0;
  if (seconds >= 1e18) return 1'000'000'000'000'000'000u;  // ~31 years: later than any test
  return static_cast<std::uint64_t>(std::llround(seconds * 1e9));
}

std::uint64_t addSaturating(std::uint64_t a, std::uint64_t b) {
  return a > kMaxNanos - b ? kMaxNanos : a + b;
}

}  // namespace

struct DispatchQueues::MainState {
  struct Timer {
    std::function<void()> block;
    std::uint64_t intervalNanos = 0;
    std::atomic<bool> cancelled{false};
  };
  struct Item {
    std::function<void()> block;
    std::shared_ptr<Timer> timer;  // set for a repeating timer's next run
  };
  using Key = std::pair<std::uint64_t, std::uint64_t>;  // due time, submission number

  explicit MainState(std::shared_ptr<Clock> uptimeClock)
      : clock(std::move(uptimeClock)), manual(dynamic_cast<ManualClock*>(clock.get())) {}

  std::uint64_t now() const { return clock->uptimeNanos(); }

  void submit(std::uint64_t due, Item item) {
    std::function<void()> handler;
    {
      std::lock_guard lock(mutex);
      if (closed) return;  // `item` is destroyed after the lock is released
      items.emplace(Key{due, nextNumber++}, std::move(item));
      handler = wake;
    }
    posted.notify_all();
    if (handler) handler();
  }

  bool hasDueLocked(std::uint64_t at) const {
    return !items.empty() && items.begin()->first.first <= at;
  }

  // Runs the earliest block due now; false when none is due.
  bool runOne() {
    const std::uint64_t at = now();
    Key key;
    Item item;
    {
      std::lock_guard lock(mutex);
      if (!hasDueLocked(at)) return false;
      auto node = items.extract(items.begin());
      key = node.key();
      item = std::move(node.mapped());
    }
    if (!item.timer) {
      item.block();
      return true;
    }
    if (item.timer->cancelled.load()) return true;
    item.timer->block();
    if (item.timer->cancelled.load()) return true;
    // A late run (real clock) skips the missed times, as NSTimer does.
    const std::uint64_t interval = item.timer->intervalNanos;
    const std::uint64_t after = now();
    const std::uint64_t skipped = after > key.first ? (after - key.first) / interval : 0;
    const std::uint64_t due = addSaturating(key.first, (skipped + 1) * interval);
    submit(due, Item{nullptr, std::move(item.timer)});
    return true;
  }

  std::size_t runUpTo(std::size_t limit) {
    std::size_t ran = 0;
    while (ran < limit && runOne()) ++ran;
    return ran;
  }

  void removeTimer(const Timer* timer) {
    std::vector<Item> removed;
    std::lock_guard lock(mutex);
    for (auto it = items.begin(); it != items.end();) {
      if (it->second.timer.get() == timer) {
        removed.push_back(std::move(it->second));
        it = items.erase(it);
      } else {
        ++it;
      }
    }
    // `removed` is destroyed before the lock is released; it holds only the timer's shared
    // state, which the cancelling handle still owns, so no block is destroyed here.
  }

  const std::shared_ptr<Clock> clock;
  ManualClock* const manual;
  mutable std::mutex mutex;
  std::condition_variable posted;
  std::map<Key, Item> items;
  std::uint64_t nextNumber = 0;
  bool closed = false;
  std::function<void()> wake;
};

namespace {

class MainQueue final : public DispatchQueue {
 public:
  explicit MainQueue(std::shared_ptr<DispatchQueues::MainState> state)
      : state(std::move(state)), _label(DispatchQueues::kMainQueueLabel) {}
  void async(std::function<void()> block) override {
    state->submit(state->now(), {std::move(block), nullptr});
  }
  const std::string& label() const override { return _label; }

 private:
  const std::shared_ptr<DispatchQueues::MainState> state;
  const std::string _label;
};

class TimerHandle final : public Cancellable {
 public:
  TimerHandle(std::weak_ptr<DispatchQueues::MainState> state,
              std::shared_ptr<DispatchQueues::MainState::Timer> timer)
      : state(std::move(state)), timer(std::move(timer)) {}
  ~TimerHandle() override { cancel(); }
  void cancel() override {
    if (timer->cancelled.exchange(true)) return;
    if (auto live = state.lock()) live->removeTimer(timer.get());
  }

 private:
  const std::weak_ptr<DispatchQueues::MainState> state;
  const std::shared_ptr<DispatchQueues::MainState::Timer> timer;
};

}  // namespace

DispatchQueues::DispatchQueues(std::shared_ptr<Clock> clock, std::shared_ptr<HostThreads> threads)
    : main(std::make_shared<MainState>(std::move(clock))),
      threads(std::move(threads)),
      _mainQueue(std::make_shared<MainQueue>(main)) {}

DispatchQueues::~DispatchQueues() {
  std::map<MainState::Key, MainState::Item> dropped;
  std::function<void()> wake;
  {
    std::lock_guard lock(main->mutex);
    main->closed = true;
    dropped = std::move(main->items);
    main->items.clear();
    wake = std::move(main->wake);
    main->wake = nullptr;
  }
  // `dropped` and `wake` go here, unlocked: what they hold may cancel timers as it is destroyed.
}

std::shared_ptr<DispatchQueue> DispatchQueues::mainQueue() {
  return _mainQueue;
}

std::shared_ptr<DispatchQueue> DispatchQueues::createSerialQueue(const std::string& label) {
  auto queue = std::make_shared<SerialQueue>(label);
  std::lock_guard lock(serialQueuesMutex);
  std::erase_if(serialQueues, [](const auto& weak) { return weak.expired(); });
  serialQueues.push_back(queue);
  return queue;
}

bool DispatchQueues::drainSerialQueues(std::chrono::milliseconds realLimit,
                                       std::string_view label) {
  std::vector<std::shared_ptr<SerialQueue>> live;
  {
    std::lock_guard lock(serialQueuesMutex);
    for (const auto& weak : serialQueues) {
      auto queue = weak.lock();
      if (queue && (label.empty() || queue->label() == label)) live.push_back(std::move(queue));
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + realLimit;
  for (const auto& queue : live) {
    if (!queue->waitUntilRun(deadline)) return false;
  }
  return true;
}

std::size_t DispatchQueues::serialBlocksRun(std::string_view label) const {
  std::vector<std::shared_ptr<SerialQueue>> live;
  {
    std::lock_guard lock(serialQueuesMutex);
    for (const auto& weak : serialQueues) {
      auto queue = weak.lock();
      if (queue && queue->label() == label) live.push_back(std::move(queue));
    }
  }
  // Counted, and the references dropped, outside the lock: a queue whose last reference goes
  // here joins its worker, which may be creating a queue.
  std::size_t count = 0;
  for (const auto& queue : live) count += queue->blocksRun();
  return count;
}

void DispatchQueues::asyncAfterOnMain(double seconds, std::function<void()> block) {
  main->submit(addSaturating(main->now(), toNanos(seconds)), {std::move(block), nullptr});
}

std::shared_ptr<Cancellable> DispatchQueues::scheduleRepeatingOnMain(double intervalSeconds,
                                                                     std::function<void()> block) {
  auto timer = std::make_shared<MainState::Timer>();
  timer->block = std::move(block);
  timer->intervalNanos = toNanos(std::max(intervalSeconds, kMinimumTimerInterval));
  const std::uint64_t due = addSaturating(main->now(), timer->intervalNanos);
  auto handle = std::make_shared<TimerHandle>(main, timer);
  main->submit(due, {nullptr, std::move(timer)});
  return handle;
}

void DispatchQueues::driving() {
  if (threads) threads->setMainThreadToCurrent();
}

std::size_t DispatchQueues::runPending() {
  driving();
  return main->runUpTo(kRunLimit);
}

std::size_t DispatchQueues::advance(double seconds) {
  ManualClock* clock = main->manual;
  if (!clock) throw std::logic_error("DispatchQueues::advance needs a ManualClock");
  driving();
  std::size_t ran = main->runUpTo(kRunLimit);
  const std::uint64_t target = addSaturating(clock->uptimeNanos(), toNanos(seconds));
  while (ran < kRunLimit) {
    const auto next = nextDeadline();
    if (!next || *next > target) break;
    if (*next > clock->uptimeNanos()) clock->set(*next);
    ran += main->runUpTo(kRunLimit - ran);
  }
  if (clock->uptimeNanos() < target) clock->set(target);
  ran += main->runUpTo(kRunLimit - std::min(ran, kRunLimit));
  return ran;
}

bool DispatchQueues::waitForWork(std::chrono::milliseconds realTimeout) {
  driving();
  using Steady = std::chrono::steady_clock;
  const auto until = Steady::now() + realTimeout;
  std::unique_lock lock(main->mutex);
  for (;;) {
    const std::uint64_t at = main->now();
    if (main->hasDueLocked(at)) return true;
    if (Steady::now() >= until) return false;
    auto wakeAt = until;
    // A real clock reaches the earliest due time by itself; a manual one only by advance().
    if (!main->manual && !main->items.empty()) {
      const auto now = Steady::now();
      const std::uint64_t gap = main->items.begin()->first.first - at;
      const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
      if (gap < static_cast<std::uint64_t>(left.count())) {
        wakeAt = now + std::chrono::nanoseconds(static_cast<std::int64_t>(gap));
      }
    }
    main->posted.wait_until(lock, wakeAt);
  }
}

std::optional<std::uint64_t> DispatchQueues::nextDeadline() const {
  std::lock_guard lock(main->mutex);
  if (main->items.empty()) return std::nullopt;
  return main->items.begin()->first.first;
}

void DispatchQueues::setWakeHandler(std::function<void()> handler) {
  std::lock_guard lock(main->mutex);
  main->wake = std::move(handler);
}

std::size_t DispatchQueues::waitingCount() const {
  std::lock_guard lock(main->mutex);
  return main->items.size();
}

}  // namespace kestravane::platform::host
