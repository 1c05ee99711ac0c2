// The Russian texts of the interface, with a Linux desktop's own beside the texts that differ
// there.
#include "KestravaneCore/TextTable.h"

namespace kestravane {

extern const TextTable kRussianTexts{
    .triggerPrefix = "Триггер: ",
    .layoutsPrefix = "Раскладки: ",
    .settingsNotSavedPrefix = "⚠️ Настройки не сохранены: ",
    .statusActive = "🟢 Активно",
    .statusDisabled = "⚪️ Выключено",
    .statusNeedsLayouts = "🟠 Нужно ≥2 раскладок",
    .statusNoInputMonitoring = "🟠 Нужен Input Monitoring",
    .statusNoAccessibility = {"🟠 Нужен Accessibility",
                              "🟠 Нет XInput 2 на X-сервере"},
    .statusTapDisabled = "🟠 Перехват отключён системой",
    .statusGlobeNotFree = "🟠 Globe занят системой",
    .statusCapsLockNotFree = "🟠 Caps Lock занят системой",
    .statusSecureInput = "🟠 Secure Input активен",
    .requestAccessibility = {"② Запросить Accessibility", "② Нет XInput 2: обновите X-сервер"},
    .openSettingsEllipsis = "   Открыть настройки…",
    .reAddAccessibility = "Удалите Plivex из Accessibility и добавьте снова…",
    .needLayoutsHint = {"Включите ≥2 раскладок в системе",
                        "Добавьте ≥2 раскладок (или: setxkbmap -layout us,ru)"},
    .openKeyboardSettings = "   Открыть настройки клавиатуры…",
    .freeGlobe = "Освободить Globe (Fn → Do Nothing)",
    .freeCapsLock = {"Освободить Caps Lock (переключение ABC → Off)",
                     "Освободить Caps Lock (переключение XKB по Caps Lock → Off)"},
    .freeCapsLockByHand =
        {"Освободить Caps Lock (переключение ABC → Off)",
         "Освободить Caps Lock: выполните setxkbmap -option '' (сброс опций XKB)"},
    .settingsEllipsis = "Настройки…",
    .enable = "Включить",
    .disable = "Выключить",
    .refreshStatus = "Обновить статус",
    .quit = "Выйти",
    .settingsTitle = "Настройки Plivex",
    .triggerKey = "Клавиша-триггер",
    .cancel = "Отмена",
    .done = "Готово",
    .language = "Язык",
    .launchAtLogin = "Запускать при входе",
    .loginAwaitsApproval = "Ждёт разрешения в Системных настройках › Основные › Объекты входа.",
    .openLoginItems = "Открыть «Объекты входа»…",
    .status = "Статус",
    .keyTester = "Тест клавиш",
    .keyTesterHint = {"Нажми клавишу — видит ли её macOS", "Нажми клавишу — видит ли её X-сервер"},
    .keyTesterStart = "Начать тест",
    .keyTesterStop = "Стоп",
    .keyTesterWaiting = "жду нажатия…",
    .keyTesterNeedsInputMonitoring =
        {"Тесту клавиш нужен Input Monitoring, чтобы видеть нажатия.",
         "Тесту клавиш нужен XInput 2, а его нет на этом X-сервере: обновите X-сервер."},
    .allowInputMonitoring = "Разрешить Input Monitoring…",
    .onboardingTitle = "Настройка Plivex",
    .stepAccessibility = {"Разреши Accessibility", "XInput 2 на X-сервере"},
    .stepAccessibilityHint = {"Чтобы Plivex видел клавишу-триггер.",
                              "Чтобы Plivex видел клавишу-триггер. Он есть в любом современном "
                              "X-сервере."},
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
                        "«setxkbmap -layout us,ru»."},
    .grant = "Разрешить…",
    .openSettingsBtn = "Открыть настройки…",
    .allSet = "✓ Готово — Plivex активен.",
    .onboardingClose = "Закрыть",
    .languageName = "Русский",
    .langSystem = "Системный",
    .demoInstead = "⚠ Демо: раскладки этого рабочего стола не переключаются",
    .statusLayoutsUnswitchable =
        {"🟠 Раскладки не переключаются",
         "🟠 На этом X-сервере нет XKB: раскладки не "
         "переключаются"},
    .statusMetaNotFree = {"🟠 Правый ⌘ занят системой",
                          "🟠 Super открывает меню запуска KDE"},
    .freeMeta = {"Освободить правый ⌘",
                 "Освободить Super: выключите меню запуска KDE на Meta (см. Настройки…)"},
    .freeMetaCommands =
        {"Освободить правый ⌘",
         "Освободить Super: выполните kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts "
         "--key Meta \"\", затем qdbus org.kde.KWin /KWin reconfigure"},
    .stepMeta = {"Освободи правую клавишу ⌘", "Освободи клавишу Super"},
    .stepMetaHint = {"Система сама реагирует на одиночное нажатие клавиши.",
                     "KDE Plasma открывает меню запуска по одиночному нажатию Meta. Выключи это: "
                     "выполни kwriteconfig6 --file kwinrc --group ModifierOnlyShortcuts --key Meta "
                     "\"\", затем qdbus org.kde.KWin /KWin reconfigure."},
};

}  // namespace kestravane
