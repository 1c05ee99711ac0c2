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

constexpr std::array<std::pair<std::string_view, std::int64_t>, 3> kMouseButtonNames{{
    {"left", 0},
    {"right", 1},
    {"other", 2},
}};

constexpr std::array<std::pair<std::string_view, std::int64_t>, 6> kAuxKeyNames{{
    {"soundUp", 0},
    {"soundDown", 1},
    {"brightnessUp", 2},
    {"brightnessDown", 3},
    {"mute", 7},
    {"play", 16},
}};

template <std::size_t N>
std::optional<std::int64_t> codeNamed(
    const std::array<std::pair<std::string_view, std::int64_t>, N>& names, std::string_view word) {
  for (const auto& [name, code] : names) {
    if (name == word) return code;
  }
  return {};
}

// The event types of a mouse button's down and up.
std::pair<platform::EventType, platform::EventType> mouseTypes(std::int64_t button) {
  if (button == 0) return {platform::kEventLeftMouseDown, platform::kEventLeftMouseUp};
  if (button == 1) return {platform::kEventRightMouseDown, platform::kEventRightMouseUp};
  return {platform::kEventOtherMouseDown, platform::kEventOtherMouseUp};
}

bool isMouseType(platform::EventType type) {
  switch (type) {
    case platform::kEventLeftMouseDown:
    case platform::kEventLeftMouseUp:
    case platform::kEventRightMouseDown:
    case platform::kEventRightMouseUp:
    case platform::kEventOtherMouseDown:
    case platform::kEventOtherMouseUp:
      return true;
    default:
      return false;
  }
}

// A system-defined event's data1 for a media key: its NX_KEYTYPE and 0x0A (down) or 0x0B (up).
constexpr std::int64_t kAuxDown = 0x0A;
constexpr std::int64_t kAuxUp = 0x0B;
std::int64_t auxKeyOf(const platform::Event& event) {
  return (event.data1 >> 16) & 0xFF;
}
std::int64_t auxStateOf(const platform::Event& event) {
  return (event.data1 >> 8) & 0xFF;
}

constexpr std::array<std::pair<std::string_view, EngineHealth>, 9> kHealthNames{{
    {"active", EngineHealth::active},
    {"disabled", EngineHealth::disabled},
    {"needsLayouts", EngineHealth::needsLayouts},
    {"noInputMonitoring", EngineHealth::noInputMonitoring},
    {"noAccessibility", EngineHealth::noAccessibility},
    {"tapDisabled", EngineHealth::tapDisabled},
    {"globeNotFree", EngineHealth::globeNotFree},
    {"capsLockNotFree", EngineHealth::capsLockNotFree},
    {"secureInput", EngineHealth::secureInput},
}};

}  // namespace

