#include "Platform/Host/UserDefaultsJson.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

namespace kestravane::platform::host {
namespace {

// Ordered, so that an object stored for a blob keeps its members in the blob's order.
using json = nlohmann::ordered_json;

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Digit(char c) {
  const auto position = kAlphabet.find(c);
  return position == std::string_view::npos ? -1 : static_cast<int>(position);
}

json encodeReal(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

std::optional<double> decodeReal(const json& value) {
  if (value.is_number()) return value.get<double>();
  if (value == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (value == "inf") return std::numeric_limits<double>::infinity();
  if (value == "-inf") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

std::optional<json> asJsonObject(const Data& data);

json encodeValue(const PropertyValue& value) {
  return std::visit(
      [](const auto& v) -> json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return {{"bool", v}};
        if constexpr (std::is_same_v<T, std::int64_t>) return {{"integer", v}};
        if constexpr (std::is_same_v<T, double>) return {{"real", encodeReal(v)}};
        if constexpr (std::is_same_v<T, std::string>) return {{"string", v}};
        if constexpr (std::is_same_v<T, Data>) {
          if (auto object = asJsonObject(v)) return {{"json", std::move(*object)}};
          return {{"data", encodeBase64(v)}};
        }
      },
      value);
}

std::optional<PropertyValue> decodeValue(const json& entry) {
  if (!entry.is_object() || entry.size() != 1) return std::nullopt;
  const auto member = entry.begin();
  const std::string& type = member.key();
  const json& value = member.value();
  if (type == "bool" && value.is_boolean()) return value.get<bool>();
  if (type == "integer" && value.is_number_integer()) {
    if (value.is_number_unsigned() &&
        value.get<std::uint64_t>() >
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return std::nullopt;
    }
    return value.get<std::int64_t>();
  }
  if (type == "real") {
    if (auto real = decodeReal(value)) return *real;
    return std::nullopt;
  }
  if (type == "string" && value.is_string()) return value.get<std::string>();
  if (type == "json" && value.is_object()) {
    const std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return Data(text.begin(), text.end());
  }
  if (type == "data" && value.is_string()) {
    if (auto data = decodeBase64(value.get_ref<const std::string&>())) return std::move(*data);
  }
  return std::nullopt;
}

// Checks the text's syntax and nesting without building anything, so that a hostile file (say
// megabytes of "[") costs neither memory nor deep recursion before it is refused.
class NestingCheck final : public nlohmann::json_sax<json> {
 public:
  explicit NestingCheck(std::size_t limit = kMaximumDefaultsNesting) : limit(limit) {}

  bool tooDeep = false;

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return enter(); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return leave(); }
  bool start_array(std::size_t) override { return enter(); }
  bool end_array() override { return leave(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool enter() {
    tooDeep = ++depth > limit;
    return !tooDeep;  // false ends the parse
  }
  bool leave() {
    --depth;
    return true;
  }

  const std::size_t limit;
  std::size_t depth = 0;
};

// A blob whose bytes are exactly a JSON object as this file writes one (compact, valid UTF-8) is
// stored as that object, so that people can read and edit it; reading it back gives the same
// bytes. Any other blob is stored as base64. The object sits two levels deep in the file.
std::optional<json> asJsonObject(const Data& data) {
  if (data.empty() || data.front() != '{') return std::nullopt;
  const std::string text(data.begin(), data.end());
  NestingCheck check(kMaximumDefaultsNesting - 2);
  if (!json::sax_parse(text, &check, json::input_format_t::json, /*strict=*/true)) {
    return std::nullopt;
  }
  json object = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!object.is_object() || object.dump() != text) return std::nullopt;
  return object;
}

std::optional<UserDefaultsValues> refuse(std::string* whyNot, std::string reason) {
  if (whyNot != nullptr) *whyNot = std::move(reason);
  return std::nullopt;
}

}  // namespace

std::string encodeUserDefaults(const UserDefaultsValues& values) {
  json document = json::object();
  for (const auto& [key, value] : values) document[key] = encodeValue(value);
  return document.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<UserDefaultsValues> decodeUserDefaults(std::string_view text, std::string* whyNot,
                                                     std::vector<std::string>* skipped) {
  NestingCheck check;
  if (!json::sax_parse(text, &check, json::input_format_t::json, /*strict=*/true)) {
    return refuse(
        whyNot, check.tooDeep
                    ? "nested more than " + std::to_string(kMaximumDefaultsNesting) + " levels deep"
                    : "not valid JSON");
  }
  const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!document.is_object()) return refuse(whyNot, "not a JSON object");
  UserDefaultsValues values;
  const std::size_t skippedBefore = skipped != nullptr ? skipped->size() : 0;
  for (auto member = document.begin(); member != document.end(); ++member) {
    if (auto value = decodeValue(member.value())) {
      values.emplace(member.key(), std::move(*value));
    } else if (skipped != nullptr) {
      skipped->push_back(member.key());
    }
  }
  // Named in key order, whatever the file's order.
  if (skipped != nullptr) {
    std::sort(skipped->begin() + static_cast<std::ptrdiff_t>(skippedBefore), skipped->end());
  }
  return values;
}

std::string encodeBase64(const Data& data) {
  std::string text;
  text.reserve((data.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, data.size() - i);
    std::uint32_t group = static_cast<std::uint32_t>(data[i]) << 16;
    if (count > 1) group |= static_cast<std::uint32_t>(data[i + 1]) << 8;
    if (count > 2) group |= data[i + 2];
    for (std::size_t digit = 0; digit < 4; ++digit) {
      text += digit <= count ? kAlphabet[(group >> (18 - 6 * digit)) & 0x3F] : '=';
    }
  }
  return text;
}

std::optional<Data> decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  Data data;
  data.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    std::size_t padding = 0;
    if (last && text[i + 3] == '=') padding = text[i + 2] == '=' ? 2 : 1;
    std::uint32_t group = 0;
    for (std::size_t digit = 0; digit < 4; ++digit) {
      int value = 0;
      if (digit < 4 - padding) {
        value = base64Digit(text[i + digit]);
        if (value < 0) return std::nullopt;
      }
      group = (group << 6) | static_cast<std::uint32_t>(value);
    }
    // Canonical form: the bits that padding leaves over must be zero.
    if ((padding == 1 && (group & 0xFF) != 0) || (padding == 2 && (group & 0xFFFF) != 0)) {
      return std::nullopt;
    }
    data.push_back(static_cast<std::uint8_t>(group >> 16));
    if (padding < 2) data.push_back(static_cast<std::uint8_t>(group >> 8));
    if (padding < 1) data.push_back(static_cast<std::uint8_t>(group));
  }
  return data;
}

}  // namespace kestravane::platform::host
