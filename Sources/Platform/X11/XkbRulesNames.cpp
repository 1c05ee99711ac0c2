#include "Platform/X11/XkbRulesNames.h"

#include <X11/Xatom.h>

#include <algorithm>

namespace kestravane::platform::x11 {

std::vector<std::string_view> splitAtCommas(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const auto comma = text.find(',');
    pieces.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return pieces;
    text.remove_prefix(comma + 1);
  }
}

std::optional<XkbRulesNames> readXkbRulesNames(Display* display) {
  const Atom property = XInternAtom(display, "_XKB_RULES_NAMES", True);
  if (property == None) return std::nullopt;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 4096, False, XA_STRING,
                         &type, &format, &count, &remaining, &data) != Success) {
    return std::nullopt;
  }
  // Five NUL-separated strings, in the order of the struct's members.
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
  if (names.empty()) return std::nullopt;
  names.resize(5);
  return XkbRulesNames{std::move(names[0]), std::move(names[1]), std::move(names[2]),
                       std::move(names[3]), std::move(names[4])};
}

}  // namespace kestravane::platform::x11
