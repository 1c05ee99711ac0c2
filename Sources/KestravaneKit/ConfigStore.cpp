#include "KestravaneKit/ConfigStore.h"

#include <string>

#include "Platform/Services.h"

namespace kestravane {

PlivexConfig ConfigStore::load() const {
  auto blob = platform::current()->userDefaults->dataForKey(std::string(key));
  if (!blob) return PlivexConfig::defaults();
  auto decoded = decodeConfig(std::span<const std::uint8_t>(*blob));
  if (auto* config = std::get_if<PlivexConfig>(&decoded)) return *config;
  return PlivexConfig::defaults();
}

void ConfigStore::save(const PlivexConfig& config) const {
  const std::string json = encodeConfig(config);
  platform::current()->userDefaults->setObject(platform::Data(json.begin(), json.end()),
                                               std::string(key));
}

}  // namespace kestravane
