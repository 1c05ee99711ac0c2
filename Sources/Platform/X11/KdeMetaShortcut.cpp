#include "Platform/X11/KdeMetaShortcut.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Platform/LinuxDesktop/AtomicFile.h"

namespace kestravane::platform::x11 {
namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::optional<std::string> kdeMetaShortcutIn(std::string_view kwinrc) {
  // KConfig: "[Group]" lines, "key=value" lines, "#" comments; a later entry wins.
  std::optional<std::string> value;
  bool inGroup = false;
  while (!kwinrc.empty()) {
    const auto end = kwinrc.find('\n');
    const std::string_view line = trimmed(kwinrc.substr(0, end));
    kwinrc.remove_prefix(end == std::string_view::npos ? kwinrc.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inGroup = line == "[ModifierOnlyShortcuts]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inGroup || equals == std::string_view::npos) continue;
    if (trimmed(line.substr(0, equals)) == "Meta") {
      value = std::string(trimmed(line.substr(equals + 1)));
    }
  }
  if (!value) return std::string(kKdeMetaDefault);
  if (value->empty()) return std::nullopt;
  return value;
}

bool isKdeDesktop(std::string_view currentDesktop) {
  while (true) {
    const auto colon = currentDesktop.find(':');
    const std::string_view name = currentDesktop.substr(0, colon);
    if (std::ranges::equal(name, std::string_view("KDE"), [](char l, char r) {
          return std::toupper(static_cast<unsigned char>(l)) == r;
        })) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    currentDesktop.remove_prefix(colon + 1);
  }
}

std::optional<std::filesystem::path> kwinrcFile(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && std::filesystem::path(xdgConfigHome).is_absolute()) {
    return std::filesystem::path(xdgConfigHome) / "kwinrc";
  }
  if (home != nullptr && std::filesystem::path(home).is_absolute()) {
    return std::filesystem::path(home) / ".config" / "kwinrc";
  }
  return std::nullopt;
}

std::optional<std::string> kdeMetaShortcutOfSession() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktop == nullptr || !isKdeDesktop(desktop)) return std::nullopt;
  const auto file = kwinrcFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  const auto text = file ? desktop::readSmallFile(*file) : std::nullopt;
  return kdeMetaShortcutIn(text.value_or(""));
}

}  // namespace kestravane::platform::x11
