// An X server of a test's own: Xvfb started with -displayfd, so it picks a free display number
// and says which when it is ready, and with -noreset, so its keymap survives its last client
// leaving (without it the server falls back to a one-layout keymap, which looks exactly like a
// failed setxkbmap). Stopped (SIGTERM, then waited for) at destruction. The programs tests run
// beside it (setxkbmap) come from AnnouncingProgram.h.
// Threads: the test's thread.
#pragma once

#include <string>
#include <vector>

#include "Support/AnnouncingProgram.h"

namespace kestravane::testing_support {

class XvfbServer {
 public:
  static bool installed() { return isOnPath("Xvfb") && isOnPath("setxkbmap"); }

  // Its display number, with a line end, comes on descriptor 3 (-displayfd) once it is ready.
  explicit XvfbServer(const std::vector<std::string>& extraArguments = {})
      : server(withExtra({"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0",
                          "640x480x24"},
                         extraArguments)) {
    if (server.running() && !server.announcement().empty()) {
      _display = ":" + server.announcement();
    }
  }

  bool running() const { return !_display.empty(); }
  // ":N".
  const std::string& display() const { return _display; }

  // Loads a keymap of these layouts ("us,ru,de") and these options only (setxkbmap keeps the
  // options of the keymap before unless told to clear them); whether setxkbmap succeeded.
  bool setLayouts(const std::string& layouts, const std::string& options = "") {
    std::vector<std::string> arguments{"setxkbmap", "-display", _display, "-layout",
                                       layouts,     "-option",  ""};
    if (!options.empty()) arguments.insert(arguments.end(), {"-option", options});
    return runProgram(arguments) == 0;
  }

 private:
  static std::vector<std::string> withExtra(std::vector<std::string> arguments,
                                            const std::vector<std::string>& extra) {
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

  AnnouncingProgram server;
  std::string _display;
};

}  // namespace kestravane::testing_support
