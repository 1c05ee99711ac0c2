// Every language-dependent text of the menu and the windows, one table per language, behind
// one accessor per text. A language is a TextTable (EnglishTexts.cpp, RussianTexts.cpp) plus its
// row in the list of interface languages (Strings.cpp); a table that misses a text does not build.
// Threads: immutable values and constant tables; usable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KestravaneCore/AppLanguage.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// The texts of one interface language, UTF-8. The exact characters (emoji, "…", "≥",
// typographic quotes, the leading spaces of the indented menu items) are what the windows show.
struct TextTable {
  // Prefixes, each ending in one space, put before an argument.
  std::string_view triggerPrefix;
  std::string_view layoutsPrefix;
  std::string_view settingsNotSavedPrefix;
  std::string_view statusActive;
  std::string_view statusDisabled;
  std::string_view statusNeedsLayouts;
  std::string_view statusNoInputMonitoring;
  std::string_view statusNoAccessibility;
  std::string_view statusTapDisabled;
  std::string_view statusGlobeNotFree;
  std::string_view statusCapsLockNotFree;
  std::string_view statusSecureInput;
  std::string_view requestInputMonitoring;
  std::string_view requestAccessibility;
  std::string_view openSettingsEllipsis;
  std::string_view reAddAccessibility;
  std::string_view needLayoutsHint;
  std::string_view openKeyboardSettings;
  std::string_view freeGlobe;
  std::string_view freeCapsLock;
  std::string_view checkAndEnable;
  std::string_view settingsEllipsis;
  std::string_view enable;
  std::string_view disable;
  std::string_view refreshStatus;
  std::string_view quit;
  std::string_view settingsTitle;
  std::string_view triggerKey;
  std::string_view layoutsHeader;
  std::string_view selectAtLeastTwo;
  std::string_view cancel;
  std::string_view done;
  std::string_view language;
  std::string_view launchAtLogin;
  // The login item is registered but runs only once the user allows it in System Settings.
  std::string_view loginAwaitsApproval;
  std::string_view openLoginItems;
  std::string_view status;
  std::string_view permissions;
  std::string_view keyTester;
  std::string_view keyTesterHint;
  std::string_view keyTesterStart;
  std::string_view keyTesterStop;
  std::string_view keyTesterWaiting;
  // The key tester cannot start: the system does not let the program listen to keys.
  std::string_view keyTesterNeedsInputMonitoring;
  std::string_view allowInputMonitoring;
  std::string_view onboardingTitle;
  std::string_view stepAccessibility;
  std::string_view stepAccessibilityHint;
  std::string_view stepGlobe;
  std::string_view stepGlobeHint;
  std::string_view stepCapsLock;
  std::string_view stepCapsLockHint;
  std::string_view stepLayoutsHint;
  std::string_view grant;
  std::string_view openSettingsBtn;
  std::string_view allSet;
  std::string_view onboardingClose;
  std::string_view langEnglish;
  std::string_view langRussian;
  std::string_view langSystem;
  std::string_view done2;
  // The menu's first row where the demo runs because the desktop's own layouts cannot be
  // switched (a Wayland session).
  std::string_view demoInstead;
};

extern const TextTable kEnglishTexts;
extern const TextTable kRussianTexts;

// The texts that differ on a Linux desktop, where the keyboard settings are the desktop's (or
// XKB's own), and what the program needs from the X server is XInput 2, not a permission. They
// take the place of the same texts of the language's table (Strings with Keyboard::pc).
struct DesktopTexts {
  std::string_view statusNoAccessibility;
  std::string_view requestAccessibility;
  std::string_view stepAccessibility;
  std::string_view stepAccessibilityHint;
  std::string_view needLayoutsHint;
  std::string_view stepLayoutsHint;
  std::string_view freeCapsLock;
  std::string_view stepCapsLockHint;
  std::string_view keyTesterHint;
  std::string_view keyTesterNeedsInputMonitoring;
};

extern const DesktopTexts kEnglishLinuxTexts;
extern const DesktopTexts kRussianLinuxTexts;

// An interface language the user can choose, in the order the language picker offers them
// (followed by "System").
struct InterfaceLanguage {
  AppLanguage language;
  std::string_view systemCode;  // the locale's language code that selects it under "System"
  const TextTable* texts;
  const DesktopTexts* linuxTexts;
  std::string_view TextTable::*pickerName;  // its name in the picker, in the shown language
};

const std::vector<InterfaceLanguage>& interfaceLanguages();

class Strings {
 public:
  // `system` follows `systemLanguageCode`, the current locale's language code as the caller has
  // just read it: a code that names one of the interface languages exactly ("ru") picks it;
  // anything else (or no code at all) gives English. The core reads no locale; the platform
  // services do (see KestravaneKit/TextsForLanguage.h).
  // `keyboard` is the system's: on a PC keyboard the texts are a Linux desktop's.
  explicit Strings(AppLanguage lang,
                   const std::optional<std::string>& systemLanguageCode = std::nullopt,
                   Keyboard keyboard = Keyboard::mac);

  // The mark the key tester's readout puts after a modifier key's event; the same (Russian) text
  // in both interface languages.
  static std::string_view modifierSuffix() { return " (модификатор)"; }

