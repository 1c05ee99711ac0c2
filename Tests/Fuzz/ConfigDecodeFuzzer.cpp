// Feeds arbitrary bytes to the configuration decoder. Every input must either decode to a record
// whose fields are real cases, or fail with one of the two error kinds; a record that decodes
// must survive encoding and decoding again unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <variant>

#include "KestravaneCore/PlivexConfig.h"

namespace {

[[noreturn]] void fail(const char* why) {
  std::fprintf(stderr, "ConfigDecodeFuzzer: %s\n", why);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestravane;
  const auto result = decodeConfig(std::span<const std::uint8_t>(data, size));

  if (const auto* error = std::get_if<ConfigDecodingError>(&result)) {
    if (error->kind != ConfigDecodingErrorKind::typeMismatch &&
        error->kind != ConfigDecodingErrorKind::dataCorrupted) {
      fail("unknown error kind");
    }
    if (error->message.empty()) fail("error without a message");
    return 0;
  }

  const PlivexConfig& config = std::get<PlivexConfig>(result);
  if (std::find(allTriggerKinds.begin(), allTriggerKinds.end(), config.trigger) ==
      allTriggerKinds.end()) {
    fail("trigger is not a known case");
  }
  if (std::find(allAppLanguages.begin(), allAppLanguages.end(), config.language) ==
      allAppLanguages.end()) {
    fail("language is not a known case");
  }
  const auto again = decodeConfig(encodeConfig(config));
  const auto* reread = std::get_if<PlivexConfig>(&again);
  if (reread == nullptr) fail("an encoded record does not decode");
  if (!(*reread == config)) fail("an encoded record decodes to another record");
  return 0;
}
