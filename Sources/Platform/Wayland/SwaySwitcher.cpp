#include "Platform/Wayland/SwaySwitcher.h"

#include <poll.h>
#include <pthread.h>

#include <utility>

#include "Platform/Wayland/SwayInputs.h"

namespace kestravane::platform::wayland {
namespace {

// The subscribed connection on the reading thread: every "input" event that touches the layouts
// becomes a notice on the main queue; the connection's end becomes an availability notice.
class Subscription final : public desktop::PollSource {
 public:
  Subscription(I3IpcSocket socket, std::shared_ptr<DispatchQueue> mainQueue,
               std::shared_ptr<SwaySwitcher::Notices> notices,
               std::weak_ptr<desktop::PollRunLoop> loop)
      : socket(std::move(socket)),
        mainQueue(std::move(mainQueue)),
        notices(std::move(notices)),
        loop(std::move(loop)) {}

  int descriptor() const override { return socket.descriptor(); }

  void perform() override {
    if (!socket.isOpen()) return;
    notices->reads.fetch_add(1);
    const bool open = socket.readAvailable();
    for (const auto& event : socket.takeEvents()) {
      if (event.type != i3ipc::kInputEvent) continue;
      if (const auto change = parseSwayInputEvent(event.payload)) post(*change, false);
    }
    if (!open) notices->listening = false;
    notices->reads.fetch_add(1);
    if (open) return;
    post(DesktopChange::availability, true);
    // Without sources the loop's run() returns and the thread ends.
    if (const auto running = loop.lock()) running->remove(*this);
  }

 private:
  void post(DesktopChange change, bool ended) {
    mainQueue->async([notices = notices, change, ended] {
      if (ended) notices->ended = true;
      if (notices->observer) notices->observer(change);
    });
  }

  I3IpcSocket socket;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::shared_ptr<SwaySwitcher::Notices> notices;
  const std::weak_ptr<desktop::PollRunLoop> loop;
};

}  // namespace

SwaySwitcher::SwaySwitcher(std::string socketPath, std::shared_ptr<DispatchQueue> mainQueue,
                           std::chrono::milliseconds timeout)
    : _socketPath(std::move(socketPath)), mainQueue(std::move(mainQueue)), timeout(timeout) {
  connected();
}

SwaySwitcher::~SwaySwitcher() {
  notices->observer = nullptr;
  stopWatching();
}

void SwaySwitcher::setChangeObserver(std::function<void(DesktopChange)> observer) {
  notices->observer = std::move(observer);
}

std::optional<std::string> SwaySwitcher::unavailableReason() const {
  if (reason) return reason;
  if (notices->ended) return "Sway closed its IPC connection";
  return std::nullopt;
}

bool SwaySwitcher::connected() {
  // The subscription ends when Sway goes or drops us: start over with both connections.
  if (notices->ended) requests.close();
  if (requests.isOpen()) return true;
  if (_socketPath.empty()) {
    reason = "SWAYSOCK is not set: this is not a Sway session";
    return false;
  }
  if (auto failure = requests.connect(_socketPath)) {
    reason = "Sway's IPC socket: " + *failure;
    return false;
  }
  reason.reset();
  if (!watchLoop || notices->ended) subscribe();
  return true;
}

void SwaySwitcher::subscribe() {
  stopWatching();
  notices->ended = false;
  I3IpcSocket socket;
  if (socket.connect(_socketPath)) return;
  const auto reply = socket.request(i3ipc::kSubscribe, R"(["input"])", timeout);
  // Without a subscription switching still works; changes made by others go unnoticed until
  // the next connection tries again.
  if (!reply.payload || !swayReplySucceeded(*reply.payload)) return;
  subscriptionDescriptor = socket.descriptor();
  notices->listening = true;
  watchLoop = std::make_shared<desktop::PollRunLoop>();
  watchLoop->add(std::make_shared<Subscription>(std::move(socket), mainQueue, notices, watchLoop));
  watcher = std::thread([loop = watchLoop] {
    pthread_setname_np(pthread_self(), "sway-ipc-events");
    loop->run();
  });
}

void SwaySwitcher::stopWatching() {
  if (watchLoop) watchLoop->stop();
  if (watcher.joinable()) watcher.join();
  watchLoop.reset();
  notices->listening = false;
  subscriptionDescriptor = -1;
  kept.reset();
}

bool SwaySwitcher::keptIsCurrent() const {
  if (!kept || !notices->listening || notices->ended) return false;
  const auto before = notices->reads.load();
  if (before != keptAtRead || before % 2 != 0) return false;
  // Bytes waiting on the subscription are an event the reading thread has not taken yet. The
  // count is read again after the look: had the thread taken them (and maybe closed the socket)
  // in between, it has counted.
  pollfd waiting{subscriptionDescriptor, POLLIN, 0};
  if (::poll(&waiting, 1, 0) != 0) return false;
  return notices->reads.load() == before;
}

std::optional<std::string> SwaySwitcher::ask(std::uint32_t type, std::string_view payload) {
  if (!connected()) return std::nullopt;
  auto reply = requests.request(type, payload, timeout);
  if (reply.payload) {
    reason.reset();
  } else {
    reason = "Sway's IPC: " + reply.failure;
  }
  return std::move(reply.payload);
}

std::optional<DesktopLayouts> SwaySwitcher::read() {
  if (keptIsCurrent()) return kept;
  kept.reset();
  // Counted before asking: an event that comes while the answer is on its way is newer than it.
  const auto readsBefore = notices->reads.load();
  const auto reply = ask(i3ipc::kGetInputs, "");
  if (!reply) return std::nullopt;
  auto layouts = parseSwayInputs(*reply);
  if (!layouts) {
    reason = "Sway's list of inputs is not what its IPC describes";
    return layouts;
  }
  kept = layouts;
  keptAtRead = readsBefore;
  return layouts;
}

bool SwaySwitcher::select(std::size_t index) {
  kept.reset();
  const auto reply =
      ask(i3ipc::kRunCommand, "input type:keyboard xkb_switch_layout " + std::to_string(index));
  return reply && swayReplySucceeded(*reply);
}

}  // namespace kestravane::platform::wayland
