#include "KestravaneCore/PlivexConfig.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <exception>
#include <nlohmann/json.hpp>
#include <type_traits>

namespace kestravane {
namespace {

// The stored record needs one level; anything much deeper is hostile or broken, and refusing it
// keeps every later reader of the same bytes safe from deep recursion.
constexpr std::size_t maxNestingDepth = 512;

// The case whose raw value is exactly `raw` (case-sensitive), of an enumeration with rawValue().
template <class Enum, std::size_t count>
std::optional<Enum> parseRawValue(const std::array<Enum, count>& allCases,
                                  std::string_view raw) noexcept {
  for (Enum value : allCases) {
    if (rawValue(value) == raw) return value;
  }
  return std::nullopt;
}

constexpr std::string_view invalidJsonMessage = "The given data was not valid JSON.";

enum class JsonKind { null, boolean, number, string, array, object };

std::string_view describe(JsonKind kind) {
  switch (kind) {
    case JsonKind::null:
      return "a null value";
    case JsonKind::boolean:
      return "a boolean";
    case JsonKind::number:
      return "a number";
    case JsonKind::string:
      return "a string";
    case JsonKind::array:
      return "an array";
    case JsonKind::object:
      return "a dictionary";
  }
  return "an unknown value";
}

// The members' keys, in the order of kSettings.
constexpr std::size_t memberCount = std::tuple_size_v<decltype(kSettings)>;
constexpr auto memberKeys = [] {
  std::array<std::string_view, memberCount> keys{};
  std::size_t i = 0;
  forEachSetting([&](const auto& row) { keys[i++] = row.key; });
  return keys;
}();

struct MemberValue {
  JsonKind kind = JsonKind::null;
  std::string text;   // for strings
  bool flag = false;  // for booleans
  // For numbers: the integer, absent for a fraction or one beyond the range of long long.
  std::optional<long long> integer;
};

// Streams the document without building a tree: only the kind of the top-level value and the
// values of the known members are kept, so neither size nor nesting of ignored members
// costs memory or stack. Duplicate members: the last one wins.
class ConfigScanner {
 public:
  using json = nlohmann::json;

  std::optional<JsonKind> topLevelKind;
  std::array<std::optional<MemberValue>, memberCount> members;

