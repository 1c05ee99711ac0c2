#include "Platform/Wayland/XkbOptions.h"

#include <algorithm>
#include <array>

namespace kestravane::platform::wayland {
namespace {

// The words the options use for the keys a trigger's option acts on.
constexpr std::array<std::string_view, 2> kKeyWords = {"caps", "menu"};

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

XkbOptionList parseXkbOptions(std::string_view commaSeparated) {
  XkbOptionList options;
  while (!commaSeparated.empty()) {
    const auto comma = commaSeparated.find(',');
    const auto piece = trimmed(commaSeparated.substr(0, comma));
    if (!piece.empty()) options.emplace_back(piece);
    if (comma == std::string_view::npos) break;
    commaSeparated.remove_prefix(comma + 1);
  }
  return options;
}

std::string joinXkbOptions(const XkbOptionList& options) {
  std::string joined;
  for (const auto& option : options) {
    if (!joined.empty()) joined += ',';
    joined += option;
  }
  return joined;
}

std::optional<std::string> firstUnsafeXkbOption(const XkbOptionList& options) {
  const auto plain = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_:+-.()").find(c) != std::string_view::npos;
  };
  for (const auto& option : options) {
    if (option.empty() || !std::ranges::all_of(option, plain)) return option;
  }
  return std::nullopt;
}

bool actsOnSameKey(std::string_view option, std::string_view ours) {
  for (const auto word : kKeyWords) {
    if (ours.find(word) != std::string_view::npos) {
      return option.find(word) != std::string_view::npos;
    }
  }
  return option == ours;
}

XkbOptionList withOption(const XkbOptionList& user, std::string_view ours) {
  XkbOptionList options;
  for (const auto& option : user) {
    if (!actsOnSameKey(option, ours)) options.push_back(option);
  }
  options.emplace_back(ours);
  return options;
}

XkbOptionList withoutOption(const XkbOptionList& now, const XkbOptionList& before,
                            std::string_view ours) {
  if (now == withOption(before, ours)) return before;
  XkbOptionList options;
  std::copy_if(now.begin(), now.end(), std::back_inserter(options),
               [&](const std::string& option) { return option != ours; });
  return options;
}

}  // namespace kestravane::platform::wayland
