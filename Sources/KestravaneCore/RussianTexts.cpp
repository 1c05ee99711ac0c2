// The Russian texts of the interface, with a Linux desktop's own beside the texts that differ
// there.
#include "KestravaneCore/TextTable.h"

namespace kestravane {

extern const TextTable kRussianTexts{
    .triggerPrefix = "Триггер: ",
    .layoutsPrefix = "Раскладки: ",
    .settingsNotSavedPrefix = "⚠️ Настройки не сохранены: ",
    .freeCapsLockByHand = {"Освободить Caps Lock (переключение ABC → Off)",
                           "Освободить Caps Lock: выполните setxkbmap -option '' (сброс опций XKB)",
                           "Освободить Caps Lock: отключите переключение раскладок по Caps Lock в "
                           "настройках клавиатуры"},
    .settingsEllipsis = "Настройки…",
    .enable = "Включить",
    .disable = "Выключить",
    .refreshStatus = "Обновить статус",
    .quit = "Выйти",
    .settingsTitle = "Настройки Plivex",
    .cancel = "Отмена",
    .done = "Готово",
    .loginAwaitsApproval = "Ждёт разрешения в Системных настройках › Основные › Объекты входа.",
    .openLoginItems = "Открыть «Объекты входа»…",
    .status = "Статус",
    .keyTester = "Тест клавиш",
    .keyTesterHint = {"Нажми клавишу — видит ли её macOS", "Нажми клавишу — видит ли её X-сервер",
                      "Нажми клавишу — видят ли её клавиатуры"},
    .keyTesterStart = "Начать тест",
    .keyTesterStop = "Стоп",
    .keyTesterWaiting = "жду нажатия…",
    .keyTesterNeedsInputMonitoring =
        {"Тесту клавиш нужен Input Monitoring, чтобы видеть нажатия.",
         "Тесту клавиш нужен XInput 2, а его нет на этом X-сервере: обновите X-сервер.",
         "Тест клавиш читает клавиатуры, для этого нужна группа input: выполните sudo usermod -aG "
         "input $USER, затем выйдите и войдите снова."},
    .allowInputMonitoring = "Разрешить Input Monitoring…",
    .onboardingTitle = "Настройка Plivex",
    .stepAccessibility = {"Разреши Accessibility", "XInput 2 на X-сервере",
                          "Дай Plivex читать клавиатуры"},
    .stepAccessibilityHint =
        {"Чтобы Plivex видел клавишу-триггер.",
         "Чтобы Plivex видел клавишу-триггер. Он есть в любом современном "
         "X-сервере.",
         "Plivex видит клавишу-триггер на самих клавиатурах, для этого нужна группа input: выполни "
         "«sudo usermod -aG input $USER», затем выйди и войди снова. Любая программа из этой "
         "группы может читать все клавиши; Plivex не записывает то, что ты печатаешь."},
    .stepGlobe = "Освободи клавишу Globe",
    .stepGlobeHint =
        "В открывшихся настройках поставь «Press 🌐 key to» → Do Nothing (применяется сразу).",
    .stepCapsLock = "Освободи клавишу Caps Lock",
    .stepCapsLockHint =
        {"В открывшихся настройках, в Input Sources → Edit…, выключи «Use the Caps Lock key to "
         "switch to and from ABC» (применяется сразу).",
         "Опция XKB заставляет Caps Lock переключать раскладки сам. В открывшихся "
         "настройках клавиатуры выключи переключение раскладок по Caps Lock."},
    .stepLayoutsHint = {"Включи минимум 2 раскладки в macOS.",
                        "Добавь минимум 2 раскладки в настройках клавиатуры или выполни "
                        "«setxkbmap -layout us,ru».",
                        "Добавь минимум 2 раскладки в настройках клавиатуры."},
    .grant = "Разрешить…",
    .openSettingsBtn = "Открыть настройки…",
    .allSet = "✓ Готово — Plivex активен.",
    .onboardingClose = "Закрыть",
    .languageName = "Русский",
    .langSystem = "Системный",
    .demoInstead = "⚠ Демо: раскладки этого рабочего стола не переключаются",
    .freeMetaCommands =
        {"Освободить правый ⌘",
         "Освободить Super: выполните kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts "
         "--key Meta \"\", затем qdbus org.kde.KWin /KWin reconfigure"},
    .stepMeta = {"Освободи правую клавишу ⌘", "Освободи клавишу Super"},
    .stepMetaHint = {"Система сама реагирует на одиночное нажатие клавиши.",
                     "KDE Plasma открывает меню запуска по одиночному нажатию Meta. Выключи это: "
                     "выполни kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts --key Meta "
                     "\"\", затем qdbus org.kde.KWin /KWin reconfigure."},
    .switchableDesktopCommands =
        {"Нужна система, которая переключает раскладки",
         "Запустите X-сервер с расширением XKEYBOARD",
         "Работает в GNOME, KDE Plasma, Sway и Hyprland. В GNOME включите расширение: "
         "gnome-extensions enable input-sources@plivex (GNOME 43–44: "
         "input-sources-legacy@plivex); если его нет, перезайдите."},
    .statusNoAccessibility =
        {"🟠 Нужен Accessibility", "🟠 Нет XInput 2 на X-сервере",
         "🟠 Нет доступа к клавиатурам (группа input)"},
    .statusLayoutsUnswitchable =
        {"🟠 Раскладки не переключаются",
         "🟠 На этом X-сервере нет XKB: раскладки не "
         "переключаются",
         "🟠 Plivex не переключает раскладки здесь"},
    .statusNeedsLayouts = "🟠 Нужно ≥2 раскладок",
    .statusGlobeNotFree = "🟠 Globe занят системой",
    .statusCapsLockNotFree = "🟠 Caps Lock занят системой",
    .statusMetaNotFree = {"🟠 Правый ⌘ занят системой",
                          "🟠 Super открывает меню запуска KDE"},
    .statusDisabled = "⚪️ Выключено",
    .statusTapDisabled = "🟠 Перехват отключён системой",
    .statusSecureInput = "🟠 Secure Input активен",
    .statusActive = "🟢 Активно",
    .statusNoInputMonitoring = "🟠 Нужен Input Monitoring",
    .requestAccessibility = {"② Запросить Accessibility", "② Нет XInput 2: обновите X-сервер",
                             "② Нужна группа input: sudo usermod -aG input $USER и перезайдите"},
    .openSettingsEllipsis = "   Открыть настройки…",
    .needLayoutsHint = {"Включите ≥2 раскладок в системе",
                        "Добавьте ≥2 раскладок (или: setxkbmap -layout us,ru)",
                        "Добавьте ≥2 раскладок в настройках клавиатуры"},
    .openKeyboardSettings = "   Открыть настройки клавиатуры…",
    .freeGlobe = "Освободить Globe (Fn → Do Nothing)",
    .freeCapsLock = {"Освободить Caps Lock (переключение ABC → Off)",
                     "Освободить Caps Lock (переключение XKB по Caps Lock → Off)"},
    .reAddAccessibility = "Удалите Plivex из Accessibility и добавьте снова…",
    .freeMeta = {"Освободить правый ⌘",
                 "Освободить Super: выключите меню запуска KDE на Meta (см. Настройки…)"},
    .switchableDesktopHint = {"Нужна система, которая переключает раскладки",
                              "Запустите X-сервер с расширением XKEYBOARD",
                              "Работает в GNOME (с расширением), KDE Plasma, Sway, Hyprland"},
    .triggerKey = "Клавиша-триггер",
    .language = "Язык",
    .launchAtLogin = "Запускать при входе",
};

}  // namespace kestravane
