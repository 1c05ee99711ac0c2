// Whether the Qt application has a display to start on, asked before Qt is: without one, Qt
// ends the program with an abort and a hint that reinstalling may help. Plivex says instead
// that there is no display and that the text console runs without one.
// Threads: main thread, before the QApplication exists.
#pragma once

#include <optional>
#include <string>

namespace kestravane::linux_app {

// What is missing for the Qt platform that `platform` names (QT_QPA_PLATFORM: "xcb",
// "wayland", "offscreen", a ';'-separated list to try in order; unset or empty: Qt's own
// choice of Wayland or X11), given DISPLAY and WAYLAND_DISPLAY (null or empty = unset); absent
// when one of the platforms can be tried.
std::optional<std::string> missingDisplay(const char* platform, const char* display,
                                          const char* waylandDisplay);

// The message for a start without a display; `why` is what was missing or what Qt said.
std::string noDisplayMessage(const std::string& why);

// Checks the environment and, until stopWatchingQtStart() is called, Qt's own fatal start-up
// failure (a display that is named but cannot be reached): either way the message goes to
// standard error and the program exits with kNoDisplayExitCode.
inline constexpr int kNoDisplayExitCode = 1;
void exitUnlessADisplayIsAvailable();
void stopWatchingQtStart();

}  // namespace kestravane::linux_app
