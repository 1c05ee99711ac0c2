// The user's persistent choices (trigger key, interface language, launch at login), the two
// persisted enumerations, and the keyed JSON form in which the record is stored.
// Threads: plain values and pure functions; safe from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "KestravaneCore/Languages.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// "fn", "capsLock" or "rightCommand".
std::string_view rawValue(TriggerKind kind) noexcept;

// Exact, case-sensitive inverse of rawValue; absent for any other string.
std::optional<TriggerKind> parseTriggerKind(std::string_view raw) noexcept;

struct PlivexConfig {
  PlivexConfig(TriggerKind triggerKind, AppLanguage appLanguage, bool startsAtLogin) noexcept
      : trigger(triggerKind), language(appLanguage), launchAtLogin(startsAtLogin) {}

  // What a fresh installation starts with, and what decoding supplies for a missing member.
  static PlivexConfig defaults() noexcept {
    return PlivexConfig(TriggerKind::fn, AppLanguage::en, false);
  }

  bool operator==(const PlivexConfig&) const = default;

  TriggerKind trigger;
  AppLanguage language;
  bool launchAtLogin;
};

enum class ConfigDecodingErrorKind {
  typeMismatch,   // a member (or the whole value) has the wrong JSON kind
  dataCorrupted,  // not JSON at all, or a string that is not a known raw value
};

struct ConfigDecodingError {
  ConfigDecodingErrorKind kind;
  std::string codingPath;  // the member at fault, empty for the top-level value
  std::string message;

  bool operator==(const ConfigDecodingError&) const = default;
};

// Either the whole record or the first error met; never a partly decoded record.
using ConfigDecodingResult = std::variant<PlivexConfig, ConfigDecodingError>;

// One compact JSON object with all three members, in the order trigger, language, launchAtLogin.
std::string encodeConfig(const PlivexConfig& config);

// The same record, followed by the members of `stored` that this version does not know, in
// their stored order, so that a setting of a newer version survives this one's save. Only a
// record that decodeConfig accepts lends its members; otherwise this is encodeConfig(config).
std::string encodeConfig(const PlivexConfig& config, std::string_view stored);

// Reads the keyed form: missing or null members take their defaults, unknown members are
// ignored, anything malformed is reported as an error. Never throws.
ConfigDecodingResult decodeConfig(std::string_view bytes) noexcept;
ConfigDecodingResult decodeConfig(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace kestravane
