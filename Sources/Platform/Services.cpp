#include "Platform/Services.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "KestravaneCore/LanguageCodeProvider.h"

namespace kestravane::platform {
namespace {

std::mutex installedMutex;
std::shared_ptr<const Services> installedServices;

}  // namespace

void install(std::shared_ptr<const Services> services) {
  std::shared_ptr<Locale> locale = services ? services->locale : nullptr;
  {
    std::lock_guard lock(installedMutex);
    installedServices = std::move(services);
  }
  if (locale) {
    setLanguageCodeProvider([weakLocale = std::weak_ptr<Locale>(locale)] {
      auto strong = weakLocale.lock();
      return strong ? strong->currentLanguageCode() : std::nullopt;
    });
  } else {
    setLanguageCodeProvider(nullptr);
  }
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
