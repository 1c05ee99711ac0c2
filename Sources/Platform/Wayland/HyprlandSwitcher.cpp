#include "Platform/Wayland/HyprlandSwitcher.h"

#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "Platform/Wayland/HyprlandDevices.h"
#include "Platform/Wayland/HyprlandRequest.h"
#include "Platform/Wayland/UnixSocket.h"

namespace kestravane::platform::wayland {
namespace {

// Replies larger than a line this long are taken for a broken peer.
constexpr std::size_t kMaximumLine = 64u * 1024u;

// The event socket on the reading thread: lines "EVENT>>DATA".
class EventLines final : public desktop::PollSource {
 public:
  EventLines(int socket, std::shared_ptr<DispatchQueue> mainQueue,
             std::shared_ptr<HyprlandSwitcher::Notices> notices,
             std::weak_ptr<desktop::PollRunLoop> loop)
      : socket(socket),
        mainQueue(std::move(mainQueue)),
        notices(std::move(notices)),
        loop(std::move(loop)) {}
  ~EventLines() override {
    if (socket >= 0) ::close(socket);
  }
  EventLines(const EventLines&) = delete;
  EventLines& operator=(const EventLines&) = delete;

  int descriptor() const override { return socket; }

  void perform() override {
    if (socket < 0) return;
    bool ended = false;
    char chunk[4096];
    for (;;) {
      const ssize_t count = ::recv(socket, chunk, sizeof chunk, 0);
      if (count > 0) {
        pending.append(chunk, static_cast<std::size_t>(count));
        continue;
      }
      if (count < 0 && errno == EINTR) continue;
      ended = count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
      break;
    }
    std::string::size_type start = 0;
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
      const auto change = parseHyprlandEvent(std::string_view(pending).substr(start, end - start));
      if (change) post(*change, false);
      start = end + 1;
    }
    pending.erase(0, start);
    if (pending.size() > kMaximumLine) ended = true;
    if (!ended) return;
    ::close(socket);
    socket = -1;
    post(DesktopChange::availability, true);
    if (const auto running = loop.lock()) running->remove(*this);
  }

 private:
  void post(DesktopChange change, bool connectionEnded) {
    mainQueue->async([notices = notices, change, connectionEnded] {
      if (connectionEnded) notices->ended = true;
      if (notices->observer) notices->observer(change);
    });
  }

  int socket;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::shared_ptr<HyprlandSwitcher::Notices> notices;
  const std::weak_ptr<desktop::PollRunLoop> loop;
  std::string pending;
};

}  // namespace

HyprlandSwitcher::HyprlandSwitcher(std::string socketFolder,
                                   std::shared_ptr<DispatchQueue> mainQueue,
                                   std::chrono::milliseconds timeout)
    : _socketFolder(std::move(socketFolder)), mainQueue(std::move(mainQueue)), timeout(timeout) {
  if (_socketFolder.empty()) {
    reason = "HYPRLAND_INSTANCE_SIGNATURE is not set: this is not a Hyprland session";
    return;
  }
  watch();
}

HyprlandSwitcher::~HyprlandSwitcher() {
  notices->observer = nullptr;
  stopWatching();
}

void HyprlandSwitcher::setChangeObserver(std::function<void(DesktopChange)> observer) {
  notices->observer = std::move(observer);
}

std::optional<std::string> HyprlandSwitcher::unavailableReason() const {
  if (reason) return reason;
  if (notices->ended) return "Hyprland closed its event socket";
  return std::nullopt;
}

void HyprlandSwitcher::watch() {
  stopWatching();
  notices->ended = false;
  std::string failure;
  const int socket = connectUnixSocket(_socketFolder + "/.socket2.sock", failure);
  // Without events switching still works; changes made by others go unnoticed until the next
  // request tries again.
  if (socket < 0) return;
  watchLoop = std::make_shared<desktop::PollRunLoop>();
  watchLoop->add(std::make_shared<EventLines>(socket, mainQueue, notices, watchLoop));
  watcher = std::thread([loop = watchLoop] {
    pthread_setname_np(pthread_self(), "hyprland-events");
    loop->run();
  });
}

void HyprlandSwitcher::stopWatching() {
  if (watchLoop) watchLoop->stop();
  if (watcher.joinable()) watcher.join();
  watchLoop.reset();
}

std::optional<std::string> HyprlandSwitcher::ask(std::string_view request) {
  if (_socketFolder.empty()) return std::nullopt;
  std::string failure;
  auto reply = askHyprland(_socketFolder, request, timeout, failure);
  if (!reply) {
    reason = std::move(failure);
    return std::nullopt;
  }
  reason.reset();
  // The events' connection ends when Hyprland goes or drops it: follow anew once it answers.
  if (!watchLoop || notices->ended) watch();
  return reply;
}

std::optional<DesktopLayouts> HyprlandSwitcher::read() {
  const auto reply = ask("j/devices");
  if (!reply) return std::nullopt;
  auto layouts = parseHyprlandDevices(
      *reply, [this](std::string_view id) { return registry.descriptionFor(id); });
  if (!layouts) reason = "Hyprland's list of devices is not what its IPC describes";
  return layouts;
}

bool HyprlandSwitcher::select(std::size_t index) {
  const auto reply = ask("switchxkblayout all " + std::to_string(index));
  return reply && *reply == "ok";
}

}  // namespace kestravane::platform::wayland
