#include "Kestravane/ObservableObject.h"

#include <map>
#include <utility>
#include <vector>

namespace kestravane {

struct Subscription::Registry {
  std::map<std::uint64_t, std::shared_ptr<const std::function<void()>>> observers;
  std::uint64_t nextId = 1;
};

Subscription::Subscription(std::weak_ptr<Registry> registry, std::uint64_t id)
    : registry(std::move(registry)), id(id) {}

Subscription::Subscription(Subscription&& other) noexcept
    : registry(std::move(other.registry)), id(std::exchange(other.id, 0)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    cancel();
    registry = std::move(other.registry);
    id = std::exchange(other.id, 0);
  }
  return *this;
}

Subscription::~Subscription() {
  cancel();
}

void Subscription::cancel() {
  if (auto observed = registry.lock()) observed->observers.erase(id);
  registry.reset();
  id = 0;
}

bool Subscription::isActive() const {
  const auto observed = registry.lock();
  return observed && observed->observers.contains(id);
}

ObservableObject::ObservableObject(const platform::Services& services)
    : registry(std::make_shared<Subscription::Registry>()), mainThread(services) {}

ObservableObject::~ObservableObject() = default;

Subscription ObservableObject::subscribe(std::function<void()> observer) {
  mainThread.check("ObservableObject::subscribe");
  const std::uint64_t id = registry->nextId++;
  registry->observers.emplace(id,
                              std::make_shared<const std::function<void()>>(std::move(observer)));
  return Subscription(registry, id);
}

std::size_t ObservableObject::observerCount() const {
  return registry->observers.size();
}

void ObservableObject::notifyChanged() {
  mainThread.check("ObservableObject::notifyChanged");
  // A snapshot, so observers may subscribe or cancel while being told; one cancelled meanwhile
  // is skipped, one added meanwhile waits for the next change.
  const std::vector<std::pair<std::uint64_t, std::shared_ptr<const std::function<void()>>>>
      snapshot(registry->observers.begin(), registry->observers.end());
  for (const auto& [id, observer] : snapshot) {
    if (registry->observers.contains(id) && *observer) (*observer)();
  }
}

}  // namespace kestravane
