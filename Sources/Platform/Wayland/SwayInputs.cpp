#include "Platform/Wayland/SwayInputs.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace kestravane::platform::wayland {
namespace {

using nlohmann::json;

std::optional<json> parsed(std::string_view text) {
  auto value = json::parse(text, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<DesktopLayouts> parseSwayInputs(std::string_view text) {
  const auto inputs = parsed(text);
  if (!inputs || !inputs->is_array()) return std::nullopt;
  const json* followed = nullptr;
  std::size_t mostLayouts = 0;
  for (const auto& input : *inputs) {
    if (!input.is_object() || input.value("type", json()) != "keyboard") continue;
    const auto names = input.find("xkb_layout_names");
    if (names == input.end() || !names->is_array()) continue;
    if (names->size() > mostLayouts) {
      mostLayouts = names->size();
      followed = &input;
    }
  }
  DesktopLayouts result;
  if (followed == nullptr) return result;
  for (const auto& name : (*followed)["xkb_layout_names"]) {
    result.layouts.push_back({{}, name.is_string() ? name.get<std::string>() : std::string()});
  }
  const auto active = followed->find("xkb_active_layout_index");
  if (active != followed->end() && active->is_number_unsigned() &&
      active->get<std::size_t>() < result.layouts.size()) {
    result.active = active->get<std::size_t>();
  }
  return result;
}

std::optional<DesktopChange> parseSwayInputEvent(std::string_view text) {
  const auto event = parsed(text);
  if (!event || !event->is_object()) return std::nullopt;
  const auto change = event->value("change", json());
  if (change == "xkb_layout") return DesktopChange::active;
  // A keyboard that comes or goes may be the one with the most layouts.
  if (change == "xkb_keymap" || change == "added" || change == "removed") {
    return DesktopChange::layouts;
  }
  return std::nullopt;
}

bool swayReplySucceeded(std::string_view text) {
  const auto reply = parsed(text);
  if (!reply) return false;
  const auto succeeded = [](const json& one) {
    return one.is_object() && one.value("success", json()) == true;
  };
  if (reply->is_object()) return succeeded(*reply);
  return reply->is_array() && !reply->empty() && std::ranges::all_of(*reply, succeeded);
}

}  // namespace kestravane::platform::wayland
