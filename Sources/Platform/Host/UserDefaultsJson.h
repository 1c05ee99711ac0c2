// The file format of the persistent user defaults: one JSON object whose members are the
// defaults' keys, each value an object with exactly one member naming its type:
//   {"json": {...}}: a data blob whose bytes are that JSON object, written compactly in the
//     file's member order (the program's settings record, readable and editable by hand),
//   {"data": "<base64, standard alphabet, padded>"}: any other data blob,
//   {"string": "..."}, {"integer": 42}, {"real": 0.5 | "nan" | "inf" | "-inf"}, {"bool": true}.
// A blob is written as "json" only when reading that back gives its exact bytes.
// Threads: pure functions.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/PropertyValue.h"

namespace kestravane::platform::host {

using UserDefaultsValues = std::map<std::string, PropertyValue, std::less<>>;

// Compact (one line), so that what is written stays as small as what was read. Never throws.
// Strings that are not valid UTF-8 are written with U+FFFD in place of the bad bytes (macOS
// strings cannot hold them either).
std::string encodeUserDefaults(const UserDefaultsValues& values);

// Deepest nesting of arrays and objects that decoding accepts; a defaults file needs two levels.
inline constexpr std::size_t kMaximumDefaultsNesting = 512;

// Absent when the text is not a JSON object (garbage, truncated, empty) or nests deeper than
// kMaximumDefaultsNesting; then `whyNot`, when given, receives a short reason. Members of an
// unknown or malformed shape are skipped, so one odd entry does not cost the others; their keys
// go to `skipped`, when given.
std::optional<UserDefaultsValues> decodeUserDefaults(std::string_view text,
                                                     std::string* whyNot = nullptr,
                                                     std::vector<std::string>* skipped = nullptr);

std::string encodeBase64(const Data& data);
// Absent unless the text is canonical padded base64.
std::optional<Data> decodeBase64(std::string_view text);

}  // namespace kestravane::platform::host
