#include "KestravaneKit/LaunchAtLogin.h"

#include <string>

#include "Platform/Services.h"

namespace kestravane::LaunchAtLogin {

bool isEnabled() {
  return platform::current()->loginItems->status() == platform::LoginItemStatus::enabled;
}

bool setEnabled(bool on) {
  const auto services = platform::current();
  const auto error =
      on ? services->loginItems->registerMainApp() : services->loginItems->unregisterMainApp();
  if (!error) return true;
  const char* prefix = on ? "Plivex[login] SMAppService register failed: "
                          : "Plivex[login] SMAppService unregister failed: ";
  services->log->log(std::string(prefix) + error->description);
  return false;
}

}  // namespace kestravane::LaunchAtLogin
