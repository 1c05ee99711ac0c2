#include "Platform/Host/UrlSyntax.h"

#include <cstddef>
#include <utility>

namespace kestravane::platform::host {
namespace {

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Unreserved, reserved (without the brackets, handled apart) and the escape character.
bool isURLCharacter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~:/?#@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

// Where the authority ("//host") begins and ends, or an empty range when there is none.
std::pair<std::size_t, std::size_t> authorityRange(std::string_view text) {
  std::size_t start = text.find("//");
  const std::size_t firstDelimiter = text.find_first_of("/?#");
  if (start == std::string_view::npos || start != firstDelimiter) return {0, 0};
  // The "//" must open the string or follow the scheme's colon.
  if (start != 0 &&
      (text[start - 1] != ':' || text.substr(0, start - 1).find(':') != std::string_view::npos)) {
    return {0, 0};
  }
  start += 2;
  const std::size_t end = text.find_first_of("/?#", start);
  return {start, end == std::string_view::npos ? text.size() : end};
}

}  // namespace

bool isWellFormedURL(std::string_view text) {
  if (text.empty()) return false;
  const auto [hostStart, hostEnd] = authorityRange(text);
  bool seenFragment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '[' || c == ']') {
      if (i < hostStart || i >= hostEnd) return false;
      continue;
    }
    if (!isURLCharacter(c)) return false;
    if (c == '%' &&
        (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))) {
      return false;
    }
    if (c == '#') {
      if (seenFragment) return false;
      seenFragment = true;
    }
  }
  return true;
}

}  // namespace kestravane::platform::host