std::string hex(std::uint64_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

// Digit keys are named "digit1" and so on, so a bare number is always a key code: a keyboard's
// (below 128) or one the system uses for events of its own (the lock-state echo, 255).
std::optional<std::uint16_t> parseKey(std::string_view word) {
  if (const auto* key = platform::vmac::keyByName(word)) return key->code;
  const auto code = parseNumber<std::uint16_t>(word);
  if (code && *code < 256) return code;
  return {};
}

std::string keyName(std::int64_t keyCode) {
  if (const auto* key = platform::vmac::keyByCode(keyCode)) return std::string(key->name);
  return std::to_string(keyCode);
}

std::optional<std::int64_t> parseMouseButton(std::string_view word) {
  return codeNamed(kMouseButtonNames, word);
}

std::string_view mouseButtonName(std::int64_t button) {
  for (const auto& [name, code] : kMouseButtonNames) {
    if (code == std::min<std::int64_t>(button, 2)) return name;
  }
  return "?";
}

std::optional<std::int64_t> parseAuxKey(std::string_view word) {
  return codeNamed(kAuxKeyNames, word);
}

std::string auxKeyName(std::int64_t key) {
  for (const auto& [name, code] : kAuxKeyNames) {
    if (code == key) return std::string(name);
  }
  return std::to_string(key);
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
    case Kind::mouseDown:
    case Kind::mouseUp: {
      const auto [down, up] = mouseTypes(button);
      return event.type == (kind == Kind::mouseDown ? down : up) &&
             std::min<std::int64_t>(event.mouseButton, 2) == button;
    }
    case Kind::auxDown:
    case Kind::auxUp:
      return event.type == platform::kEventSystemDefined && auxKeyOf(event) == button &&
             auxStateOf(event) == (kind == Kind::auxDown ? kAuxDown : kAuxUp);
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

platform::Event EventPattern::event() const {
  platform::Event event{platform::kEventFlagsChanged, keyCode, exactFlags.value_or(0), 0};
  switch (kind) {
    case Kind::keyDown:
      event.type = platform::kEventKeyDown;
      break;
    case Kind::repeat:
      event.type = platform::kEventKeyDown;
      event.autorepeat = 1;
      break;
    case Kind::keyUp:
      event.type = platform::kEventKeyUp;
      break;
    case Kind::mouseDown:
    case Kind::mouseUp:
      event.type = kind == Kind::mouseDown ? mouseTypes(button).first : mouseTypes(button).second;
      event.mouseButton = button;
      break;
    case Kind::auxDown:
    case Kind::auxUp:
      event.type = platform::kEventSystemDefined;
      event.data1 = (button << 16) | ((kind == Kind::auxDown ? kAuxDown : kAuxUp) << 8);
      break;
    case Kind::down:
    case Kind::up:
    case Kind::flags:
      break;
  }
  return event;
}

std::optional<EventPattern> parseEventPattern(std::string_view item) {
  using Kind = EventPattern::Kind;
  constexpr std::array<std::pair<std::string_view, Kind>, 10> kinds{{
      {"down", Kind::down},
      {"up", Kind::up},
      {"keydown", Kind::keyDown},
      {"repeat", Kind::repeat},
      {"keyup", Kind::keyUp},
      {"flags", Kind::flags},
      {"mousedown", Kind::mouseDown},
      {"mouseup", Kind::mouseUp},
      {"sysdown", Kind::auxDown},
      {"sysup", Kind::auxUp},
  }};
  const auto parts = words(item);
  if (parts.size() < 2 || parts.size() > 3) return {};
  const auto kind = std::find_if(kinds.begin(), kinds.end(),
                                 [&](const auto& entry) { return entry.first == parts[0]; });
  if (kind == kinds.end()) return {};
  EventPattern pattern{kind->second, 0, 0, {}};
  const bool mouse = pattern.kind == Kind::mouseDown || pattern.kind == Kind::mouseUp;
  const bool aux = pattern.kind == Kind::auxDown || pattern.kind == Kind::auxUp;
  if (mouse || aux) {
    const auto button = mouse ? parseMouseButton(parts[1]) : parseAuxKey(parts[1]);
    if (!button) return {};
    pattern.button = *button;
    if (parts.size() == 3) {
      pattern.exactFlags = parseNumber<platform::EventFlags>(parts[2]);
      if (!pattern.exactFlags) return {};
    }
    return pattern;
  }
  const auto key = parseKey(parts[1]);
  if (!key) return {};
  pattern.keyCode = *key;
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
  // Clicks and media keys: the readable form with the exact flags is an item of its own.
  const std::string flags = hex(event.flags);
  if (isMouseType(event.type)) {
    const bool down = event.type == mouseTypes(event.mouseButton).first;
    const std::string form =
        (down ? "mousedown " : "mouseup ") + std::string(mouseButtonName(event.mouseButton));
    return form + " [" + form + " " + flags + "]";
  }
  if (event.type == platform::kEventSystemDefined) {
    const std::string form =
        (auxStateOf(event) == kAuxDown ? "sysdown " : "sysup ") + auxKeyName(auxKeyOf(event));
    return form + " [" + form + " " + flags + "]";
  }
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
