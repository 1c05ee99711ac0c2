// Takes the requests that later starts send to the running Plivex, on a thread of its own, so
// that no client can hold up the thread that runs the program: a client that connects and says
// nothing costs that thread nothing, and is dropped when it has not sent its request in time.
// Only processes of the user who runs Plivex are heard (the peer's uid, from the kernel); at most
// kMaximumPending clients wait at once, later ones are turned away. Each complete "raise\n"
// makes readyDescriptor() readable until takeRaises() takes it.
// Threads: made, asked and destroyed on one thread (the program's main thread); its own thread
//   accepts and reads, and is joined by the destructor.
// Ownership: owns the listening socket it is given and the descriptors it makes.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>
#include <thread>

namespace kestravane {

class RequestListener {
 public:
  static constexpr std::string_view kRaiseRequest = "raise\n";
  static constexpr std::size_t kMaximumPending = 16;
  // How long a client may take to send its request once connected.
  static constexpr std::chrono::milliseconds kRequestWait{1000};

  // Starts listening on `listeningSocket` (bound and listening; made non-blocking here).
  // Throws std::system_error when the thread or its descriptors cannot be made.
  explicit RequestListener(int listeningSocket);
  ~RequestListener();
  RequestListener(const RequestListener&) = delete;
  RequestListener& operator=(const RequestListener&) = delete;

  // Readable while raise requests wait to be taken.
  int readyDescriptor() const { return ready[0]; }
  // How many raise requests arrived since the last call; never waits.
  std::size_t takeRaises();

 private:
  void serve();

  const int listener;
  int ready[2] = {-1, -1};  // a byte per raise request
  int stop[2] = {-1, -1};   // written once, to end the thread
  std::thread thread;
};

}  // namespace kestravane
