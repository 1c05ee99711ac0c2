#include "Platform/Wayland/KdeKeyOptions.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <utility>
#include <vector>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/SessionBus.h"

namespace kestravane::platform::wayland {
namespace {

constexpr std::string_view kOptionsKey = "Options";
constexpr std::string_view kResetKey = "ResetOldOptions";

std::string_view withoutBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

struct Entry {
  std::size_t line;
  std::string_view key;
  std::string_view value;
};

// The entries of the [Layout] groups, in order, and the first such group's header line.
struct LayoutGroup {
  std::vector<Entry> entries;
  std::optional<std::size_t> header;
};

LayoutGroup layoutGroup(const std::vector<std::string>& lines) {
  LayoutGroup group;
  bool inside = false;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const auto text = withoutBlanks(lines[index]);
    if (text.starts_with('[')) {
      inside = text == "[Layout]";
      if (inside && !group.header) group.header = index;
      continue;
    }
    const auto equals = text.find('=');
    if (!inside || text.starts_with('#') || equals == std::string_view::npos) continue;
    group.entries.push_back(
        {index, withoutBlanks(text.substr(0, equals)), withoutBlanks(text.substr(equals + 1))});
  }
  return group;
}

}  // namespace

XkbOptionList kxkbrcOptions(std::string_view text) {
  const auto lines = linesOf(text);
  std::string_view options;
  for (const auto& entry : layoutGroup(lines).entries) {
    if (entry.key == kOptionsKey) options = entry.value;
  }
  return parseXkbOptions(options);
}

std::string kxkbrcWithOptions(std::string_view text, const XkbOptionList& options) {
  auto lines = linesOf(text);
  const std::string optionsLine = std::string(kOptionsKey) + "=" + joinXkbOptions(options);
  const std::string resetLine = std::string(kResetKey) + "=true";
  const auto group = layoutGroup(lines);
  bool hasOptions = false;
  bool hasReset = false;
  for (const auto& entry : group.entries) {
    if (entry.key == kOptionsKey) {
      lines[entry.line] = optionsLine;
      hasOptions = true;
    } else if (entry.key == kResetKey) {
      lines[entry.line] = resetLine;
      hasReset = true;
    }
  }
  auto header = group.header;
  if (!header) {
    if (!lines.empty() && !withoutBlanks(lines.back()).empty()) lines.emplace_back();
    lines.emplace_back("[Layout]");
    header = lines.size() - 1;
  }
  // Options first, then ResetOldOptions, right under the group's header.
  const auto under = static_cast<std::ptrdiff_t>(*header) + 1;
  if (!hasReset) lines.insert(lines.begin() + under, resetLine);
  if (!hasOptions) lines.insert(lines.begin() + under, optionsLine);
  std::string joined;
  for (const auto& line : lines) joined.append(line).append("\n");
  return joined;
}

KdeKeyOptions::KdeKeyOptions(std::filesystem::path kxkbrc, std::optional<std::string> busAddress,
                             std::chrono::milliseconds timeout)
    : kxkbrc(std::move(kxkbrc)), busAddress(std::move(busAddress)), timeout(timeout) {}

std::optional<KdeKeyOptions::Contents> KdeKeyOptions::contents() const {
  std::error_code error;
  if (!std::filesystem::exists(kxkbrc, error) && !error) return Contents{};
  auto text = desktop::readSmallFile(kxkbrc);
  if (!text) return std::nullopt;
  return Contents{true, std::move(*text)};
}

std::optional<XkbOptionList> KdeKeyOptions::read() {
  const auto current = contents();
  if (!current) return std::nullopt;
  return kxkbrcOptions(current->text);
}

std::optional<std::string> KdeKeyOptions::write(const XkbOptionList& options) {
  if (const auto unsafe = firstUnsafeXkbOption(options)) {
    return "not an XKB option name: " + *unsafe;
  }
  const auto current = contents();
  if (!current) return "cannot read " + kxkbrc.string();
  // A link (a dotfiles folder's) stays a link: the file it names is replaced.
  std::error_code error;
  auto target = std::filesystem::canonical(kxkbrc, error);
  if (error) target = kxkbrc;
  if (auto problem =
          desktop::writeFileAtomically(target, kxkbrcWithOptions(current->text, options))) {
    return problem;
  }
  const auto unheard = tellKWin();
  if (!unheard) return std::nullopt;
  if (current->exists) {
    desktop::writeFileAtomically(target, current->text);
  } else {
    desktop::removeFile(target);
  }
  return unheard;
}

std::optional<std::string> KdeKeyOptions::tellKWin() const {
  std::string failure;
  sd_bus* bus = openSessionBus(busAddress, timeout, failure);
  if (bus == nullptr) return "cannot tell KWin to reload " + kxkbrc.string() + ": " + failure;
  int result = sd_bus_emit_signal(bus, "/Layouts", "org.kde.keyboard", "reloadConfig", "");
  if (result >= 0) result = sd_bus_flush(bus);
  sd_bus_flush_close_unref(bus);
  if (result < 0) {
    return "cannot tell KWin to reload " + kxkbrc.string() + ": " + std::strerror(-result);
  }
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
