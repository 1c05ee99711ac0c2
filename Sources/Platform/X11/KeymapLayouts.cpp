#include "Platform/X11/KeymapLayouts.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <memory>

namespace kestravane::platform::x11 {
namespace {

std::vector<std::string_view> splitAtCommas(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const auto comma = text.find(',');
    pieces.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return pieces;
    text.remove_prefix(comma + 1);
  }
}

// The five NUL-separated strings of _XKB_RULES_NAMES: rules, model, layouts, variants, options.
std::vector<std::string> rulesNames(Display* display) {
  const Atom property = XInternAtom(display, "_XKB_RULES_NAMES", True);
  if (property == None) return {};
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 4096, False, XA_STRING,
                         &type, &format, &count, &remaining, &data) != Success) {
    return {};
  }
  std::vector<std::string> names;
  if (data != nullptr && type == XA_STRING && format == 8) {
    const std::string_view text(reinterpret_cast<const char*>(data), count);
    for (std::size_t start = 0; start <= text.size();) {
      const auto end = std::min(text.find('\0', start), text.size());
      names.emplace_back(text.substr(start, end - start));
      start = end + 1;
    }
  }
  if (data != nullptr) XFree(data);
  return names;
}

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
  const auto names = rulesNames(display);
  const auto ids = layoutIdentifiers(names.size() > 2 ? names[2] : "",
                                     names.size() > 3 ? names[3] : "", groupCount);
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
