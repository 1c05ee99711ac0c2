#include "Platform/LinuxDesktop/DesktopWorkspace.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "Platform/Host/UrlSyntax.h"
#include "Platform/LinuxDesktop/DesktopLogLines.h"
#include "Platform/LinuxDesktop/DetachedProcess.h"

namespace kestravane::platform::desktop {
namespace {

constexpr std::string_view kSystemSettingsScheme = "x-apple.systempreferences:";
constexpr std::string_view kKeyboardSettingsURL =
    "x-apple.systempreferences:com.apple.preference.keyboard";

struct SettingsProgram {
  std::string_view desktop;  // a name XDG_CURRENT_DESKTOP lists
  std::string_view program;
  std::string_view argument;  // empty: none
};

// Plasma 6 calls its settings program systemsettings, Plasma 5 systemsettings5.
constexpr SettingsProgram kKeyboardSettings[] = {
    {"GNOME", "gnome-control-center", "keyboard"},
    {"KDE", "systemsettings", "kcm_keyboard"},
    {"KDE", "systemsettings5", "kcm_keyboard"},
    {"XFCE", "xfce4-keyboard-settings", ""},
};

bool sameName(std::string_view left, std::string_view right) {
  return std::ranges::equal(left, right, [](char l, char r) {
    return std::toupper(static_cast<unsigned char>(l)) ==
           std::toupper(static_cast<unsigned char>(r));
  });
}

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":".
bool hasScheme(std::string_view url) {
  const auto colon = url.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  const std::string_view scheme = url.substr(0, colon);
  return std::isalpha(static_cast<unsigned char>(scheme[0])) &&
         std::ranges::all_of(scheme, [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
         });
}

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

DesktopWorkspace::Desktop DesktopWorkspace::Desktop::fromEnvironment() {
  return Desktop{environmentValue("XDG_CURRENT_DESKTOP"), environmentValue("PATH")};
}

DesktopWorkspace::DesktopWorkspace(std::shared_ptr<DispatchQueue> mainQueue, Desktop desktop,
                                   std::shared_ptr<Log> log)
    : desktop(std::move(desktop)), log(std::move(log)), wakeObservers(std::move(mainQueue)) {}

std::optional<std::vector<std::string>> DesktopWorkspace::keyboardSettingsCommand(
    const Desktop& desktop) {
  // The desktops are named in the session's order of preference, separated by colons.
  std::string_view names = desktop.currentDesktop;
  while (!names.empty()) {
    const auto colon = names.find(':');
    const std::string_view name = names.substr(0, colon);
    names.remove_prefix(colon == std::string_view::npos ? names.size() : colon + 1);
    for (const auto& settings : kKeyboardSettings) {
      if (!sameName(settings.desktop, name)) continue;
      if (auto program = findProgram(settings.program, desktop.path)) {
        std::vector<std::string> command{std::move(*program)};
        if (!settings.argument.empty()) command.emplace_back(settings.argument);
        return command;
      }
    }
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> DesktopWorkspace::openCommand(const Desktop& desktop,
                                                                      std::string_view url) {
  if (url == kKeyboardSettingsURL) return keyboardSettingsCommand(desktop);
  if (url.starts_with(kSystemSettingsScheme)) return std::nullopt;
  // Only an absolute URL opens; nothing that the opener could take for an option.
  if (!hasScheme(url)) return std::nullopt;
  auto opener = findProgram("xdg-open", desktop.path);
  if (!opener) return std::nullopt;
  return std::vector<std::string>{std::move(*opener), std::string(url)};
}

std::optional<URL> DesktopWorkspace::urlWithString(const std::string& string) {
  if (!host::isWellFormedURL(string)) return std::nullopt;
  return URL{string};
}

bool DesktopWorkspace::openURL(const URL& url) {
  const auto command = openCommand(desktop, url.absoluteString);
  if (!command) {
    // Only the part before any query: the rest is no business of the log.
    const std::string& text = url.absoluteString;
    const std::string shown = text.substr(0, text.find_first_of("?#"));
    if (log) {
      log->log(std::string(logline::kNothingOpens) + shown + " (desktop \"" +
               desktop.currentDesktop + "\")");
    }
    return false;
  }
  if (startDetached(*command)) return true;
  if (log) log->log(std::string(logline::kCannotStart) + command->front());
  return false;
}

bool DesktopWorkspace::canOpenURL(const URL& url) {
  return openCommand(desktop, url.absoluteString).has_value();
}

std::shared_ptr<Cancellable> DesktopWorkspace::addDidWakeObserver(std::function<void()> observer) {
  return wakeObservers.add(std::move(observer));
}

void DesktopWorkspace::postDidWake() {
  wakeObservers.post();
}

}  // namespace kestravane::platform::desktop
