#include "Console/ConsoleLoop.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestravane::console {

// A pipe whose write end any thread may poke to end the loop's wait; both ends non-blocking, so
// a poke never blocks and a full pipe (a wake-up already pending) drops it.
struct ConsoleLoop::WakePipe {
  WakePipe() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    readEnd = ends[0];
    writeEnd = ends[1];
  }
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;
  ~WakePipe() {
    ::close(readEnd);
    ::close(writeEnd);
  }
  void poke() const {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
  }
  void drain() const {
    char bytes[64];
    while (::read(readEnd, bytes, sizeof bytes) > 0) {
    }
  }

  int readEnd = -1;
  int writeEnd = -1;
};

ConsoleLoop::ConsoleLoop(platform::vmac::VirtualMac& mac, ConsoleSession& session,
                         ConsoleScreen& screen, ConsoleLoopOptions options, PollFunction poll)
    : mac(mac),
      session(session),
      screen(screen),
      options(options),
      poll(std::move(poll)),
      wakePipe(std::make_shared<WakePipe>()),
      reader(screen.isTerminal() ? LineReader::Mode::terminal : LineReader::Mode::plain) {
  // The hooks hold the pipe, so a poke that races with the loop's end still has somewhere to go.
  mac.dispatch().setWakeHandler([pipe = wakePipe] { pipe->poke(); });
  mac.log().setObserver([pipe = wakePipe] { pipe->poke(); });
}

ConsoleLoop::~ConsoleLoop() {
  mac.log().setObserver(nullptr);
  mac.dispatch().setWakeHandler(nullptr);
}

void ConsoleLoop::run() {
  mac.dispatch().runDue();
  session.showNewLogLines();
  screen.stream().flush();  // what the console said at its start, before it waits for a command
  screen.showPrompt(reader.partialLine());
  while (step()) {
  }
}

int ConsoleLoop::timeoutMs() const {
  const auto deadline = mac.dispatch().nextDeadline();
  if (!deadline) return -1;
  const std::uint64_t now = mac.services()->clock->uptimeNanos();
  if (*deadline <= now) return 0;
  // Rounded up, so the wake-up does not come a little early and find nothing due.
  const std::uint64_t millis = (*deadline - now + 999'999) / 1'000'000;
  return static_cast<int>(std::min<std::uint64_t>(millis, std::numeric_limits<int>::max()));
}

bool ConsoleLoop::step() {
  // Pokes come after what they announce (a block queued, a line logged), so what was poked
  // before this drain is seen below, and a poke after it ends the wait.
  wakePipe->drain();
  mac.dispatch().runDue();
  session.showNewLogLines();

  std::vector<pollfd> watched;
  watched.push_back({wakePipe->readEnd, POLLIN, 0});  // drained by the next step
  if (inputOpen) watched.push_back({options.input, POLLIN, 0});
  if (options.stop >= 0) watched.push_back({options.stop, POLLIN, 0});
  const int requests = options.instance != nullptr ? options.instance->requestDescriptor() : -1;
  if (requests >= 0) watched.push_back({requests, POLLIN, 0});

  ++waitCount;
  const int ready = poll(watched.data(), watched.size(), timeoutMs());
  if (ready < 0 && errno != EINTR) return false;
  const auto readable = [&](int fd) {
    for (const auto& entry : watched) {
      if (entry.fd == fd) return ready > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
    return false;
  };

  if (options.stop >= 0 && readable(options.stop)) return false;
  if (requests >= 0 && readable(requests) && options.instance->acceptRequests() > 0) {
    screen.notice("[plivex] Plivex was started again; it keeps running here");
  }
  mac.dispatch().runDue();
  bool keepGoing = true;
  if (inputOpen && readable(options.input)) keepGoing = handleInput();
  session.showNewLogLines();
  return keepGoing;
}

bool ConsoleLoop::handleInput() {
  char buffer[4096];
  const ssize_t count = ::read(options.input, buffer, sizeof buffer);
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (count <= 0) {
    inputOpen = false;
    reader.finish();
  } else {
    screen.echo(reader.feed(std::string_view(buffer, static_cast<std::size_t>(count))));
  }
  while (const auto event = reader.next()) {
    screen.lineEntered();
    switch (event->kind) {
      case LineReader::Event::Kind::line: {
        const bool goOn = session.execute(event->text);
        // A script that waits for the reply before it sends the next command gets it now,
        // also through a pipe.
        screen.stream().flush();
        if (!goOn) return false;
        break;
      }
      case LineReader::Event::Kind::tooLong:
        screen.stream() << "line too long (over " << LineReader::kMaximumLineLength
                        << " bytes); ignored" << std::endl;
        break;
      case LineReader::Event::Kind::endOfInput:
        return false;
    }
  }
  screen.showPrompt(reader.partialLine());
  return true;
}

}  // namespace kestravane::console
