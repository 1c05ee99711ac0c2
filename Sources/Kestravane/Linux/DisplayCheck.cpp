#include "Kestravane/Linux/DisplayCheck.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kestravane::linux_app {
namespace {

bool isSet(const char* value) {
  return value != nullptr && *value != '\0';
}

QtMessageHandler qtHandler = nullptr;
// What Qt said first while it started ("could not connect to display :1"): the reason, where
// its last word before the abort is only its advice to reinstall.
std::string firstWarning;

void watchQtStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (firstWarning.empty()) firstWarning = message.section('\n', 0, 0).toStdString();
    if (qtHandler != nullptr) qtHandler(type, context, message);
    return;
  }
  const std::string why =
      firstWarning.empty() ? "Qt found no platform to start on" : "Qt: " + firstWarning;
  std::fputs(noDisplayMessage(why).c_str(), stderr);
  std::_Exit(kNoDisplayExitCode);
}

}  // namespace

std::optional<std::string> missingDisplay(const char* platform, const char* display,
                                          const char* waylandDisplay) {
  if (!isSet(platform)) {
    if (isSet(display) || isSet(waylandDisplay)) return std::nullopt;
    return "DISPLAY and WAYLAND_DISPLAY are unset";
  }
  std::string missing;
  std::string_view list = platform;
  while (!list.empty()) {
    const std::size_t end = std::min(list.find(';'), list.size());
    // A platform may carry options after a colon ("xcb:option").
    const std::string_view name = list.substr(0, std::min(list.find(':'), end));
    list.remove_prefix(std::min(end + 1, list.size()));
    if (name == "xcb") {
      if (isSet(display)) return std::nullopt;
      missing = "DISPLAY is unset";
    } else if (name.starts_with("wayland")) {
      if (isSet(waylandDisplay)) return std::nullopt;
      missing = "WAYLAND_DISPLAY is unset";
    } else if (!name.empty()) {
      return std::nullopt;  // offscreen, vnc, eglfs and the like need no display server
    }
  }
  return missing.empty() ? std::nullopt : std::optional(missing);
}

std::string noDisplayMessage(const std::string& why) {
  return "plivex: no display to show the menu-bar icon and the windows on (" + why +
         ").\nThe text console runs without one: plivex-console (from a source checkout: "
         "scripts/run.sh --console).\n";
}

void exitUnlessADisplayIsAvailable() {
  if (const auto missing = missingDisplay(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                          std::getenv("WAYLAND_DISPLAY"))) {
    std::fputs(noDisplayMessage(*missing).c_str(), stderr);
    std::exit(kNoDisplayExitCode);
  }
  qtHandler = qInstallMessageHandler(watchQtStart);
}

void stopWatchingQtStart() {
  qInstallMessageHandler(qtHandler);
}

}  // namespace kestravane::linux_app
