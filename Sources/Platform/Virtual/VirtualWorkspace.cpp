#include "Platform/Virtual/VirtualWorkspace.h"

#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

namespace kestravane::platform::vmac {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Unreserved, reserved (without the brackets, handled apart) and the escape character.
bool isURLCharacter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~:/?#@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

// Where the authority ("//host") begins and ends, or an empty range when there is none.
std::pair<std::size_t, std::size_t> authorityRange(std::string_view text) {
  std::size_t start = text.find("//");
  const std::size_t firstDelimiter = text.find_first_of("/?#");
  if (start == std::string_view::npos || start != firstDelimiter) return {0, 0};
  // The "//" must open the string or follow the scheme's colon.
  if (start != 0 &&
      (text[start - 1] != ':' || text.substr(0, start - 1).find(':') != std::string_view::npos)) {
    return {0, 0};
  }
  start += 2;
  const std::size_t end = text.find_first_of("/?#", start);
  return {start, end == std::string_view::npos ? text.size() : end};
}

bool isValidURLString(std::string_view text) {
  if (text.empty()) return false;
  const auto [hostStart, hostEnd] = authorityRange(text);
  bool seenFragment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '[' || c == ']') {
      if (i < hostStart || i >= hostEnd) return false;
      continue;
    }
    if (!isURLCharacter(c)) return false;
    if (c == '%' &&
        (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))) {
      return false;
    }
    if (c == '#') {
      if (seenFragment) return false;
      seenFragment = true;
    }
  }
  return true;
}

}  // namespace

struct VirtualWorkspace::Observers {
  std::mutex mutex;
  std::uint64_t nextID = 1;
  std::map<std::uint64_t, std::shared_ptr<const std::function<void()>>> entries;

  std::shared_ptr<const std::function<void()>> find(std::uint64_t id) {
    std::lock_guard lock(mutex);
    const auto found = entries.find(id);
    return found == entries.end() ? nullptr : found->second;
  }
};

// The handle of one observer; it may outlive the workspace.
class VirtualWorkspace::Observation final : public Cancellable {
 public:
  Observation(std::weak_ptr<Observers> observers, std::uint64_t id)
      : observers(std::move(observers)), id(id) {}
  ~Observation() override { cancel(); }

  void cancel() override {
    if (auto live = observers.lock()) {
      std::lock_guard lock(live->mutex);
      live->entries.erase(id);
    }
  }

 private:
  const std::weak_ptr<Observers> observers;
  const std::uint64_t id;
};

VirtualWorkspace::VirtualWorkspace(std::shared_ptr<DispatchQueue> mainQueue)
    : mainQueue(std::move(mainQueue)), observers(std::make_shared<Observers>()) {}

std::optional<URL> VirtualWorkspace::urlWithString(const std::string& string) {
  if (!isValidURLString(string)) return std::nullopt;
  return URL{string};
}

bool VirtualWorkspace::openURL(const URL& url) {
  bool opens = false;
  {
    std::lock_guard lock(mutex);
    opened.push_back(url);
    opens = openResult;
  }
  openedURLsObserver.notify();
  return opens;
}

std::shared_ptr<Cancellable> VirtualWorkspace::addDidWakeObserver(std::function<void()> observer) {
  std::lock_guard lock(observers->mutex);
  const std::uint64_t id = observers->nextID++;
  observers->entries.emplace(id,
                             std::make_shared<const std::function<void()>>(std::move(observer)));
  return std::make_shared<Observation>(observers, id);
}

std::vector<URL> VirtualWorkspace::openedURLs() const {
  std::lock_guard lock(mutex);
  return opened;
}

void VirtualWorkspace::clearOpenedURLs() {
  {
    std::lock_guard lock(mutex);
    opened.clear();
  }
  openedURLsObserver.notify();
}

void VirtualWorkspace::setOpenedURLsObserver(std::function<void()> observer) {
  openedURLsObserver.set(std::move(observer));
}

void VirtualWorkspace::setOpenURLResult(bool opens) {
  std::lock_guard lock(mutex);
  openResult = opens;
}

void VirtualWorkspace::postWake() {
  std::vector<std::uint64_t> ids;
  {
    std::lock_guard lock(observers->mutex);
    for (const auto& entry : observers->entries) ids.push_back(entry.first);
  }
  // Posted outside the lock: the queue may be one that runs blocks right away.
  for (const std::uint64_t id : ids) {
    mainQueue->async([weakObservers = std::weak_ptr<Observers>(observers), id] {
      auto live = weakObservers.lock();
      if (!live) return;
      if (auto observer = live->find(id)) (*observer)();
    });
  }
}

std::size_t VirtualWorkspace::wakeObserverCount() const {
  std::lock_guard lock(observers->mutex);
  return observers->entries.size();
}

}  // namespace kestravane::platform::vmac
