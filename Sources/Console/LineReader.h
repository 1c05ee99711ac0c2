// Turns the bytes the console reads into command lines, each byte looked at once, so a line
// costs time in proportion to its length, and no line is kept beyond kMaximumLineLength bytes:
// a longer one is reported as too long (and skipped up to its newline) instead of growing the
// buffer. At the end of input a last line without its newline still counts.
// In terminal mode (the console put the terminal in non-canonical mode without echo) it also
// does the little editing a shell prompt offers: Backspace, Ctrl-U, Ctrl-D on an empty line
// for the end of input; escape sequences (arrow keys) are ignored. It says what to echo.
// Threads: one thread.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::console {

class LineReader {
 public:
  static constexpr std::size_t kMaximumLineLength = 4096;

  enum class Mode { plain, terminal };

  struct Event {
    enum class Kind { line, tooLong, endOfInput };
    Kind kind = Kind::line;
    std::string text;  // the line, without its newline (empty unless kind is line)
    bool operator==(const Event&) const = default;
  };

  explicit LineReader(Mode mode = Mode::plain) : mode(mode) {}

  // Takes the bytes read; returns what the terminal must show in response (terminal mode only:
  // the echo of typed characters and edits; empty in plain mode).
  std::string feed(std::string_view bytes);
  // The input ended: a pending line is completed, then endOfInput follows.
  void finish();
  // The next complete event, if any.
  std::optional<Event> next();
  // What has been typed of the current line, for redrawing it after other output.
  const std::string& partialLine() const { return current; }

 private:
  void endLine();
  std::string erase(bool wholeLine);

  const Mode mode;
  std::string current;
  bool overlong = false;  // the current line passed the limit: it is being skipped
  int escapeState = 0;    // terminal mode: 0 none, 1 after ESC, 2 inside a CSI/SS3 sequence
  bool finished = false;
  std::deque<Event> events;
};

}  // namespace kestravane::console
