// The system log (NSLog) of a host without Apple's unified log. Each message becomes exactly one
// line, newlines and other control characters escaped, in the form
//   YYYY-MM-DD HH:MM:SS.mmm plivex[pid:tid] message
// (local time), written to standard error and to syslog (ident "plivex"), and kept in a bounded
// capture that tests and the demo panel read back.
// Threads: thread-safe; a line is formatted and written to every sink under one mutex, so
// lines from different threads never interleave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Log.h"

namespace kestravane::platform::host {

class HostLog final : public Log {
 public:
  struct Sinks {
    bool standardError = true;
    bool systemLog = true;
  };

  HostLog();
  explicit HostLog(Sinks sinks);

  // Seam.
  void log(std::string_view message) override;

  // Control.
  void setStandardErrorEnabled(bool enabled);
  void setSystemLogEnabled(bool enabled);
  // The captured full lines (without the trailing newline), oldest first.
  std::vector<std::string> lines() const;
  // The captured messages as they were logged (before escaping), oldest first.
  std::vector<std::string> messages() const;
  // How many messages have been logged since construction (clear() does not reset it).
  std::uint64_t loggedCount() const;
  // The captured messages logged since `cursor` (a loggedCount() read earlier), oldest first;
  // moves `cursor` past them. Messages the capture limit dropped meanwhile are missing.
  std::vector<std::string> messagesSince(std::uint64_t& cursor) const;
  // Called after each message is captured, on the logging thread and without the log's lock
  // held, e.g. to wake a loop that shows new lines; it must not log. Empty: nobody is told.
  void setObserver(std::function<void()> observer);
  void clear();
  // Keeps only the newest `limit` entries (default 1000), so a long-running process does not
  // grow without end.
  void setCaptureLimit(std::size_t limit);

  // One message as one line: "\n" → "\\n", "\r" → "\\r", other control characters → "\\xHH".
  static std::string escape(std::string_view message);

 private:
  struct Entry {
    std::string line;
    std::string message;
  };

  void trimLocked();

  mutable std::mutex mutex;
  Sinks sinks;
  std::deque<Entry> capture;
  std::size_t captureLimit = 1000;
  std::uint64_t _loggedCount = 0;
  std::shared_ptr<const std::function<void()>> observer;
};

}  // namespace kestravane::platform::host
