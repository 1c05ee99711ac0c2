// The keys of the interface's texts: one line per text, in the order every language's table
// (EnglishTexts.cpp, RussianTexts.cpp) lists them. Code that names a text includes only this.
// Threads: constants; usable from any thread.
#pragma once

#include <cstddef>

// Prefixes end in one space and are put before an argument (Strings::triggerLabel and the like).
// loginAwaitsApproval: the login item is registered but runs only once the user allows it.
// keyTesterNeedsInputMonitoring: the system does not let the program listen to keys.
// languageName: the table's own language, named in itself in the language picker.
// freeCapsLockByHand: Free Caps Lock where no keyboard-settings program opens: what to run.
// statusMetaNotFree, freeMeta, stepMeta, stepMetaHint: the desktop (KDE Plasma) opens its
// launcher on a lone Meta tap, which the right Super trigger also is; freeMetaCommands: the
// commands that turn that off, where there is room for them (the settings window).
// demoInstead: the menu's first row where the desktop's own layouts cannot be switched.
// clang-format off
#define PLIVEX_TEXT_IDS(X)                                                                       \
  X(triggerPrefix) X(layoutsPrefix) X(settingsNotSavedPrefix) X(statusActive) X(statusDisabled)  \
  X(statusNeedsLayouts) X(statusNoInputMonitoring) X(statusNoAccessibility)                      \
  X(statusTapDisabled) X(statusGlobeNotFree) X(statusCapsLockNotFree) X(statusSecureInput)       \
  X(requestAccessibility) X(openSettingsEllipsis) X(reAddAccessibility) X(needLayoutsHint)       \
  X(openKeyboardSettings) X(freeGlobe) X(freeCapsLock) X(freeCapsLockByHand) X(settingsEllipsis)     \
  X(enable) X(disable)                                                                           \
  X(refreshStatus) X(quit) X(settingsTitle) X(triggerKey) X(cancel) X(done) X(language)          \
  X(launchAtLogin) X(loginAwaitsApproval) X(openLoginItems) X(status) X(keyTester)               \
  X(keyTesterHint) X(keyTesterStart) X(keyTesterStop) X(keyTesterWaiting)                        \
  X(keyTesterNeedsInputMonitoring) X(allowInputMonitoring) X(onboardingTitle)                    \
  X(stepAccessibility) X(stepAccessibilityHint) X(stepGlobe) X(stepGlobeHint) X(stepCapsLock)    \
  X(stepCapsLockHint) X(stepLayoutsHint) X(grant) X(openSettingsBtn) X(allSet)                   \
  X(onboardingClose) X(languageName) X(langSystem) X(demoInstead) X(statusLayoutsUnswitchable) X(statusMetaNotFree)            \
  X(freeMeta) X(freeMetaCommands) X(stepMeta) X(stepMetaHint)
// clang-format on

namespace kestravane {

#define PLIVEX_TEXT_ID_CASE(name) name,
enum class TextId { PLIVEX_TEXT_IDS(PLIVEX_TEXT_ID_CASE) };
#undef PLIVEX_TEXT_ID_CASE

#define PLIVEX_TEXT_ID_ONE(name) +1
inline constexpr std::size_t kTextCount = 0 PLIVEX_TEXT_IDS(PLIVEX_TEXT_ID_ONE);
#undef PLIVEX_TEXT_ID_ONE

}  // namespace kestravane
