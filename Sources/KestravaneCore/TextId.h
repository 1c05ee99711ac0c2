// The keys of the interface's texts, in the order every language's table (EnglishTexts.cpp,
// RussianTexts.cpp) lists them: the texts below, then the status text of each health and the
// text of each remedy, which their rows in EngineState.h declare, and the label of each setting
// (SettingRows.h). Code that names a text
// includes only this.
// Threads: constants; usable from any thread.
#pragma once

#include <cstddef>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/SettingRows.h"

// Prefixes end in one space and are put before an argument (Strings::triggerLabel and the like).
// loginAwaitsApproval: the login item is registered but runs only once the user allows it.
// keyTesterNeedsInputMonitoring: the system does not let the program listen to keys.
// languageName: the table's own language, named in itself in the language picker.
// freeCapsLockByHand: Free Caps Lock where no keyboard-settings program opens: what to run.
// statusMetaNotFree, freeMeta, stepMeta, stepMetaHint: the desktop (KDE Plasma) opens its
// launcher on a lone Meta tap, which the right Super trigger also is; freeMetaCommands: the
// commands that turn that off, where there is room for them (the settings window).
// switchableDesktopCommands: where layouts can be switched, and on GNOME the command that enables
// the extension, where there is room for it (the settings window).
// demoInstead: the menu's first row where the desktop's own layouts cannot be switched.
// clang-format off
#define PLIVEX_TEXT_IDS(X)                                                                       \
  X(triggerPrefix) X(layoutsPrefix) X(settingsNotSavedPrefix) X(freeCapsLockByHand)              \
  X(settingsEllipsis) X(enable) X(disable) X(refreshStatus) X(quit) X(settingsTitle)             \
  X(cancel) X(done) X(loginAwaitsApproval)            \
  X(openLoginItems) X(status) X(keyTester) X(keyTesterHint) X(keyTesterStart) X(keyTesterStop)   \
  X(keyTesterWaiting) X(keyTesterNeedsInputMonitoring) X(allowInputMonitoring)                   \
  X(onboardingTitle) X(stepAccessibility) X(stepAccessibilityHint) X(stepGlobe)                  \
  X(stepGlobeHint) X(stepCapsLock) X(stepCapsLockHint) X(stepLayoutsHint) X(grant)               \
  X(openSettingsBtn) X(allSet) X(onboardingClose) X(languageName) X(langSystem) X(demoInstead)   \
  X(freeMetaCommands) X(stepMeta) X(stepMetaHint) X(switchableDesktopCommands)
// clang-format on

namespace kestravane {

// Every text: expands PLIVEX_TEXT_ITEM(name), which its user defines, once per text in order.
#define PLIVEX_HEALTH_TEXT(name, blocks, symbol, status, ...) PLIVEX_TEXT_ITEM(status)
#define PLIVEX_REMEDY_TEXT(name, text, ...) PLIVEX_TEXT_ITEM(text)
#define PLIVEX_SETTING_TEXT(name, Type, initial, key, label, ...) PLIVEX_TEXT_ITEM(label)
#define PLIVEX_EVERY_TEXT                   \
  PLIVEX_TEXT_IDS(PLIVEX_TEXT_ITEM)         \
  PLIVEX_ENGINE_HEALTHS(PLIVEX_HEALTH_TEXT) \
  PLIVEX_REMEDIES(PLIVEX_REMEDY_TEXT) PLIVEX_SETTINGS(PLIVEX_SETTING_TEXT)

#define PLIVEX_TEXT_ITEM(name) name,
enum class TextId { PLIVEX_EVERY_TEXT };
#undef PLIVEX_TEXT_ITEM

#define PLIVEX_TEXT_ITEM(name) +1
inline constexpr std::size_t kTextCount = 0 PLIVEX_EVERY_TEXT;
#undef PLIVEX_TEXT_ITEM

}  // namespace kestravane
