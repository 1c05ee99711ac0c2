// The texts that differ on a Linux desktop, one table per language (see DesktopTexts).
#include "KestravaneCore/Strings.h"

namespace kestravane {

const DesktopTexts kEnglishLinuxTexts{
    .statusNoAccessibility = "🟠 No XInput 2 on this X server",
    .requestAccessibility = "② XInput 2 is missing: update the X server",
    .stepAccessibility = "XInput 2 on the X server",
    .stepAccessibilityHint = "So Plivex can see the trigger key. Every current X server has it.",
    .needLayoutsHint = "Add ≥2 layouts (or: setxkbmap -layout us,ru)",
    .stepLayoutsHint =
        "Add at least 2 layouts in the keyboard settings, or run "
        "“setxkbmap -layout us,ru”.",
    .freeCapsLock = "Free Caps Lock (XKB Caps Lock switching → Off)",
    .stepCapsLockHint =
        "An XKB option makes Caps Lock switch layouts by itself. In the opened "
        "keyboard settings, turn off switching layouts with Caps Lock.",
    .keyTesterHint = "Press a key — see if the X server reports it",
    .keyTesterNeedsInputMonitoring =
        "The key tester needs XInput 2, which this X server lacks: update the X server.",
};

const DesktopTexts kRussianLinuxTexts{
    .statusNoAccessibility = "🟠 Нет XInput 2 на X-сервере",
    .requestAccessibility = "② Нет XInput 2: обновите X-сервер",
    .stepAccessibility = "XInput 2 на X-сервере",
    .stepAccessibilityHint =
        "Чтобы Plivex видел клавишу-триггер. Он есть в любом современном "
        "X-сервере.",
    .needLayoutsHint = "Добавьте ≥2 раскладок (или: setxkbmap -layout us,ru)",
    .stepLayoutsHint =
        "Добавь минимум 2 раскладки в настройках клавиатуры или выполни "
        "«setxkbmap -layout us,ru».",
    .freeCapsLock = "Освободить Caps Lock (переключение XKB по Caps Lock → Off)",
    .stepCapsLockHint =
        "Опция XKB заставляет Caps Lock переключать раскладки сам. В открывшихся "
        "настройках клавиатуры выключи переключение раскладок по Caps Lock.",
    .keyTesterHint = "Нажми клавишу — видит ли её X-сервер",
    .keyTesterNeedsInputMonitoring =
        "Тесту клавиш нужен XInput 2, а его нет на этом X-сервере: обновите X-сервер.",
};

}  // namespace kestravane
