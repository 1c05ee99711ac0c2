#include "KestravaneKit/CapsLockDelayLift.h"

#include <charconv>
#include <utility>

#include "KestravaneKit/LogLines.h"

namespace kestravane {
namespace {

constexpr std::string_view kUnset = "-";

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::shared_ptr<CapsLockDelayLift> CapsLockDelayLift::create(const platform::Services& services) {
  return std::shared_ptr<CapsLockDelayLift>(new CapsLockDelayLift(services));
}

CapsLockDelayLift::CapsLockDelayLift(const platform::Services& services)
    : hid(services.hidSystem), defaults(services.userDefaults), log(services.log) {}

CapsLockDelayLift::Record CapsLockDelayLift::parseRecord(std::string_view text) {
  Record record;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const std::string_view entry = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const auto equals = entry.find('=');
    if (equals == std::string_view::npos) continue;
    const auto id = parseNumber<std::uint64_t>(entry.substr(0, equals));
    const std::string_view previous = entry.substr(equals + 1);
    const auto value = parseNumber<std::int64_t>(previous);
    if (!id || (!value && previous != kUnset)) continue;
    record.emplace(*id, value);
  }
  return record;
}

std::string CapsLockDelayLift::formatRecord(const Record& record) {
  std::string text;
  for (const auto& [id, previous] : record) {
    if (!text.empty()) text += ',';
    text += std::to_string(id) + '=' + (previous ? std::to_string(*previous) : std::string(kUnset));
  }
  return text;
}

CapsLockDelayLift::Record CapsLockDelayLift::storedRecord() const {
  const auto stored = defaults->objectForKey(std::string(kRecordKey));
  const auto* text = stored ? std::get_if<std::string>(&*stored) : nullptr;
  return text ? parseRecord(*text) : Record{};
}

void CapsLockDelayLift::store(const Record& record) const {
  if (record.empty()) {
    defaults->removeObject(std::string(kRecordKey));
  } else {
    defaults->setObject(formatRecord(record), std::string(kRecordKey));
  }
}

void CapsLockDelayLift::lift() {
  lifted = true;
  hid->setKeyboardsAttachedObserver([weak = weak_from_this()] {
    if (const auto self = weak.lock()) self->liftAttached();
  });
  liftAttached();
}

void CapsLockDelayLift::liftAttached() {
  if (!lifted) return;
  Record record = storedRecord();
  const auto keyboards = hid->keyboardServices();
  // Recorded before anything is changed: a value a crashed run left at 0 keeps its real previous
  // value, which the record already holds.
  bool recorded = false;
  for (const auto& keyboard : keyboards) {
    if (keyboard.capsLockDelayOverride == 0) continue;
    recorded |= record.emplace(keyboard.registryId, keyboard.capsLockDelayOverride).second;
  }
  if (recorded) store(record);
  for (const auto& keyboard : keyboards) {
    if (keyboard.capsLockDelayOverride == 0) continue;
    if (!hid->setCapsLockDelayOverride(keyboard.registryId, 0)) {
      log->log(std::string(logline::kCapsLockDelayRefused) + std::to_string(keyboard.registryId));
    }
  }
}

void CapsLockDelayLift::putBack() {
  lifted = false;
  hid->setKeyboardsAttachedObserver({});
  const Record record = storedRecord();
  if (record.empty()) return;
  for (const auto& keyboard : hid->keyboardServices()) {
    const auto entry = record.find(keyboard.registryId);
    if (entry != record.end()) hid->setCapsLockDelayOverride(entry->first, entry->second);
  }
  // A keyboard pulled out since took its setting with it.
  store({});
}

}  // namespace kestravane