  // The language the texts are in (never `system`).
  AppLanguage resolved() const { return _resolved; }
  // True: every text is Russian; false: English.
  bool ru() const { return _resolved == AppLanguage::ru; }
  // The keyboard whose keys the texts name.
  Keyboard keyboard() const { return _keyboard; }
  // The trigger key's names on that keyboard.
  const TriggerNames& triggerNames(TriggerKind kind) const {
    return kestravane::triggerNames(kind, _keyboard);
  }
  // Any text of the table, for code that picks texts from tables of its own.
  std::string_view text(std::string_view TextTable::*field) const { return table.*field; }

  // The language picker's options in order, each named in this language.
  std::vector<std::pair<AppLanguage, std::string_view>> languageOptions() const;

  // Fixed prefix, ending in one space, followed by the argument.
  std::string triggerLabel(std::string_view triggerName) const;
  std::string layoutsLabel(std::string_view joinedLayoutNames) const;
  // The line that says why the latest settings were not stored.
  std::string settingsNotSaved(std::string_view reason) const;

  std::string_view statusActive() const { return table.statusActive; }
  std::string_view statusDisabled() const { return table.statusDisabled; }
  std::string_view statusNeedsLayouts() const { return table.statusNeedsLayouts; }
  std::string_view statusNoInputMonitoring() const { return table.statusNoInputMonitoring; }
  std::string_view statusNoAccessibility() const { return table.statusNoAccessibility; }
  std::string_view statusTapDisabled() const { return table.statusTapDisabled; }
  std::string_view statusGlobeNotFree() const { return table.statusGlobeNotFree; }
  std::string_view statusCapsLockNotFree() const { return table.statusCapsLockNotFree; }
  std::string_view statusSecureInput() const { return table.statusSecureInput; }
  std::string_view requestInputMonitoring() const { return table.requestInputMonitoring; }
  std::string_view requestAccessibility() const { return table.requestAccessibility; }
  std::string_view openSettingsEllipsis() const { return table.openSettingsEllipsis; }
  std::string_view reAddAccessibility() const { return table.reAddAccessibility; }
  std::string_view needLayoutsHint() const { return table.needLayoutsHint; }
  std::string_view openKeyboardSettings() const { return table.openKeyboardSettings; }
  std::string_view freeGlobe() const { return table.freeGlobe; }
  std::string_view freeCapsLock() const { return table.freeCapsLock; }
  std::string_view checkAndEnable() const { return table.checkAndEnable; }
  std::string_view settingsEllipsis() const { return table.settingsEllipsis; }
  std::string_view enable() const { return table.enable; }
  std::string_view disable() const { return table.disable; }
  std::string_view refreshStatus() const { return table.refreshStatus; }
  std::string_view quit() const { return table.quit; }
  std::string_view settingsTitle() const { return table.settingsTitle; }
  std::string_view triggerKey() const { return table.triggerKey; }
  std::string_view layoutsHeader() const { return table.layoutsHeader; }
  std::string_view selectAtLeastTwo() const { return table.selectAtLeastTwo; }
  std::string_view cancel() const { return table.cancel; }
  std::string_view done() const { return table.done; }
  std::string_view language() const { return table.language; }
  std::string_view launchAtLogin() const { return table.launchAtLogin; }
  std::string_view loginAwaitsApproval() const { return table.loginAwaitsApproval; }
  std::string_view openLoginItems() const { return table.openLoginItems; }
  std::string_view status() const { return table.status; }
  std::string_view permissions() const { return table.permissions; }
  std::string_view keyTester() const { return table.keyTester; }
  std::string_view keyTesterHint() const { return table.keyTesterHint; }
  std::string_view keyTesterStart() const { return table.keyTesterStart; }
  std::string_view keyTesterStop() const { return table.keyTesterStop; }
  std::string_view keyTesterWaiting() const { return table.keyTesterWaiting; }
  std::string_view keyTesterNeedsInputMonitoring() const {
    return table.keyTesterNeedsInputMonitoring;
  }
  std::string_view allowInputMonitoring() const { return table.allowInputMonitoring; }
  std::string_view onboardingTitle() const { return table.onboardingTitle; }
  std::string_view stepAccessibility() const { return table.stepAccessibility; }
  std::string_view stepAccessibilityHint() const { return table.stepAccessibilityHint; }
  std::string_view stepGlobe() const { return table.stepGlobe; }
  std::string_view stepGlobeHint() const { return table.stepGlobeHint; }
  std::string_view stepCapsLock() const { return table.stepCapsLock; }
  std::string_view stepCapsLockHint() const { return table.stepCapsLockHint; }
  std::string_view stepLayoutsHint() const { return table.stepLayoutsHint; }
  std::string_view grant() const { return table.grant; }
  std::string_view openSettingsBtn() const { return table.openSettingsBtn; }
  std::string_view allSet() const { return table.allSet; }
  std::string_view onboardingClose() const { return table.onboardingClose; }
  std::string_view langEnglish() const { return table.langEnglish; }
  std::string_view langRussian() const { return table.langRussian; }
  std::string_view langSystem() const { return table.langSystem; }
  std::string_view done2() const { return table.done2; }
  std::string_view demoInstead() const { return table.demoInstead; }

 private:
  AppLanguage _resolved;
  Keyboard _keyboard;
  TextTable table;
};

}  // namespace kestravane
