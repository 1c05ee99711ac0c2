// The user's persistent choices (trigger key, interface language, launch at login), one row per
// setting, and the keyed JSON form in which the record is stored.
// Threads: plain values and pure functions; safe from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>

#include "KestravaneCore/Languages.h"
#include "KestravaneCore/SettingRows.h"
#include "KestravaneCore/TextId.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// "fn", "capsLock" or "rightCommand".
std::string_view rawValue(TriggerKind kind) noexcept;

// Exact, case-sensitive inverse of rawValue; absent for any other string.
std::optional<TriggerKind> parseTriggerKind(std::string_view raw) noexcept;

// One persisted choice. Its default is the record's own initial value; the encoder and the
// decoder, AppController::apply and the settings window's bindings walk the rows (kSettings),
// so a new setting is its row in SettingRows.h, its label's texts, and whatever uses it.
enum class SettingWidget {
  radioButtons,  // one option per case, in the enumeration's order
  popUp,         // a pop-up menu of the cases
  checkBox,
  stepper,  // a number within the row's bounds
};

// Where the program takes a choice from: the record, or (launch at login) the system, which
// must accept it first; the record then keeps what the system last accepted.
enum class SettingSource { record, system };

struct PlivexConfig;

template <class Value>
struct Setting {
  using ValueType = Value;
  std::string_view key;  // the JSON member
  Value PlivexConfig::*field;
  TextId label;  // the setting's name in the settings window
  SettingWidget widget;
  SettingSource source = SettingSource::record;
  // Numbers only: a stored value outside the bounds is taken as the nearest bound.
  long long least = 0;
  long long most = 0;
};

struct PlivexConfig {
  PlivexConfig() = default;
  PlivexConfig(TriggerKind triggerKind, AppLanguage appLanguage, bool startsAtLogin) noexcept
      : trigger(triggerKind), language(appLanguage), launchAtLogin(startsAtLogin) {}

  // What a fresh installation starts with, and what decoding supplies for a missing member.
  static PlivexConfig defaults() noexcept { return {}; }

  bool operator==(const PlivexConfig&) const = default;

#define PLIVEX_SETTING_FIELD(name, Type, initial, ...) Type name = initial;
  PLIVEX_SETTINGS(PLIVEX_SETTING_FIELD)
#undef PLIVEX_SETTING_FIELD
};

namespace setting {
#define PLIVEX_SETTING_ROW(name, Type, initial, key, label, widget, source, least, most) \
  inline constexpr Setting<Type> name{key,                                               \
                                      &PlivexConfig::name,                               \
                                      TextId::label,                                     \
                                      SettingWidget::widget,                             \
                                      SettingSource::source,                             \
                                      least,                                             \
                                      most};
PLIVEX_SETTINGS(PLIVEX_SETTING_ROW)
#undef PLIVEX_SETTING_ROW
}  // namespace setting

// Every persisted setting, in the order they are stored and applied.
#define PLIVEX_SETTING_ITEM(name, ...) setting::name,
inline constexpr std::tuple kSettings{PLIVEX_SETTINGS(PLIVEX_SETTING_ITEM)};
#undef PLIVEX_SETTING_ITEM

// Calls `visit` with each row of kSettings in order.
template <class Visit>
constexpr void forEachSetting(Visit&& visit) {
  std::apply([&](const auto&... row) { (visit(row), ...); }, kSettings);
}

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

// One compact JSON object with every member, in the order of kSettings.
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