  bool null() { return value(JsonKind::null); }
  bool boolean(bool flag) {
    value(JsonKind::boolean);
    if (target) target->flag = flag;
    return true;
  }
  bool number_integer(json::number_integer_t number) {
    value(JsonKind::number);
    if (target) target->integer = number;
    return true;
  }
  bool number_unsigned(json::number_unsigned_t number) {
    value(JsonKind::number);
    if (target && number <= static_cast<json::number_unsigned_t>(LLONG_MAX)) {
      target->integer = static_cast<long long>(number);
    }
    return true;
  }
  bool number_float(json::number_float_t, const json::string_t&) { return value(JsonKind::number); }
  bool string(json::string_t& text) {
    value(JsonKind::string);
    if (target) target->text = std::move(text);
    return true;
  }
  bool binary(json::binary_t&) { return value(JsonKind::string); }  // never produced by JSON text
  bool start_object(std::size_t) { return value(JsonKind::object) && enter(); }
  bool key(json::string_t& name) {
    pendingMember = memberCount;
    if (depth == 1) {
      for (std::size_t i = 0; i < memberCount; ++i) {
        if (name == memberKeys[i]) pendingMember = i;
      }
    }
    return true;
  }
  bool end_object() { return leave(); }
  bool start_array(std::size_t) { return value(JsonKind::array) && enter(); }
  bool end_array() { return leave(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

 private:
  // Records a value that starts at the current depth; `target` is the member slot it fills, if
  // any. Always succeeds, so it can be chained.
  bool value(JsonKind kind) {
    target = nullptr;
    if (depth == 0) {
      topLevelKind = kind;
    } else if (depth == 1 && topLevelKind == JsonKind::object && pendingMember < memberCount) {
      target = &members[pendingMember].emplace(MemberValue{kind, {}, false, std::nullopt});
      pendingMember = memberCount;
    }
    return true;
  }
  bool enter() { return ++depth <= maxNestingDepth; }  // false aborts the parse
  bool leave() {
    --depth;
    return true;
  }

  std::size_t depth = 0;
  std::size_t pendingMember = memberCount;
  MemberValue* target = nullptr;
};

ConfigDecodingError typeMismatch(std::string path, std::string_view expected, JsonKind found) {
  return {ConfigDecodingErrorKind::typeMismatch, std::move(path),
          "Expected to decode " + std::string(expected) + " but found " +
              std::string(describe(found)) + " instead."};
}

// The persisted enumerations: their name in error messages and their parser.
std::string_view typeName(std::type_identity<TriggerKind>) {
  return "TriggerKind";
}
std::optional<TriggerKind> parse(std::type_identity<TriggerKind>, std::string_view raw) {
  return parseTriggerKind(raw);
}
std::string_view typeName(std::type_identity<AppLanguage>) {
  return "AppLanguage";
}
std::optional<AppLanguage> parse(std::type_identity<AppLanguage>, std::string_view raw) {
  return parseAppLanguage(raw);
}

// Reads one present, non-null member into `value`; the error when it cannot be used.
template <class Value>
std::optional<ConfigDecodingError> read(const MemberValue& member, const Setting<Value>& row,
                                        Value& value) {
  const std::string key(row.key);
  if constexpr (std::is_same_v<Value, bool>) {
    if (member.kind != JsonKind::boolean) return typeMismatch(key, "Bool", member.kind);
    value = member.flag;
  } else if constexpr (std::is_integral_v<Value>) {
    if (member.kind != JsonKind::number) return typeMismatch(key, "Int", member.kind);
    if (!member.integer) {
      return ConfigDecodingError{ConfigDecodingErrorKind::dataCorrupted, key,
                                 "Parsed JSON number does not fit in Int."};
    }
    value = static_cast<Value>(std::clamp(*member.integer, row.least, row.most));
  } else {
    if (member.kind != JsonKind::string) return typeMismatch(key, "String", member.kind);
    const auto parsed = parse(std::type_identity<Value>(), member.text);
    if (!parsed) {
      return ConfigDecodingError{ConfigDecodingErrorKind::dataCorrupted, key,
                                 "Cannot initialize " +
                                     std::string(typeName(std::type_identity<Value>())) +
                                     " from invalid String value " + member.text};
    }
    value = *parsed;
  }
  return std::nullopt;
}

template <class Value>
nlohmann::ordered_json encodedValue(const Value& value) {
  if constexpr (std::is_enum_v<Value>) {
    return rawValue(value);
  } else {
    return value;
  }
}

ConfigDecodingResult decode(std::string_view bytes) {
  // The parser takes a NUL byte for the end of the text and would ignore whatever follows it;
  // JSON never contains a raw NUL, so such data is not valid JSON.
  if (bytes.find('\0') != std::string_view::npos) {
    return ConfigDecodingError{
        ConfigDecodingErrorKind::dataCorrupted, {}, std::string(invalidJsonMessage)};
  }
  ConfigScanner scanner;
  const bool parsed = nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &scanner,
                                                nlohmann::json::input_format_t::json, true);
  if (!parsed || !scanner.topLevelKind) {
    return ConfigDecodingError{
        ConfigDecodingErrorKind::dataCorrupted, {}, std::string(invalidJsonMessage)};
  }
  if (*scanner.topLevelKind != JsonKind::object) {
    return typeMismatch({}, "Dictionary<String, Any>", *scanner.topLevelKind);
  }

  // Missing and null members keep their defaults; the first member that cannot be used fails
  // the whole record.
  PlivexConfig config = PlivexConfig::defaults();
  std::optional<ConfigDecodingError> error;
  std::size_t index = 0;
  forEachSetting([&](const auto& row) {
    const auto& member = scanner.members[index++];
    if (error || !member || member->kind == JsonKind::null) return;
    error = read(*member, row, config.*row.field);
  });
  if (error) return *error;
  return config;
}

}  // namespace

std::string_view rawValue(TriggerKind kind) noexcept {
  return triggerKey(kind).rawValue;
}

std::optional<TriggerKind> parseTriggerKind(std::string_view raw) noexcept {
  return parseRawValue(allTriggerKinds, raw);
}

std::string encodeConfig(const PlivexConfig& config) {
  // ordered_json keeps insertion order, so the members come out as written here.
  nlohmann::ordered_json object;
  forEachSetting(
      [&](const auto& row) { object[std::string(row.key)] = encodedValue(config.*row.field); });
  return object.dump();
}

std::string encodeConfig(const PlivexConfig& config, std::string_view stored) {
  // Decoding first also bounds the nesting, so the tree built below stays shallow.
  if (!std::holds_alternative<PlivexConfig>(decodeConfig(stored))) return encodeConfig(config);
  nlohmann::ordered_json object = nlohmann::ordered_json::parse(encodeConfig(config));
  const auto kept = nlohmann::ordered_json::parse(stored);
  for (const auto& [name, value] : kept.items()) {
    const bool known = std::find(memberKeys.begin(), memberKeys.end(), name) != memberKeys.end();
    if (!known) object[name] = value;
  }
  return object.dump();
}

ConfigDecodingResult decodeConfig(std::string_view bytes) noexcept {
  try {
    return decode(bytes);
  } catch (const std::exception&) {
    // Only allocation failure can get here (the scanner reports every parse error itself); a
    // blob we cannot even read is as unusable as one that is not JSON.
    return ConfigDecodingError{
        ConfigDecodingErrorKind::dataCorrupted, {}, std::string(invalidJsonMessage)};
  }
}

ConfigDecodingResult decodeConfig(std::span<const std::uint8_t> bytes) noexcept {
  return decodeConfig(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace kestravane
