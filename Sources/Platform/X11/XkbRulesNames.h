// The names the current XKB keymap was made from, as the root window's _XKB_RULES_NAMES property
// holds them (setxkbmap and the desktops' keyboard settings write it when they load a keymap):
// the rules file, the model, the layouts, their variants and the options, each comma-separated.
// Threads: plain values; readXkbRulesNames() on the connection's thread.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::x11 {

struct XkbRulesNames {
  std::string rules;
  std::string model;
  std::string layouts;
  std::string variants;
  std::string options;
};

// The property's names, absent when the root window has none.
std::optional<XkbRulesNames> readXkbRulesNames(Display* display);

// The comma-separated pieces of `text`, empty pieces included ("us,,de" is three).
std::vector<std::string_view> splitAtCommas(std::string_view text);

}  // namespace kestravane::platform::x11
