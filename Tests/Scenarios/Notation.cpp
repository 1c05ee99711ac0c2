#include "Scenarios/Notation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <vector>

#include "Platform/Virtual/KeyTable.h"

namespace kestravane::scenario {
namespace {

template <typename T>
std::optional<T> parseNumber(std::string_view word) {
  int base = 10;
  if (word.starts_with("0x") || word.starts_with("0X")) {
    word.remove_prefix(2);
    base = 16;
  }
  T value{};
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (word.empty() || error != std::errc() || end != word.data() + word.size()) return {};
  return value;
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> result;
  while (true) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return result;
    text.remove_prefix(start);
    const auto end = std::min(text.find_first_of(" \t"), text.size());
    result.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
}

constexpr std::array<std::pair<std::string_view, EngineHealth>, 8> kHealthNames{{
    {"active", EngineHealth::active},
    {"disabled", EngineHealth::disabled},
    {"needsLayouts", EngineHealth::needsLayouts},
    {"noInputMonitoring", EngineHealth::noInputMonitoring},
    {"noAccessibility", EngineHealth::noAccessibility},
    {"tapDisabled", EngineHealth::tapDisabled},
    {"globeNotFree", EngineHealth::globeNotFree},
    {"secureInput", EngineHealth::secureInput},
}};

}  // namespace

std::string hex(std::uint64_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

// Digit keys are named "digit1" and so on, so a bare number is always a key code.
std::optional<std::uint16_t> parseKey(std::string_view word) {
  if (const auto* key = platform::vmac::keyByName(word)) return key->code;
  const auto code = parseNumber<std::uint16_t>(word);
  if (code && *code < 128) return code;
  return {};
}

std::string keyName(std::int64_t keyCode) {
  if (const auto* key = platform::vmac::keyByCode(keyCode)) return std::string(key->name);
  return std::to_string(keyCode);
}

std::optional<platform::EventFlags> downFlag(std::int64_t keyCode) {
  const auto* key = platform::vmac::keyByCode(keyCode);
  if (!key || !key->isModifier()) return {};
  return key->downFlag();
}

bool EventPattern::matches(const platform::Event& event) const {
  if (event.keyCode != keyCode) return false;
  if (exactFlags && event.flags != *exactFlags) return false;
  switch (kind) {
    case Kind::down:
    case Kind::up: {
      if (event.type != platform::kEventFlagsChanged) return false;
      const bool isDown = (event.flags & downFlag(keyCode).value_or(0)) != 0;
      return isDown == (kind == Kind::down);
    }
    case Kind::keyDown:
      return event.type == platform::kEventKeyDown && event.autorepeat == 0;
    case Kind::repeat:
      return event.type == platform::kEventKeyDown && event.autorepeat != 0;
    case Kind::keyUp:
      return event.type == platform::kEventKeyUp;
    case Kind::flags:
      return event.type == platform::kEventFlagsChanged;
  }
  return false;
}

std::optional<EventPattern> parseEventPattern(std::string_view item) {
  using Kind = EventPattern::Kind;
  constexpr std::array<std::pair<std::string_view, Kind>, 6> kinds{{
      {"down", Kind::down},
      {"up", Kind::up},
      {"keydown", Kind::keyDown},
      {"repeat", Kind::repeat},
      {"keyup", Kind::keyUp},
      {"flags", Kind::flags},
  }};
  const auto parts = words(item);
  if (parts.size() < 2 || parts.size() > 3) return {};
  const auto kind = std::find_if(kinds.begin(), kinds.end(),
                                 [&](const auto& entry) { return entry.first == parts[0]; });
  const auto key = parseKey(parts[1]);
  if (kind == kinds.end() || !key) return {};

  EventPattern pattern{kind->second, *key, {}};
  const bool modifier = downFlag(*key).has_value();
  if ((pattern.kind == Kind::down || pattern.kind == Kind::up) && !modifier) return {};
  if (parts.size() == 3) {
    pattern.exactFlags = parseNumber<platform::EventFlags>(parts[2]);
    if (!pattern.exactFlags) return {};
  } else if (pattern.kind == Kind::flags) {
    return {};  // the raw form always names the flag word
  }
  return pattern;
}

std::string describe(const platform::Event& event) {
  std::string readable;
  const std::string key = keyName(event.keyCode);
  switch (event.type) {
    case platform::kEventFlagsChanged:
      if (const auto flag = downFlag(event.keyCode)) {
        readable = ((event.flags & *flag) != 0 ? "down " : "up ") + key;
      }
      break;
    case platform::kEventKeyDown:
      readable = (event.autorepeat != 0 ? "repeat " : "keydown ") + key;
      break;
    case platform::kEventKeyUp:
      readable = "keyup " + key;
      break;
    default:
      break;
  }
  // The raw form is itself an `expect app` item that matches exactly this event.
  std::string rawKind;
  switch (event.type) {
    case platform::kEventFlagsChanged:
      rawKind = "flags";
      break;
    case platform::kEventKeyDown:
      rawKind = event.autorepeat != 0 ? "repeat" : "keydown";
      break;
    case platform::kEventKeyUp:
      rawKind = "keyup";
      break;
    default:
      rawKind = "type " + std::to_string(event.type);
      break;
  }
  const std::string raw = rawKind + " " + std::to_string(event.keyCode) + " " + hex(event.flags);
  return readable.empty() ? "[" + raw + "]" : readable + " [" + raw + "]";
}

std::optional<EngineHealth> parseHealth(std::string_view word) {
  for (const auto& [name, health] : kHealthNames) {
    if (name == word) return health;
  }
  return {};
}

std::string_view healthName(EngineHealth health) {
  for (const auto& [name, value] : kHealthNames) {
    if (value == health) return name;
  }
  return "?";
}

std::optional<EventTapEngine::EngineError::Case> parseEngineError(std::string_view word) {
  using Case = EventTapEngine::EngineError::Case;
  for (const Case errorCase : {Case::alreadyStarted, Case::noInputMonitoring, Case::noAccessibility,
                               Case::tapCreationFailed}) {
    if (word == EventTapEngine::EngineError(errorCase).what()) return errorCase;
  }
  return {};
}

}  // namespace kestravane::scenario
