#include "KestravaneKit/ConfigStore.h"

#include <exception>
#include <string>

namespace kestravane {

ConfigStore::ConfigStore(const platform::Services& services)
    : userDefaults(services.userDefaults) {}

PlivexConfig ConfigStore::load() const {
  auto blob = userDefaults->dataForKey(std::string(key));
  if (!blob) return PlivexConfig::defaults();
  auto decoded = decodeConfig(std::span<const std::uint8_t>(*blob));
  if (auto* config = std::get_if<PlivexConfig>(&decoded)) return *config;
  return PlivexConfig::defaults();
}

void ConfigStore::save(const PlivexConfig& config) const {
  std::string json;
  try {
    json = encodeConfig(config);
  } catch (const std::exception&) {
    // Nothing is written, so the previously stored record stays; saving reports nothing.
    return;
  }
  userDefaults->setObject(platform::Data(json.begin(), json.end()), std::string(key));
}

}  // namespace kestravane
