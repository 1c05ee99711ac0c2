#include "Kestravane/Console/KeyNames.h"

#include <array>
#include <charconv>
#include <utility>

namespace kestravane::console {
namespace {

// macOS ANSI key codes.
constexpr std::array<std::pair<std::string_view, std::uint16_t>, 50> kNames{{
    {"fn", 63},     {"capslock", 57}, {"rcmd", 54},    {"lcmd", 55},    {"shift", 56},
    {"rshift", 60}, {"option", 58},   {"roption", 61}, {"control", 59}, {"rcontrol", 62},
    {"space", 49},  {"return", 36},   {"tab", 48},     {"escape", 53},  {"a", 0},
    {"s", 1},       {"d", 2},         {"f", 3},        {"h", 4},        {"g", 5},
    {"z", 6},       {"x", 7},         {"c", 8},        {"v", 9},        {"b", 11},
    {"q", 12},      {"w", 13},        {"e", 14},       {"r", 15},       {"y", 16},
    {"t", 17},      {"1", 18},        {"2", 19},       {"3", 20},       {"4", 21},
    {"6", 22},      {"5", 23},        {"9", 25},       {"7", 26},       {"8", 28},
    {"0", 29},      {"o", 31},        {"u", 32},       {"i", 34},       {"p", 35},
    {"l", 37},      {"j", 38},        {"k", 40},       {"n", 45},       {"m", 46},
}};

}  // namespace

std::optional<std::uint16_t> keyCodeForName(std::string_view name) {
  for (const auto& [keyName, code] : kNames) {
    if (keyName == name) return code;
  }
  std::uint16_t code = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (error == std::errc() && end == name.data() + name.size() && code < 128) return code;
  return std::nullopt;
}

std::string keyNameList() {
  std::string list;
  for (const auto& [keyName, code] : kNames) {
    if (!list.empty()) list += ' ';
    list += keyName;
  }
  return list + " (or a key code 0-127)";
}

}  // namespace kestravane::console
