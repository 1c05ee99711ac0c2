#include "Platform/Host/WakeObservers.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace kestravane::platform::host {

struct WakeObservers::Registry {
  std::mutex mutex;
  std::uint64_t nextID = 1;
  std::map<std::uint64_t, std::shared_ptr<const std::function<void()>>> entries;

  std::shared_ptr<const std::function<void()>> find(std::uint64_t id) {
    std::lock_guard lock(mutex);
    const auto found = entries.find(id);
    return found == entries.end() ? nullptr : found->second;
  }
};

// The handle of one observer; it may outlive the registry's owner.
class WakeObservers::Observation final : public Cancellable {
 public:
  Observation(std::weak_ptr<Registry> registry, std::uint64_t id)
      : registry(std::move(registry)), id(id) {}
  ~Observation() override { cancel(); }

  void cancel() override {
    if (auto live = registry.lock()) {
      std::lock_guard lock(live->mutex);
      live->entries.erase(id);
    }
  }

 private:
  const std::weak_ptr<Registry> registry;
  const std::uint64_t id;
};

WakeObservers::WakeObservers(std::shared_ptr<DispatchQueue> mainQueue)
    : mainQueue(std::move(mainQueue)), registry(std::make_shared<Registry>()) {}

std::shared_ptr<Cancellable> WakeObservers::add(std::function<void()> observer) {
  std::lock_guard lock(registry->mutex);
  const std::uint64_t id = registry->nextID++;
  registry->entries.emplace(id, std::make_shared<const std::function<void()>>(std::move(observer)));
  return std::make_shared<Observation>(registry, id);
}

void WakeObservers::post() {
  std::vector<std::uint64_t> ids;
  {
    std::lock_guard lock(registry->mutex);
    for (const auto& entry : registry->entries) ids.push_back(entry.first);
  }
  // Posted outside the lock: the queue may be one that runs blocks right away.
  for (const std::uint64_t id : ids) {
    mainQueue->async([weakRegistry = std::weak_ptr<Registry>(registry), id] {
      auto live = weakRegistry.lock();
      if (!live) return;
      if (auto observer = live->find(id)) (*observer)();
    });
  }
}

std::size_t WakeObservers::count() const {
  std::lock_guard lock(registry->mutex);
  return registry->entries.size();
}

}  // namespace kestravane::platform::host
