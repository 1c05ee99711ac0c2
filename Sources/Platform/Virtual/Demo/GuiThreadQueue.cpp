#include "Platform/Virtual/Demo/GuiThreadQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <utility>
#include <vector>

namespace kestravane::platform::vmac::demo {

// Lives on the GUI thread; its queued call runs the waiting work there.
class GuiThreadQueueReceiver final : public QObject {
  Q_OBJECT
 public:
  // A child of the application, so that one deleted later is still freed at exit.
  explicit GuiThreadQueueReceiver(std::weak_ptr<GuiThreadQueue::State> state)
      : QObject(QCoreApplication::instance()), state(std::move(state)) {}

  Q_INVOKABLE void runWaiting();

 private:
  const std::weak_ptr<GuiThreadQueue::State> state;
};

struct GuiThreadQueue::State {
  std::mutex mutex;
  GuiThreadQueueReceiver* receiver = nullptr;  // null once the queue is gone
  std::vector<std::function<void()>> waiting;
  bool wakeQueued = false;

  void post(std::function<void()> work) {
    std::lock_guard lock(mutex);
    if (!receiver) return;  // `work` is destroyed on the way out, unlocked
    waiting.push_back(std::move(work));
    if (wakeQueued) return;
    wakeQueued = true;
    // Under the lock, so the receiver cannot be deleted meanwhile.
    QMetaObject::invokeMethod(receiver, "runWaiting", Qt::QueuedConnection);
  }
};

void GuiThreadQueueReceiver::runWaiting() {
  const auto shared = state.lock();
  if (!shared) return;
  std::vector<std::function<void()>> work;
  {
    std::lock_guard lock(shared->mutex);
    work.swap(shared->waiting);
    shared->wakeQueued = false;
  }
  for (auto& item : work) {
    // Work may close the window that owns the queue: what follows it is then dropped.
    {
      std::lock_guard lock(shared->mutex);
      if (shared->receiver != this) return;
    }
    item();
  }
}

GuiThreadQueue::GuiThreadQueue() : state(std::make_shared<State>()) {
  state->receiver = new GuiThreadQueueReceiver(state);
}

GuiThreadQueue::~GuiThreadQueue() {
  GuiThreadQueueReceiver* receiver = nullptr;
  std::vector<std::function<void()>> dropped;
  {
    std::lock_guard lock(state->mutex);
    receiver = std::exchange(state->receiver, nullptr);
    dropped.swap(state->waiting);
  }
  // Later, not now: this may run inside the receiver's own call (work that closed the window).
  if (receiver) receiver->deleteLater();
}

void GuiThreadQueue::post(std::function<void()> work) const {
  state->post(std::move(work));
}

GuiThreadQueue::Poster GuiThreadQueue::poster() const {
  return [state = state](std::function<void()> work) { state->post(std::move(work)); };
}

}  // namespace kestravane::platform::vmac::demo

#include "GuiThreadQueue.moc"
