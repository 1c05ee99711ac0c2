#include "Kestravane/MainThreadChecker.h"

#include <cstdlib>
#include <string>

#include "KestravaneKit/LogLines.h"

namespace kestravane {

MainThreadChecker::MainThreadChecker(const platform::Services& services)
    : threads(services.threads), log(services.log) {}

void MainThreadChecker::fail(std::string_view operation) const {
  log->log(std::string(logline::kAppPrefix) + std::string(operation) +
           std::string(logline::kOffMainThreadSuffix));
  std::abort();
}

}  // namespace kestravane
