#include "Console/KeyNames.h"

#include <charconv>

#include "Platform/Virtual/KeyTable.h"

namespace kestravane::console {

std::optional<std::uint16_t> keyCodeForName(std::string_view name) {
  if (const auto* key = platform::vmac::keyByName(name)) return key->code;
  std::uint16_t code = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code);
  if (error == std::errc() && end == name.data() + name.size() && code < 128) return code;
  return std::nullopt;
}

std::string keyNameList() {
  std::string list;
  for (const auto& key : platform::vmac::allKeys()) {
    if (!list.empty()) list += ' ';
    list += key.alias.empty() ? key.name : key.alias;
  }
  return list + " (names in any case, or a key code 0-127)";
}

std::optional<TriggerKind> triggerForName(std::string_view name) {
  const auto* key = platform::vmac::keyByName(name);
  if (key == nullptr) return std::nullopt;
  for (const auto& trigger : kTriggerKeys) {
    if (trigger.virtualKey == key->name) return trigger.kind;
  }
  return std::nullopt;
}

std::string triggerNameList() {
  std::string list;
  for (const auto& trigger : kTriggerKeys) {
    if (!list.empty()) list += '|';
    list += trigger.rawValue;
  }
  return list;
}

}  // namespace kestravane::console
