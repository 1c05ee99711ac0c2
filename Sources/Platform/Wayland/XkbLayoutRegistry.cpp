#include "Platform/Wayland/XkbLayoutRegistry.h"

#include <xkbcommon/xkbregistry.h>

namespace kestravane::platform::wayland {
void XkbLayoutRegistry::load() {
  loaded = true;
  rxkb_context* context = rxkb_context_new(RXKB_CONTEXT_NO_FLAGS);
  if (context == nullptr) return;
  if (rxkb_context_parse_default_ruleset(context)) {
    for (rxkb_layout* layout = rxkb_layout_first(context); layout != nullptr;
         layout = rxkb_layout_next(layout)) {
      const char* description = rxkb_layout_get_description(layout);
      const char* name = rxkb_layout_get_name(layout);
      if (description == nullptr || name == nullptr) continue;
      std::string id = name;
      if (const char* variant = rxkb_layout_get_variant(layout); variant && *variant != '\0') {
        id += "(" + std::string(variant) + ")";
      }
      // The first of layouts described alike is the plain one: the ruleset lists it first.
      byDescription.emplace(description, id);
      byId.emplace(std::move(id), description);
    }
  }
  rxkb_context_unref(context);
}

std::optional<std::string> XkbLayoutRegistry::idFor(std::string_view description) {
  if (!loaded) load();
  const auto found = byDescription.find(description);
  if (found == byDescription.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> XkbLayoutRegistry::descriptionFor(std::string_view id) {
  if (!loaded) load();
  const auto found = byId.find(id);
  if (found == byId.end()) return std::nullopt;
  return found->second;
}

}  // namespace kestravane::platform::wayland
