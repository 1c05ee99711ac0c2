#include "Platform/Wayland/HyprlandDevices.h"

#include <nlohmann/json.hpp>
#include <vector>

namespace kestravane::platform::wayland {
namespace {

using nlohmann::json;

std::vector<std::string> splitAtCommas(const std::string& text) {
  std::vector<std::string> pieces;
  std::string::size_type start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    pieces.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return pieces;
    start = comma + 1;
  }
}

std::string stringAt(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

}  // namespace

std::optional<DesktopLayouts> parseHyprlandDevices(
    std::string_view text,
    const std::function<std::optional<std::string>(std::string_view)>& describe) {
  const auto devices = json::parse(text, nullptr, false);
  if (devices.is_discarded() || !devices.is_object()) return std::nullopt;
  const auto keyboards = devices.find("keyboards");
  if (keyboards == devices.end() || !keyboards->is_array()) return std::nullopt;

  const json* followed = nullptr;
  std::size_t mostLayouts = 0;
  for (const auto& keyboard : *keyboards) {
    if (!keyboard.is_object()) continue;
    const auto layouts = stringAt(keyboard, "layout");
    if (layouts.empty()) continue;
    if (keyboard.value("main", json()) == true) {
      followed = &keyboard;
      break;
    }
    const auto count = splitAtCommas(layouts).size();
    if (count > mostLayouts) {
      mostLayouts = count;
      followed = &keyboard;
    }
  }
  DesktopLayouts result;
  if (followed == nullptr) return result;

  const auto layouts = splitAtCommas(stringAt(*followed, "layout"));
  const auto variants = splitAtCommas(stringAt(*followed, "variant"));
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    std::string id = layouts[index];
    if (index < variants.size() && !variants[index].empty()) id += "(" + variants[index] + ")";
    auto name = describe(id).value_or(id);
    result.layouts.push_back({std::move(id), std::move(name)});
  }
  const auto activeIndex = followed->find("active_layout_index");
  if (activeIndex != followed->end() && activeIndex->is_number_unsigned()) {
    const auto index = activeIndex->get<std::size_t>();
    if (index < result.layouts.size()) result.active = index;
    return result;
  }
  const auto activeName = stringAt(*followed, "active_keymap");
  for (std::size_t index = 0; index < result.layouts.size(); ++index) {
    if (result.layouts[index].name == activeName) {
      result.active = index;
      break;
    }
  }
  return result;
}

std::optional<DesktopChange> parseHyprlandEvent(std::string_view line) {
  const auto separator = line.find(">>");
  if (separator == std::string_view::npos) return std::nullopt;
  const auto event = line.substr(0, separator);
  if (event == "activelayout") return DesktopChange::active;
  // A reloaded configuration may list other layouts.
  if (event == "configreloaded") return DesktopChange::layouts;
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
