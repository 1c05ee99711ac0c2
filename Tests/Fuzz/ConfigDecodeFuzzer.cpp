// Differential fuzzer of the configuration decoder. The streaming decoder's verdict on arbitrary
// bytes is compared with a reference verdict computed independently from a parsed JSON tree and
// the keyed-decoding rules:
//   - invalid JSON, a raw NUL byte (never valid in JSON text) or nesting deeper than 512 levels
//     (the decoder's guard against hostile input) → dataCorrupted at the top level;
//   - a top-level value that is not an object → typeMismatch at the top level;
//   - then "trigger", "language", "launchAtLogin" in that order: missing or null → the default,
//     a value of the wrong JSON kind → typeMismatch, a string that is no raw value →
//     dataCorrupted; the first failure decides.
// The run aborts when the two disagree on success, on the record, on the error kind or on the
// member at fault; when a dataCorrupted message for an unknown raw value does not name the type
// and the offending string; when a decoded record does not survive encoding and decoding; or
// when a record saved over a decoded one loses one of its unknown members.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "KestravaneCore/PlivexConfig.h"

namespace {

using kestravane::AppLanguage;
using kestravane::ConfigDecodingError;
using kestravane::ConfigDecodingErrorKind;
using kestravane::PlivexConfig;
using kestravane::TriggerKind;
using nlohmann::json;

constexpr std::size_t kMaxNestingDepth = 512;

[[noreturn]] void fail(const char* why, std::string_view input) {
  std::fprintf(stderr, "ConfigDecodeFuzzer: %s (input of %zu bytes)\n", why, input.size());
  std::abort();
}

// What the rules say about one input.
struct Expected {
  std::optional<PlivexConfig> config;  // present on success
  ConfigDecodingErrorKind kind = ConfigDecodingErrorKind::dataCorrupted;
  std::string codingPath;
  // For an unknown raw value: the type the message must name and the string it must quote.
  std::string_view typeName;
  std::optional<std::string> offending;
};

Expected failure(ConfigDecodingErrorKind kind, std::string path = {}) {
  Expected expected;
  expected.kind = kind;
  expected.codingPath = std::move(path);
  return expected;
}

// Levels of nested arrays and objects; a scalar has none. Inputs are at most a few KB, so the
// recursion stays shallow.
std::size_t depthOf(const json& value) {
  if (!value.is_structured()) return 0;
  std::size_t deepest = 0;
  for (const auto& child : value) deepest = std::max(deepest, depthOf(child));
  return deepest + 1;
}

// One raw-value member: the parsed case, or why it cannot be one.
template <typename Enum>
std::variant<Enum, Expected> rawValueMember(
    const json& object, const char* key, std::string_view typeName, Enum fallback,
    std::optional<Enum> (*parse)(std::string_view) noexcept) {
  const auto found = object.find(key);
  if (found == object.end() || found->is_null()) return fallback;
  if (!found->is_string()) return failure(ConfigDecodingErrorKind::typeMismatch, key);
  const auto& text = found->get_ref<const std::string&>();
  if (auto parsed = parse(text)) return *parsed;
  Expected expected = failure(ConfigDecodingErrorKind::dataCorrupted, key);
  expected.typeName = typeName;
  expected.offending = text;
  return expected;
}

Expected reference(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) {
    return failure(ConfigDecodingErrorKind::dataCorrupted);
  }
  json document;
  try {
    document = json::parse(bytes.begin(), bytes.end());
  } catch (const json::exception&) {  // syntax errors, and numbers beyond a double's range
    return failure(ConfigDecodingErrorKind::dataCorrupted);
  }
  if (depthOf(document) > kMaxNestingDepth) return failure(ConfigDecodingErrorKind::dataCorrupted);
  if (!document.is_object()) return failure(ConfigDecodingErrorKind::typeMismatch);

  const auto trigger = rawValueMember(document, "trigger", "TriggerKind", TriggerKind::fn,
                                      &kestravane::parseTriggerKind);
  if (const auto* expected = std::get_if<Expected>(&trigger)) return *expected;
  const auto language = rawValueMember(document, "language", "AppLanguage", AppLanguage::en,
                                       &kestravane::parseAppLanguage);
  if (const auto* expected = std::get_if<Expected>(&language)) return *expected;

  bool launchAtLogin = false;
  if (const auto found = document.find("launchAtLogin");
      found != document.end() && !found->is_null()) {
    if (!found->is_boolean()) {
      return failure(ConfigDecodingErrorKind::typeMismatch, "launchAtLogin");
    }
    launchAtLogin = found->get<bool>();
  }
  Expected success;
  success.config =
      PlivexConfig(std::get<TriggerKind>(trigger), std::get<AppLanguage>(language), launchAtLogin);
  return success;
}

void checkError(const ConfigDecodingError& error, const Expected& expected,
                std::string_view input) {
  if (error.kind != expected.kind) fail("the error kind differs from the reference", input);
  if (error.codingPath != expected.codingPath) {
    fail("the member at fault differs from the reference", input);
  }
  if (error.message.empty()) fail("an error without a message", input);
  if (expected.offending) {
    if (error.message.find(expected.typeName) == std::string::npos) {
      fail("an unknown raw value's message does not name the type", input);
    }
    if (error.message.find(*expected.offending) == std::string::npos) {
      fail("an unknown raw value's message does not name the offending string", input);
    }
  }
}

void checkRoundTrip(const PlivexConfig& config, std::string_view input) {
  const auto again = kestravane::decodeConfig(kestravane::encodeConfig(config));
  const auto* reread = std::get_if<PlivexConfig>(&again);
  if (reread == nullptr) fail("an encoded record does not decode", input);
  if (!(*reread == config)) fail("an encoded record decodes to another record", input);

  // Saving another record over this one writes the other record and keeps every member this
  // version does not know, with its value.
  const PlivexConfig other(config.trigger, config.language, !config.launchAtLogin);
  const std::string merged = kestravane::encodeConfig(other, input);
  const auto mergedResult = kestravane::decodeConfig(merged);
  const auto* mergedConfig = std::get_if<PlivexConfig>(&mergedResult);
  if (mergedConfig == nullptr || !(*mergedConfig == other)) {
    fail("a record saved over a stored one does not decode to itself", input);
  }
  const json before = json::parse(input);
  const json after = json::parse(merged);
  for (const auto& [name, value] : before.items()) {
    if (name == "trigger" || name == "language" || name == "launchAtLogin") continue;
    if (!after.contains(name) || after.at(name).dump() != value.dump()) {
      fail("a saved record lost a member this version does not know", input);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto result = kestravane::decodeConfig(std::span<const std::uint8_t>(data, size));
  const Expected expected = reference(input);

  if (const auto* error = std::get_if<ConfigDecodingError>(&result)) {
    if (expected.config) fail("the decoder refused what the reference decodes", input);
    checkError(*error, expected, input);
    return 0;
  }
  const PlivexConfig& config = std::get<PlivexConfig>(result);
  if (!expected.config) fail("the decoder accepted what the reference refuses", input);
  if (!(config == *expected.config)) fail("the decoded record differs from the reference", input);
  checkRoundTrip(config, input);
  return 0;
}
