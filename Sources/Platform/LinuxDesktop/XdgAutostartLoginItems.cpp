#include "Platform/LinuxDesktop/XdgAutostartLoginItems.h"

#include <utility>

#include "Platform/LinuxDesktop/AtomicFile.h"

namespace kestravane::platform::desktop {
namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(std::filesystem::path entryFile,
                                               std::filesystem::path executable)
    : entryFile(std::move(entryFile)), executable(std::move(executable)) {}

std::optional<std::filesystem::path> XdgAutostartLoginItems::defaultEntryFile(
    const char* xdgConfigHomeValue, const char* home) {
  const auto configHome = xdgConfigHome(xdgConfigHomeValue, home);
  if (!configHome) return std::nullopt;
  return *configHome / "autostart" / "plivex.desktop";
}

std::string XdgAutostartLoginItems::execArgument(std::string_view argument) {
  // Inside double quotes, `"`, "`", "$" and "\" take a backslash; then the value as a whole
  // escapes every backslash once more (and line breaks and tabs as "\n", "\t", "\r"), and "%"
  // is doubled for the field codes.
  const bool needsQuotes =
      argument.empty() ||
      argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") != std::string_view::npos;
  std::string quoted;
  if (needsQuotes) quoted += '"';
  for (const char c : argument) {
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
    quoted += c;
  }
  if (needsQuotes) quoted += '"';
  std::string value;
  for (const char c : quoted) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '%':
        value += "%%";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string XdgAutostartLoginItems::execLine(const std::filesystem::path& executable) {
  const std::string path = executable.string();
  if (path.find('%') == std::string::npos) return execArgument(path);
  // GLib looks the program up by the Exec line's first word before it turns "%%" into "%", so a
  // path holding "%" would never start: a shell that is always there starts it instead, given
  // the path as its $0.
  return "/bin/sh -c " + execArgument("exec \"$0\"") + " " + execArgument(path);
}

std::string XdgAutostartLoginItems::desktopEntry(const std::filesystem::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Plivex\n"
         "Comment=Switches the keyboard layout on a lone tap of a trigger key\n"
         "Exec=" +
         execLine(executable) +
         "\n"
         "Icon=plivex\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool XdgAutostartLoginItems::isHidden(std::string_view entry) {
  bool inMainGroup = false;
  while (!entry.empty()) {
    const auto end = entry.find('\n');
    const std::string_view line = trimmed(entry.substr(0, end));
    entry.remove_prefix(end == std::string_view::npos ? entry.size() : end + 1);
    if (line.starts_with('[')) {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    if (trimmed(line.substr(0, equals)) == "Hidden") {
      return trimmed(line.substr(equals + 1)) == "true";
    }
  }
  return false;
}

LoginItemStatus XdgAutostartLoginItems::status() {
  const auto entry = readSmallFile(entryFile);
  if (!entry || isHidden(*entry)) return LoginItemStatus::notRegistered;
  return LoginItemStatus::enabled;
}

std::optional<ServiceError> XdgAutostartLoginItems::registerMainApp() {
  if (auto problem = writeFileAtomically(entryFile, desktopEntry(executable))) {
    return ServiceError{std::move(*problem)};
  }
  return std::nullopt;
}

std::optional<ServiceError> XdgAutostartLoginItems::unregisterMainApp() {
  if (auto problem = removeFile(entryFile)) return ServiceError{std::move(*problem)};
  return std::nullopt;
}

}  // namespace kestravane::platform::desktop
