#include "Kestravane/MainThreadChecker.h"

#include <cstdlib>
#include <string>

namespace kestravane {

MainThreadChecker::MainThreadChecker(const platform::Services& services)
    : threads(services.threads), log(services.log) {}

void MainThreadChecker::fail(std::string_view operation) const {
  log->log("Plivex[app] " + std::string(operation) + " called off the main thread");
  std::abort();
}

}  // namespace kestravane
