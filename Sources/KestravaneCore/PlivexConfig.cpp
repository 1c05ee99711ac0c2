#include "KestravaneCore/PlivexConfig.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <nlohmann/json.hpp>

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

// The three members, in decoding order.
enum Member : std::size_t { triggerMember, languageMember, launchAtLoginMember, memberCount };
constexpr std::array<std::string_view, memberCount> memberKeys{"trigger", "language",
                                                               "launchAtLogin"};

struct MemberValue {
  JsonKind kind = JsonKind::null;
  std::string text;   // for strings
  bool flag = false;  // for booleans
};

// Streams the document without building a tree: only the kind of the top-level value and the
// values of the three known members are kept, so neither size nor nesting of ignored members
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
  bool number_integer(json::number_integer_t) { return value(JsonKind::number); }
  bool number_unsigned(json::number_unsigned_t) { return value(JsonKind::number); }
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
      target = &members[pendingMember].emplace(MemberValue{kind, {}, false});
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

// Reads one raw-value member: absent or null gives the fallback.
template <typename Enum>
std::variant<Enum, ConfigDecodingError> readRawValue(
    const std::optional<MemberValue>& member, std::string_view key, std::string_view typeName,
    Enum fallback, std::optional<Enum> (*parse)(std::string_view) noexcept) {
  if (!member || member->kind == JsonKind::null) return fallback;
  if (member->kind != JsonKind::string)
    return typeMismatch(std::string(key), "String", member->kind);
  if (auto parsed = parse(member->text)) return *parsed;
  return ConfigDecodingError{
      ConfigDecodingErrorKind::dataCorrupted, std::string(key),
      "Cannot initialize " + std::string(typeName) + " from invalid String value " + member->text};
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

  const auto trigger = readRawValue(scanner.members[triggerMember], memberKeys[triggerMember],
                                    "TriggerKind", TriggerKind::fn, &parseTriggerKind);
  if (const auto* error = std::get_if<ConfigDecodingError>(&trigger)) return *error;

  const auto language = readRawValue(scanner.members[languageMember], memberKeys[languageMember],
                                     "AppLanguage", AppLanguage::en, &parseAppLanguage);
  if (const auto* error = std::get_if<ConfigDecodingError>(&language)) return *error;

  bool launchAtLogin = false;
  if (const auto& member = scanner.members[launchAtLoginMember];
      member && member->kind != JsonKind::null) {
    if (member->kind != JsonKind::boolean) {
      return typeMismatch(std::string(memberKeys[launchAtLoginMember]), "Bool", member->kind);
    }
    launchAtLogin = member->flag;
  }

  return PlivexConfig(std::get<TriggerKind>(trigger), std::get<AppLanguage>(language),
                      launchAtLogin);
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
  object["trigger"] = rawValue(config.trigger);
  object["language"] = rawValue(config.language);
  object["launchAtLogin"] = config.launchAtLogin;
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
