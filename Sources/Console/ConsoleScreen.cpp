#include "Console/ConsoleScreen.h"

namespace kestravane::console {
namespace {

// Back to the start of the line and clear it (ECMA-48 CR + EL).
constexpr std::string_view kClearLine = "\r\x1b[K";

}  // namespace

void ConsoleScreen::notice(std::string_view text) {
  if (promptShown) out << kClearLine;
  out << text << '\n';
  if (promptShown) out << kPrompt << typed;
  out << std::flush;
}

void ConsoleScreen::echo(std::string_view text) {
  if (!terminal || text.empty()) return;
  out << text << std::flush;
}

void ConsoleScreen::showPrompt(std::string_view partialLine) {
  typed = partialLine;
  if (!terminal) return;
  if (!promptShown) out << kPrompt << typed << std::flush;
  promptShown = true;
}

}  // namespace kestravane::console
