// Every language-dependent text of the menu and the windows, in English and Russian.
// Threads: an immutable value; usable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "KestravaneCore/PlivexConfig.h"

namespace kestravane {

class Strings {
 public:
  // `system` follows `systemLanguageCode`, the current locale's language code as the caller has
  // just read it: exactly "ru" gives Russian, anything else (or no code at all) gives English.
  // The core reads no locale; the platform services do (see KestravaneKit/TextsForLanguage.h).
  explicit Strings(AppLanguage lang,
                   const std::optional<std::string>& systemLanguageCode = std::nullopt);

  // The mark the key tester's readout puts after a modifier key's event; the same (Russian) text
  // in both interface languages.
  static std::string_view modifierSuffix() { return " (модификатор)"; }

  // True: every text is Russian; false: English.
  bool ru() const { return _ru; }

  // Fixed prefix, ending in one space, followed by the argument.
  std::string triggerLabel(std::string_view triggerName) const;
  std::string layoutsLabel(std::string_view joinedLayoutNames) const;

  std::string_view statusActive() const;
  std::string_view statusDisabled() const;
  std::string_view statusNeedsLayouts() const;
  std::string_view statusNoInputMonitoring() const;
  std::string_view statusNoAccessibility() const;
  std::string_view statusTapDisabled() const;
  std::string_view statusGlobeNotFree() const;
  std::string_view statusCapsLockNotFree() const;
  std::string_view statusSecureInput() const;
  std::string_view requestInputMonitoring() const;
  std::string_view requestAccessibility() const;
  std::string_view openSettingsEllipsis() const;
  std::string_view needLayoutsHint() const;
  std::string_view openKeyboardSettings() const;
  std::string_view freeGlobe() const;
  std::string_view freeCapsLock() const;
  std::string_view checkAndEnable() const;
  std::string_view settingsEllipsis() const;
  std::string_view enable() const;
  std::string_view disable() const;
  std::string_view refreshStatus() const;
  std::string_view quit() const;
  std::string_view settingsTitle() const;
  std::string_view triggerKey() const;
  std::string_view layoutsHeader() const;
  std::string_view selectAtLeastTwo() const;
  std::string_view cancel() const;
  std::string_view done() const;
  std::string_view language() const;
  std::string_view launchAtLogin() const;
  std::string_view status() const;
  std::string_view permissions() const;
  std::string_view keyTester() const;
  std::string_view keyTesterHint() const;
  std::string_view keyTesterStart() const;
  std::string_view keyTesterStop() const;
  std::string_view keyTesterWaiting() const;
  std::string_view onboardingTitle() const;
  std::string_view stepAccessibility() const;
  std::string_view stepAccessibilityHint() const;
  std::string_view stepGlobe() const;
  std::string_view stepGlobeHint() const;
  std::string_view stepCapsLock() const;
  std::string_view stepCapsLockHint() const;
  std::string_view stepLayoutsHint() const;
  std::string_view grant() const;
  std::string_view openSettingsBtn() const;
  std::string_view allSet() const;
  std::string_view onboardingClose() const;
  std::string_view langEnglish() const;
  std::string_view langRussian() const;
  std::string_view langSystem() const;
  std::string_view done2() const;

 private:
  std::string_view pick(std::string_view english, std::string_view russian) const {
    return _ru ? russian : english;
  }

  bool _ru;
};

}  // namespace kestravane
