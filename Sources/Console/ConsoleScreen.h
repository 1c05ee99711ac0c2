// Where the console writes. On a terminal it keeps the prompt and the line being typed intact:
// a notice that arrives while the user types (a switch, a log line, a key-test readout) is
// written above that line, which is then drawn again as it was. Elsewhere (a pipe) there is no
// prompt and everything is written as it comes.
// Threads: main thread only.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace kestravane::console {

class ConsoleScreen {
 public:
  static constexpr std::string_view kPrompt = "plivex> ";

  ConsoleScreen(std::ostream& out, bool terminal) : out(out), terminal(terminal) {}

  // For a command's own output, written while no prompt is shown.
  std::ostream& stream() { return out; }
  bool isTerminal() const { return terminal; }

  // A line or block of lines that arrives on its own.
  void notice(std::string_view text);
  // What the terminal must show of the user's typing (the line reader's echo).
  void echo(std::string_view text);
  // The user entered a line: the prompt is gone until showPrompt().
  void lineEntered() { promptShown = false; }
  // Shows the prompt and what has been typed of the next line (terminal only).
  void showPrompt(std::string_view partialLine);

 private:
  std::ostream& out;
  const bool terminal;
  bool promptShown = false;
  std::string typed;  // the partial line behind the prompt, to draw again after a notice
};

}  // namespace kestravane::console
