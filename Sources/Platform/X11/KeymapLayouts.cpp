#include "Platform/X11/KeymapLayouts.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <memory>

#include "Platform/X11/XkbRulesNames.h"

namespace kestravane::platform::x11 {
namespace {

struct KeyboardDescription {
  void operator()(XkbDescPtr description) const { XkbFreeKeyboard(description, 0, True); }
};

}  // namespace

std::vector<std::string> layoutIdentifiers(std::string_view layouts, std::string_view variants,
                                           int groupCount) {
  const auto layoutNames = splitAtCommas(layouts);
  const auto variantNames = splitAtCommas(variants);
  std::vector<std::string> ids;
  for (int group = 0; group < groupCount; ++group) {
    const auto index = static_cast<std::size_t>(group);
    const std::string number = std::to_string(group + 1);
    std::string id;
    if (index < layoutNames.size() && !layoutNames[index].empty()) {
      id = layoutNames[index];
      if (index < variantNames.size() && !variantNames[index].empty()) {
        id += "(" + std::string(variantNames[index]) + ")";
      }
      if (std::ranges::find(ids, id) != ids.end()) id += "#" + number;
    } else {
      id = "group" + number;
    }
    ids.push_back(std::move(id));
  }
  return ids;
}

std::vector<KeymapLayout> readKeymapLayouts(Display* display) {
  const std::unique_ptr<XkbDescRec, KeyboardDescription> keyboard(XkbAllocKeyboard());
  if (!keyboard) return {};
  if (XkbGetControls(display, XkbGroupsWrapMask, keyboard.get()) != Success ||
      keyboard->ctrls == nullptr) {
    return {};
  }
  const int groupCount = keyboard->ctrls->num_groups;
  const auto names = readXkbRulesNames(display).value_or(XkbRulesNames{});
  const auto ids = layoutIdentifiers(names.layouts, names.variants, groupCount);
  const bool named = XkbGetNames(display, XkbGroupNamesMask, keyboard.get()) == Success &&
                     keyboard->names != nullptr;
  std::vector<KeymapLayout> layouts;
  for (int group = 0; group < groupCount; ++group) {
    KeymapLayout layout{ids[static_cast<std::size_t>(group)], std::nullopt};
    const Atom atom = named ? keyboard->names->groups[group] : None;
    if (atom != None) {
      if (char* text = XGetAtomName(display, atom)) {
        if (*text != '\0') layout.name = text;
        XFree(text);
      }
    }
    layouts.push_back(std::move(layout));
  }
  return layouts;
}

std::optional<int> currentGroup(Display* display) {
  XkbStateRec state{};
  if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return std::nullopt;
  return state.group;
}

}  // namespace kestravane::platform::x11
