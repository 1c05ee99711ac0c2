#include "Platform/Services.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kestravane::platform {
namespace {

std::mutex installedMutex;
std::shared_ptr<const Services> installedServices;

}  // namespace

void install(std::shared_ptr<const Services> services) {
  std::lock_guard lock(installedMutex);
  installedServices = std::move(services);
}

std::shared_ptr<const Services> current() {
  std::lock_guard lock(installedMutex);
  if (!installedServices) {
    std::fputs("Plivex: no platform services installed\n", stderr);
    std::abort();
  }
  return installedServices;
}

}  // namespace kestravane::platform
