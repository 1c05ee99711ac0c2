#include "Platform/Wayland/HyprlandKeyOptions.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "Platform/Wayland/HyprlandRequest.h"

namespace kestravane::platform::wayland {

HyprlandKeyOptions::HyprlandKeyOptions(std::string socketFolder, std::chrono::milliseconds timeout)
    : socketFolder(std::move(socketFolder)), timeout(timeout) {}

std::optional<XkbOptionList> HyprlandKeyOptions::read() {
  std::string failure;
  const auto reply = askHyprland(socketFolder, "j/getoption input:kb_options", timeout, failure);
  if (!reply) return std::nullopt;
  const auto json = nlohmann::json::parse(*reply, nullptr, false);
  if (!json.is_object() || !json.contains("str") || !json["str"].is_string()) return std::nullopt;
  return parseXkbOptions(json["str"].get_ref<const std::string&>());
}

std::optional<std::string> HyprlandKeyOptions::write(const XkbOptionList& options) {
  if (const auto unsafe = firstUnsafeXkbOption(options)) {
    return "not an XKB option name: " + *unsafe;
  }
  const std::string request = "keyword input:kb_options " + joinXkbOptions(options);
  std::string failure;
  const auto reply = askHyprland(socketFolder, request, timeout, failure);
  if (!reply) return failure;
  if (*reply != "ok") return "Hyprland refused " + request + ": " + *reply;
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
