// Hands work from any thread to the GUI thread: the virtual Mac tells its observers on whatever
// thread made a change (the tap thread, the main queue, the thread pressing a key), and the demo
// panel's widgets may only be touched on the GUI thread.
// Threads: made and destroyed on the GUI thread, with the application object alive; post() from
//   any thread, also through a poster() kept after the queue is gone (the work
//   is then dropped). The work runs on the thread that made the queue, in posting order, in a
//   later turn of its event loop; destroying the queue (on that thread) drops what has not run.
// Locks: one mutex guards the waiting work; work never runs under it. Posting wakes the event loop
//   with a queued call that carries no data, so everything handed over passes through the mutex.
#pragma once

#include <functional>
#include <memory>

namespace kestravane::platform::vmac::demo {

class GuiThreadQueue {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  GuiThreadQueue();
  ~GuiThreadQueue();
  GuiThreadQueue(const GuiThreadQueue&) = delete;
  GuiThreadQueue& operator=(const GuiThreadQueue&) = delete;

  void post(std::function<void()> work) const;
  // A function doing post(), safe to keep and call from any thread for as long as wanted.
  Poster poster() const;

  struct State;

 private:
  const std::shared_ptr<State> state;
};

}  // namespace kestravane::platform::vmac::demo
