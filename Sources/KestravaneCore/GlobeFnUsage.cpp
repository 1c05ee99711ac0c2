#include "KestravaneCore/GlobeFnUsage.h"

namespace kestravane {

GlobeFnUsage::GlobeFnUsage(std::int64_t rawValue)
    : GlobeFnUsage(Case{}, rawValue == 0 ? std::nullopt : std::optional<std::int64_t>(rawValue)) {}

}  // namespace kestravane
