#include "Platform/Host/HostThreads.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace kestravane::platform::host {
namespace {

// Linux keeps at most 15 characters of a thread's name.
std::string osThreadName(const std::string& name) {
  return name.substr(0, 15);
}

struct ThreadRecord {
  std::mutex mutex;
  std::string name;
  QualityOfService qualityOfService = QualityOfService::defaultQoS;
  std::function<void()> body;
  bool started = false;
  std::optional<pthread_t> handle;  // set while the thread may still be renamed
  std::atomic<bool> finished{false};
};

}  // namespace

struct HostThreads::Registry {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::atomic<std::thread::id> mainThread{std::this_thread::get_id()};
  std::vector<std::shared_ptr<ThreadRecord>> running;  // started, in start order
  std::vector<std::pair<std::shared_ptr<ThreadRecord>, std::thread>> owned;
  std::size_t started = 0;
  std::size_t finished = 0;
  bool closed = false;      // the component is gone: new threads are detached
  bool startsHeld = false;  // started threads wait before their body while set
  std::chrono::milliseconds exitWait{2000};

  // Joins the threads whose bodies have ended; called without the mutex held.
  void reap() {
    std::vector<std::thread> ended;
    {
      std::lock_guard lock(mutex);
      for (auto it = owned.begin(); it != owned.end();) {
        if (it->first->finished.load()) {
          ended.push_back(std::move(it->second));
          it = owned.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (auto& thread : ended) thread.join();
  }

  void waitWhileStartsHeld() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return !startsHeld; });
  }

  void threadFinished(ThreadRecord& record) {
    {
      std::lock_guard recordLock(record.mutex);
      record.handle.reset();
      record.finished.store(true);
    }
    std::lock_guard lock(mutex);
    ++finished;
    std::erase_if(running, [&](const auto& entry) { return entry.get() == &record; });
    changed.notify_all();
  }
};

namespace {

class VirtualThread final : public Thread {
 public:
  VirtualThread(std::shared_ptr<HostThreads::Registry> registry, std::function<void()> body)
      : registry(std::move(registry)), record(std::make_shared<ThreadRecord>()) {
    record->body = std::move(body);
  }

  void setName(const std::string& name) override {
    std::lock_guard lock(record->mutex);
    record->name = name;
    if (record->handle) pthread_setname_np(*record->handle, osThreadName(name).c_str());
  }

  void setQualityOfService(QualityOfService qos) override {
    std::lock_guard lock(record->mutex);
    record->qualityOfService = qos;
  }

  void start() override {
    std::function<void()> body;
    {
      std::lock_guard lock(record->mutex);
      if (record->started) throw std::logic_error("NSThread started twice");
      record->started = true;
      body = std::move(record->body);
    }
    registry->reap();
    std::unique_lock lock(registry->mutex);
    ++registry->started;
    registry->running.push_back(record);
    // The record's mutex is held until the new thread's handle is recorded, so the thread's
    // own naming waits for it.
    std::unique_lock recordLock(record->mutex);
    std::thread thread([registry = registry, record = record, body = std::move(body)]() mutable {
      {
        std::lock_guard nameLock(record->mutex);
        pthread_setname_np(pthread_self(), osThreadName(record->name).c_str());
      }
      registry->waitWhileStartsHeld();
      if (body) body();
      body = nullptr;  // what the body captured is released before the thread counts as finished
      registry->threadFinished(*record);
    });
    record->handle = thread.native_handle();
    recordLock.unlock();
    if (registry->closed) {
      thread.detach();
    } else {
      registry->owned.emplace_back(record, std::move(thread));
    }
  }

  bool isFinished() const override { return record->finished.load(); }

 private:
  std::shared_ptr<HostThreads::Registry> registry;
  std::shared_ptr<ThreadRecord> record;
};

}  // namespace

HostThreads::HostThreads() : registry(std::make_shared<Registry>()) {}

HostThreads::~HostThreads() {
  std::vector<std::pair<std::shared_ptr<ThreadRecord>, std::thread>> owned;
  {
    std::unique_lock lock(registry->mutex);
    registry->startsHeld = false;
    registry->changed.notify_all();
    registry->changed.wait_for(lock, registry->exitWait, [&] { return registry->running.empty(); });
    registry->closed = true;
    owned = std::move(registry->owned);
  }
  for (auto& [record, thread] : owned) {
    if (record->finished.load()) {
      thread.join();
    } else {
      std::string name;
      {
        std::lock_guard lock(record->mutex);
        name = record->name;
      }
      std::fprintf(stderr, "virtual Mac: thread \"%s\" still runs at shutdown; detached\n",
                   name.c_str());
      thread.detach();
    }
  }
}

std::shared_ptr<Thread> HostThreads::create(std::function<void()> body) {
  return std::make_shared<VirtualThread>(registry, std::move(body));
}

void HostThreads::sleepForTimeInterval(double seconds) {
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool HostThreads::isMainThread() const {
  return registry->mainThread.load() == std::this_thread::get_id();
}

void HostThreads::setMainThreadToCurrent() {
  registry->mainThread.store(std::this_thread::get_id());
}

std::vector<ThreadInfo> HostThreads::liveThreads() const {
  std::vector<std::shared_ptr<ThreadRecord>> running;
  {
    std::lock_guard lock(registry->mutex);
    running = registry->running;
  }
  std::vector<ThreadInfo> result;
  for (const auto& record : running) {
    std::lock_guard lock(record->mutex);
    if (!record->finished.load()) result.push_back({record->name, record->qualityOfService});
  }
  return result;
}

std::size_t HostThreads::startedCount() const {
  std::lock_guard lock(registry->mutex);
  return registry->started;
}

std::size_t HostThreads::finishedCount() const {
  std::lock_guard lock(registry->mutex);
  return registry->finished;
}

bool HostThreads::waitUntilAllFinished(std::chrono::milliseconds timeout) const {
  bool allFinished = false;
  {
    std::unique_lock lock(registry->mutex);
    allFinished =
        registry->changed.wait_for(lock, timeout, [&] { return registry->running.empty(); });
  }
  // The ended ones are joined now: a program whose services outlive its main function (they are
  // installed process-wide) would otherwise end with threads never joined.
  registry->reap();
  return allFinished;
}

void HostThreads::setStartsHeld(bool held) {
  std::lock_guard lock(registry->mutex);
  registry->startsHeld = held;
  registry->changed.notify_all();
}

void HostThreads::setExitWait(std::chrono::milliseconds wait) {
  std::lock_guard lock(registry->mutex);
  registry->exitWait = wait;
}

}  // namespace kestravane::platform::host
