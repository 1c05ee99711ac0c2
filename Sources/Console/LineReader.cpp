#include "Console/LineReader.h"

#include <utility>

namespace kestravane::console {
namespace {

constexpr char kBackspace = '\b';
constexpr char kDelete = 0x7F;
constexpr char kEndOfTransmission = 0x04;    // Ctrl-D
constexpr char kNegativeAcknowledge = 0x15;  // Ctrl-U
constexpr char kEscape = 0x1B;

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string LineReader::feed(std::string_view bytes) {
  std::string echo;
  if (finished) return echo;
  for (const char c : bytes) {
    if (mode == Mode::terminal) {
      if (escapeState == 1) {  // ESC [ or ESC O start a sequence; anything else ends it
        escapeState = (c == '[' || c == 'O') ? 2 : 0;
        continue;
      }
      if (escapeState == 2) {  // parameters until the final byte, '@' to '~'
        if (c >= '@' && c <= '~') escapeState = 0;
        continue;
      }
      if (c == kEscape) {
        escapeState = 1;
        continue;
      }
      if (c == '\r' || c == '\n') {
        echo += '\n';
        endLine();
        continue;
      }
      if (c == kBackspace || c == kDelete) {
        echo += erase(false);
        continue;
      }
      if (c == kNegativeAcknowledge) {
        echo += erase(true);
        continue;
      }
      if (c == kEndOfTransmission) {
        if (current.empty() && !overlong) {
          finish();
          return echo;
        }
        continue;
      }
      if (static_cast<unsigned char>(c) < 0x20) continue;  // other control keys do nothing
    } else if (c == '\n') {
      endLine();
      continue;
    }
    if (overlong) continue;
    if (current.size() == kMaximumLineLength) {
      overlong = true;  // kept no longer: the rest up to the newline is skipped
      current.clear();
      if (mode == Mode::terminal) echo += '\a';
      continue;
    }
    current += c;
    if (mode == Mode::terminal) echo += c;
  }
  return echo;
}

void LineReader::finish() {
  if (finished) return;
  if (!current.empty() || overlong) endLine();
  events.push_back({Event::Kind::endOfInput, {}});
  finished = true;
}

std::optional<LineReader::Event> LineReader::next() {
  if (events.empty()) return std::nullopt;
  Event event = std::move(events.front());
  events.pop_front();
  return event;
}

void LineReader::endLine() {
  if (overlong) {
    events.push_back({Event::Kind::tooLong, {}});
  } else {
    events.push_back({Event::Kind::line, std::move(current)});
  }
  current.clear();
  overlong = false;
}

std::string LineReader::erase(bool wholeLine) {
  std::string echo;
  while (!current.empty()) {
    // One character, however many bytes it takes in UTF-8.
    while (current.size() > 1 && isContinuationByte(current.back())) current.pop_back();
    current.pop_back();
    echo += "\b \b";
    if (!wholeLine) break;
  }
  return echo;
}

}  // namespace kestravane::console
