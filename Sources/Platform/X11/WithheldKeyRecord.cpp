#include "Platform/X11/WithheldKeyRecord.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kestravane::platform::x11 {
namespace {

constexpr std::string_view kHeader = "plivex withheld key 1";

// The next line without its end; empties `text` at the last line.
std::string_view nextLine(std::string_view& text) {
  const auto end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

// The rest of `line` after "<label> ", or absent.
std::optional<std::string_view> field(std::string_view line, std::string_view label) {
  if (!line.starts_with(label) || line.size() <= label.size() || line[label.size()] != ' ') {
    return std::nullopt;
  }
  return line.substr(label.size() + 1);
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string displayKey(std::string_view displayName) {
  const auto colon = displayName.rfind(':');
  if (colon == std::string_view::npos) return std::string(displayName);
  std::string_view host = displayName.substr(0, colon);
  std::string_view number = displayName.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  unsigned value = 0;
  if (!parseNumber(number, value, 10)) return std::string(displayName);
  if (host == "unix") host = {};
  return std::string(host) + ":" + std::to_string(value);
}

std::string recordFileName(std::string_view displayName) {
  std::string name = "withheld-key-" + displayKey(displayName);
  std::ranges::replace(name, '/', '_');
  return name;
}

std::string encode(const WithheldKeyRecord& record) {
  std::string text(kHeader);
  text +=
      "\ndisplay " + record.display + "\nkeycode " + std::to_string(record.keycode) + "\nkeysyms";
  for (const unsigned long keysym : record.keysyms) {
    char hex[24];
    std::snprintf(hex, sizeof hex, " %lx", keysym);
    text += hex;
  }
  text += '\n';
  return text;
}

std::optional<WithheldKeyRecord> decodeWithheldKeyRecord(std::string_view text) {
  if (nextLine(text) != kHeader) return std::nullopt;
  WithheldKeyRecord record;
  const auto display = field(nextLine(text), "display");
  const auto keycode = field(nextLine(text), "keycode");
  const auto keysyms = field(nextLine(text), "keysyms");
  if (!display || !keycode || !keysyms || !text.empty()) return std::nullopt;
  record.display = std::string(*display);
  if (!parseNumber(*keycode, record.keycode, 10) || record.keycode > 255) return std::nullopt;
  std::string_view rest = *keysyms;
  while (!rest.empty()) {
    const auto space = rest.find(' ');
    unsigned long keysym = 0;
    if (!parseNumber(rest.substr(0, space), keysym, 16)) return std::nullopt;
    record.keysyms.push_back(keysym);
    rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
  }
  if (record.keysyms.empty()) return std::nullopt;
  return record;
}

}  // namespace kestravane::platform::x11
