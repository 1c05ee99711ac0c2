#include "Platform/Wayland/SwayKeyOptions.h"

#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "Platform/Wayland/SwayInputs.h"

namespace kestravane::platform::wayland {
namespace {

std::string_view withoutBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string_view unquoted(std::string_view word) {
  if (word.size() >= 2 && (word.front() == '"' || word.front() == '\'') &&
      word.back() == word.front()) {
    return word.substr(1, word.size() - 2);
  }
  return word;
}

// Takes the first word (a quoted one whole) off the front of `text`.
std::string_view takeWord(std::string_view& text) {
  text = withoutBlanks(text);
  if (text.empty()) return {};
  std::size_t end = text.find_first_of(" \t");
  if (text.front() == '"' || text.front() == '\'') {
    const auto closing = text.find(text.front(), 1);
    end = closing == std::string_view::npos ? closing : closing + 1;
  }
  const auto word = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view{} : text.substr(end);
  return word;
}

}  // namespace

XkbOptionList swayConfigXkbOptions(std::string_view configText) {
  std::optional<std::string> forKeyboards;
  std::optional<std::string> forAll;
  const auto apply = [&](std::string_view identifier, std::string_view setting) {
    if (takeWord(setting) != "xkb_options") return;
    const std::string value(unquoted(withoutBlanks(setting)));
    if (identifier == "type:keyboard") forKeyboards = value;
    if (identifier == "*") forAll = value;
  };
  std::vector<std::string> blocks;  // the headers of the blocks around the line
  std::string line;
  while (!configText.empty()) {
    const auto end = configText.find('\n');
    const auto piece = withoutBlanks(configText.substr(0, end));
    configText = end == std::string_view::npos ? std::string_view{} : configText.substr(end + 1);
    // A backslash at the end continues the line on the next.
    if (piece.ends_with('\\') && !configText.empty()) {
      line.append(piece.substr(0, piece.size() - 1)).append(" ");
      continue;
    }
    const std::string whole = std::exchange(line, {}).append(piece);
    std::string_view text = withoutBlanks(whole);
    if (text.empty() || text.front() == '#') continue;
    if (text == "}") {
      if (!blocks.empty()) blocks.pop_back();
      continue;
    }
    if (text.back() == '{') {
      blocks.emplace_back(text.substr(0, text.size() - 1));
      continue;
    }
    // A setting in an `input ID {` block, or a whole `input ID setting` line.
    std::string_view header = blocks.empty() ? std::string_view{} : blocks.back();
    std::string_view& words = blocks.empty() ? text : header;
    if (takeWord(words) != "input") continue;
    const auto identifier = unquoted(takeWord(words));
    apply(identifier, text);
  }
  return parseXkbOptions(forKeyboards ? *forKeyboards : forAll.value_or(""));
}

SwayKeyOptions::SwayKeyOptions(std::string socketPath, std::chrono::milliseconds timeout)
    : socketPath(std::move(socketPath)), timeout(timeout) {}

std::optional<std::string> SwayKeyOptions::ask(std::uint32_t type, std::string_view payload,
                                               std::string& failure) {
  if (!socket.isOpen()) {
    if (auto refused = socket.connect(socketPath)) {
      failure = "Sway's IPC socket: " + *refused;
      return std::nullopt;
    }
  }
  auto reply = socket.request(type, payload, timeout);
  if (!reply.payload) failure = "Sway's IPC: " + reply.failure;
  return std::move(reply.payload);
}

std::optional<XkbOptionList> SwayKeyOptions::read() {
  if (lastSet) return lastSet;
  std::string failure;
  const auto reply = ask(i3ipc::kGetConfig, "", failure);
  if (!reply) return std::nullopt;
  const auto json = nlohmann::json::parse(*reply, nullptr, false);
  if (!json.is_object() || !json.contains("config") || !json["config"].is_string()) {
    return std::nullopt;
  }
  return swayConfigXkbOptions(json["config"].get_ref<const std::string&>());
}

std::optional<std::string> SwayKeyOptions::write(const XkbOptionList& options) {
  if (const auto unsafe = firstUnsafeXkbOption(options)) {
    return "not an XKB option name: " + *unsafe;
  }
  // Quoted: Sway ends a command at a comma as at a semicolon.
  const std::string command = "input type:keyboard xkb_options \"" + joinXkbOptions(options) + "\"";
  std::string failure;
  const auto reply = ask(i3ipc::kRunCommand, command, failure);
  if (!reply) return failure;
  if (!swayReplySucceeded(*reply)) return "Sway refused " + command + ": " + *reply;
  lastSet = options;
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
