#include "KestravaneKit/ConfigStore.h"

#include <exception>
#include <string>
#include <variant>

#include "KestravaneKit/LogLines.h"

namespace kestravane {
namespace {

// The stored record, or why it cannot be used; nothing when none is stored.
std::optional<std::variant<PlivexConfig, std::string>> readStored(
    platform::UserDefaults& userDefaults) {
  const std::string key(ConfigStore::key);
  auto blob = userDefaults.dataForKey(key);
  if (!blob) {
    if (userDefaults.objectForKey(key)) return "it is not a data blob";
    return std::nullopt;
  }
  auto decoded = decodeConfig(std::span<const std::uint8_t>(*blob));
  if (auto* config = std::get_if<PlivexConfig>(&decoded)) return *config;
  const auto& error = std::get<ConfigDecodingError>(decoded);
  return error.codingPath.empty() ? error.message : error.codingPath + ": " + error.message;
}

}  // namespace

ConfigStore::ConfigStore(const platform::Services& services)
    : userDefaults(services.userDefaults), logger(services.log) {}

PlivexConfig ConfigStore::load() const {
  const auto stored = readStored(*userDefaults);
  if (!stored) return PlivexConfig::defaults();
  if (const auto* config = std::get_if<PlivexConfig>(&*stored)) return *config;
  const std::string& problem = std::get<std::string>(*stored);
  if (logger) logger->log(std::string(logline::kConfigUnusable) + problem);
  userDefaults->reportUnusableValue(std::string(key), problem);
  return PlivexConfig::defaults();
}

std::optional<std::string> ConfigStore::storedRecordProblem() const {
  const auto stored = readStored(*userDefaults);
  if (!stored) return std::nullopt;
  if (const auto* problem = std::get_if<std::string>(&*stored)) return *problem;
  return std::nullopt;
}

std::optional<std::string> ConfigStore::save(const PlivexConfig& config) const {
  std::string json;
  try {
    const auto stored = userDefaults->dataForKey(std::string(key));
    json = stored ? encodeConfig(config,
                                 std::string_view(reinterpret_cast<const char*>(stored->data()),
                                                  stored->size()))
                  : encodeConfig(config);
  } catch (const std::exception& error) {
    // Nothing is written, so the previously stored record stays.
    return std::string("cannot encode the settings: ") + error.what();
  }
  userDefaults->setObject(platform::Data(json.begin(), json.end()), std::string(key));
  return userDefaults->lastWriteError();
}

}  // namespace kestravane
