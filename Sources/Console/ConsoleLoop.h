// The console's event loop: it sleeps in poll() until the user types, another thread posts work
// to the main queue (the main queue's wake hook writes to a self-pipe, as the log does for each
// new line), a second start asks for this one, a stop signal arrives, or the main queue's next
// deadline comes; with nothing due it sleeps without a time limit. Each wake-up runs what is
// due, reads what was typed into command lines for the session, and has the session show the
// new log lines.
// Threads: main thread, which becomes the thread driving the virtual Mac's main queue. The wake
//   hook and the log's observer run on whichever thread posts or logs.
// Ownership: the self-pipe lives as long as the last hook that may still write to it.
#pragma once

#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "Console/ConsoleScreen.h"
#include "Console/ConsoleSession.h"
#include "Console/LineReader.h"
#include "Kestravane/Linux/SingleInstance.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::console {

struct ConsoleLoopOptions {
  int input = 0;                       // the descriptor commands are read from
  int stop = -1;                       // readable when the console should end (a signalfd), or -1
  SingleInstance* instance = nullptr;  // whose raise requests to take, if any
};

class ConsoleLoop {
 public:
  using PollFunction = std::function<int(pollfd*, nfds_t, int)>;

  // Installs the main queue's wake hook and the log's observer; `poll` stands for ::poll.
  ConsoleLoop(platform::vmac::VirtualMac& mac, ConsoleSession& session, ConsoleScreen& screen,
              ConsoleLoopOptions options, PollFunction poll = ::poll);
  // Removes the hooks.
  ~ConsoleLoop();
  ConsoleLoop(const ConsoleLoop&) = delete;
  ConsoleLoop& operator=(const ConsoleLoop&) = delete;

  // Steps until the user quits, the input ends or a stop arrives.
  void run();
  // Runs what is due, waits once and handles what the wait brought; false once the console
  // should end.
  bool step();
  // The wait's time limit in milliseconds: until the main queue's next deadline (0 when
  // something is due), or -1 when nothing waits.
  int timeoutMs() const;
  // How many times step() has waited.
  std::size_t waits() const { return waitCount; }

  struct WakePipe;

 private:
  bool handleInput();

  platform::vmac::VirtualMac& mac;
  ConsoleSession& session;
  ConsoleScreen& screen;
  const ConsoleLoopOptions options;
  const PollFunction poll;
  const std::shared_ptr<WakePipe> wakePipe;
  LineReader reader;
  bool inputOpen = true;
  std::size_t waitCount = 0;
};

}  // namespace kestravane::console
