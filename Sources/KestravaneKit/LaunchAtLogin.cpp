#include "KestravaneKit/LaunchAtLogin.h"

#include <string>

#include "KestravaneKit/LogLines.h"

namespace kestravane {

LaunchAtLogin::LaunchAtLogin(const platform::Services& services)
    : loginItems(services.loginItems), log(services.log) {}

platform::LoginItemStatus LaunchAtLogin::status() const {
  return loginItems->status();
}

bool LaunchAtLogin::isRegistered() const {
  const auto now = status();
  return now == platform::LoginItemStatus::enabled ||
         now == platform::LoginItemStatus::requiresApproval;
}

bool LaunchAtLogin::setEnabled(bool on) const {
  const auto error = on ? loginItems->registerMainApp() : loginItems->unregisterMainApp();
  if (!error) return true;
  const std::string_view prefix =
      on ? logline::kLoginRegisterFailed : logline::kLoginUnregisterFailed;
  log->log(std::string(prefix) + error->description);
  return false;
}

std::string_view loginItemWord(platform::LoginItemStatus status) {
  for (const auto& [known, word] : kLoginItemWords) {
    if (known == status) return word;
  }
  return "unknown";
}

}  // namespace kestravane
