// The English texts of the interface, with a Linux desktop's own beside the texts that differ
// there.
#include "KestravaneCore/TextTable.h"

namespace kestravane {

extern const TextTable kEnglishTexts{
    .triggerPrefix = "Trigger: ",
    .layoutsPrefix = "Layouts: ",
    .settingsNotSavedPrefix = "⚠️ Settings not saved: ",
    .freeCapsLockByHand =
        {"Free Caps Lock (ABC switching → Off)",
         "Free Caps Lock: run setxkbmap -option '' (clears the XKB options)",
         "Free Caps Lock: turn off switching layouts with Caps Lock in the keyboard settings"},
    .settingsEllipsis = "Settings…",
    .enable = "Enable",
    .disable = "Disable",
    .refreshStatus = "Refresh status",
    .quit = "Quit",
    .settingsTitle = "Plivex Settings",
    .cancel = "Cancel",
    .done = "Done",
    .loginAwaitsApproval = "Waiting for your approval in System Settings › General › Login Items.",
    .openLoginItems = "Open Login Items…",
    .status = "Status",
    .keyTester = "Key tester",
    .keyTesterHint = {"Press a key — see if macOS reports it",
                      "Press a key — see if the X server reports it",
                      "Press a key — see if the keyboards report it"},
    .keyTesterStart = "Start test",
    .keyTesterStop = "Stop",
    .keyTesterWaiting = "waiting for a key…",
    .keyTesterNeedsInputMonitoring =
        {"The key tester needs Input Monitoring to see your keys.",
         "The key tester needs XInput 2, which this X server lacks: update the X server.",
         "The key tester reads the keyboards, which needs the input group: run sudo usermod -aG "
         "input $USER, then log out and in."},
    .allowInputMonitoring = "Allow Input Monitoring…",
    .onboardingTitle = "Set up Plivex",
    .stepAccessibility = {"Allow Accessibility", "XInput 2 on the X server",
                          "Let Plivex read the keyboards"},
    .stepAccessibilityHint =
        {"So Plivex can see the trigger key.",
         "So Plivex can see the trigger key. Every current X server has it.",
         "Plivex sees the trigger key on the keyboards themselves, which needs the input group: "
         "run “sudo usermod -aG input $USER”, then log out and in. Any program in that group can "
         "read every key; Plivex never records what you type."},
    .stepGlobe = "Free the Globe key",
    .stepGlobeHint =
        "In the opened settings set “Press 🌐 key to” → Do Nothing (applies instantly).",
    .stepCapsLock = "Free the Caps Lock key",
    .stepCapsLockHint =
        {"In the opened settings, under Input Sources → Edit…, turn off “Use the Caps Lock key to "
         "switch to and from ABC” (applies instantly).",
         "An XKB option makes Caps Lock switch layouts by itself. In the opened "
         "keyboard settings, turn off switching layouts with Caps Lock."},
    .stepLayoutsHint = {"Enable at least 2 layouts in macOS.",
                        "Add at least 2 layouts in the keyboard settings, or run "
                        "“setxkbmap -layout us,ru”.",
                        "Add at least 2 layouts in the desktop's keyboard settings."},
    .grant = "Grant…",
    .openSettingsBtn = "Open Settings…",
    .allSet = "✓ All set — Plivex is active.",
    .onboardingClose = "Close",
    .languageName = "English",
    .langSystem = "System",
    .demoInstead = "⚠ Demo: this desktop's layouts are not switched",
    .freeMetaCommands =
        {"Free right ⌘",
         "Free Super: run kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts --key Meta "
         "\"\", then qdbus org.kde.KWin /KWin reconfigure"},
    .stepMeta = {"Free the right ⌘ key", "Free the Super key"},
    .stepMetaHint = {"The system acts on a lone tap of the key.",
                     "KDE Plasma opens its launcher on a lone Meta tap. Turn that off: run "
                     "kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts --key Meta \"\", "
                     "then qdbus org.kde.KWin /KWin reconfigure."},
    .switchableDesktopCommands =
        {"Use a system that can switch keyboard layouts",
         "Start the X server with its XKEYBOARD extension",
         "Plivex switches layouts on GNOME, KDE Plasma, Sway and Hyprland. On GNOME, enable its "
         "extension: gnome-extensions enable input-sources@plivex (GNOME 43–44: "
         "input-sources-legacy@plivex); if it is not found, log out and in first."},
    .statusNoAccessibility = {"🟠 Needs Accessibility", "🟠 No XInput 2 on this X server",
                              "🟠 Can't read the keyboards (input group)"},
    .statusLayoutsUnswitchable = {"🟠 Layouts cannot be switched",
                                  "🟠 No XKB on this X server: layouts cannot be switched",
                                  "🟠 Plivex can't switch this desktop's layouts"},
    .statusNeedsLayouts = "🟠 Need ≥2 layouts",
    .statusGlobeNotFree = "🟠 Globe key occupied",
    .statusCapsLockNotFree = "🟠 Caps Lock occupied",
    .statusMetaNotFree = {"🟠 Right ⌘ occupied", "🟠 Super opens the KDE launcher"},
    .statusDisabled = "⚪️ Disabled",
    .statusTapDisabled = "🟠 Tap disabled by system",
    .statusSecureInput = "🟠 Secure Input active",
    .statusActive = "🟢 Active",
    .statusNoInputMonitoring = "🟠 Needs Input Monitoring",
    .requestAccessibility =
        {"② Request Accessibility", "② XInput 2 is missing: update the X server",
         "② Join the input group: sudo usermod -aG input $USER, then log in again"},
    .openSettingsEllipsis = "   Open settings…",
    .needLayoutsHint = {"Enable ≥2 layouts in macOS",
                        "Add ≥2 layouts (or: setxkbmap -layout us,ru)",
                        "Add ≥2 layouts in the desktop's keyboard settings"},
    .openKeyboardSettings = "   Open keyboard settings…",
    .freeGlobe = "Free Globe key (Fn → Do Nothing)",
    .freeCapsLock = {"Free Caps Lock (ABC switching → Off)",
                     "Free Caps Lock (XKB Caps Lock switching → Off)"},
    .reAddAccessibility = "Remove Plivex from Accessibility, then add it again…",
    .freeMeta = {"Free right ⌘", "Free Super: turn off KDE's launcher on Meta (see Settings…)"},
    .switchableDesktopHint = {"Use a system that can switch keyboard layouts",
                              "Start the X server with its XKEYBOARD extension",
                              "Works on GNOME (with its extension), KDE Plasma, Sway, Hyprland"},
    .triggerKey = "Trigger key",
    .language = "Language",
    .launchAtLogin = "Launch at login",
};

}  // namespace kestravane
