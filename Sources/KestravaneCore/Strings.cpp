// The texts are UTF-8 literals; the exact characters (emoji, "…", "≥", typographic quotes and
// the leading spaces of the indented menu items) are what the windows show.
#include "KestravaneCore/Strings.h"

namespace kestravane {
namespace {

bool resolvesToRussian(AppLanguage lang, const std::optional<std::string>& systemLanguageCode) {
  switch (lang) {
    case AppLanguage::en:
      return false;
    case AppLanguage::ru:
      return true;
    case AppLanguage::system:
      return systemLanguageCode == "ru";
  }
  return false;
}

std::string prefixed(std::string_view prefix, std::string_view argument) {
  std::string line;
  line.reserve(prefix.size() + argument.size());
  line.append(prefix).append(argument);
  return line;
}

}  // namespace

Strings::Strings(AppLanguage lang, const std::optional<std::string>& systemLanguageCode)
    : _ru(resolvesToRussian(lang, systemLanguageCode)) {}

std::string Strings::triggerLabel(std::string_view triggerName) const {
  return prefixed(pick("Trigger: ", "Триггер: "), triggerName);
}

std::string Strings::layoutsLabel(std::string_view joinedLayoutNames) const {
  return prefixed(pick("Layouts: ", "Раскладки: "), joinedLayoutNames);
}

std::string_view Strings::statusActive() const {
  return pick("🟢 Active", "🟢 Активно");
}
std::string_view Strings::statusDisabled() const {
  return pick("⚪️ Disabled", "⚪️ Выключено");
}
std::string_view Strings::statusNeedsLayouts() const {
  return pick("🟠 Need ≥2 layouts", "🟠 Нужно ≥2 раскладок");
}
std::string_view Strings::statusNoInputMonitoring() const {
  return pick("🟠 Needs Input Monitoring", "🟠 Нужен Input Monitoring");
}
std::string_view Strings::statusNoAccessibility() const {
  return pick("🟠 Needs Accessibility", "🟠 Нужен Accessibility");
}
std::string_view Strings::statusTapDisabled() const {
  return pick("🟠 Tap disabled by system",
              "🟠 Перехват отключён системой");
}
std::string_view Strings::statusGlobeNotFree() const {
  return pick("🟠 Globe key occupied", "🟠 Globe занят системой");
}
std::string_view Strings::statusCapsLockNotFree() const {
  return pick("🟠 Caps Lock occupied", "🟠 Caps Lock занят системой");
}
std::string_view Strings::statusSecureInput() const {
  return pick("🟠 Secure Input active", "🟠 Secure Input активен");
}
std::string_view Strings::requestInputMonitoring() const {
  return pick("① Request Input Monitoring", "① Запросить Input Monitoring");
}
std::string_view Strings::requestAccessibility() const {
  return pick("② Request Accessibility", "② Запросить Accessibility");
}
std::string_view Strings::openSettingsEllipsis() const {
  return pick("   Open settings…", "   Открыть настройки…");
}
std::string_view Strings::needLayoutsHint() const {
  return pick("Enable ≥2 layouts in macOS", "Включите ≥2 раскладок в системе");
}
std::string_view Strings::openKeyboardSettings() const {
  return pick("   Open keyboard settings…", "   Открыть настройки клавиатуры…");
}
std::string_view Strings::freeGlobe() const {
  return pick("Free Globe key (Fn → Do Nothing)", "Освободить Globe (Fn → Do Nothing)");
}
std::string_view Strings::freeCapsLock() const {
  return pick("Free Caps Lock (ABC switching → Off)",
              "Освободить Caps Lock (переключение ABC → Off)");
}
std::string_view Strings::checkAndEnable() const {
  return pick("↻ Check and enable", "↻ Проверить и включить");
}
std::string_view Strings::settingsEllipsis() const {
  return pick("Settings…", "Настройки…");
}
std::string_view Strings::enable() const {
  return pick("Enable", "Включить");
}
std::string_view Strings::disable() const {
  return pick("Disable", "Выключить");
}
std::string_view Strings::refreshStatus() const {
  return pick("Refresh status", "Обновить статус");
}
std::string_view Strings::quit() const {
  return pick("Quit", "Выйти");
}
std::string_view Strings::settingsTitle() const {
  return pick("Plivex Settings", "Настройки Plivex");
}
std::string_view Strings::triggerKey() const {
  return pick("Trigger key", "Клавиша-триггер");
}
std::string_view Strings::layoutsHeader() const {
  return pick("Layouts in cycle (≥2, switch order)",
              "Раскладки в цикле (≥2, порядок переключения)");
}
std::string_view Strings::selectAtLeastTwo() const {
  return pick("Select at least 2 layouts", "Выбери минимум 2 раскладки");
}
std::string_view Strings::cancel() const {
  return pick("Cancel", "Отмена");
}
std::string_view Strings::done() const {
  return pick("Done", "Готово");
}
std::string_view Strings::language() const {
  return pick("Language", "Язык");
}
std::string_view Strings::launchAtLogin() const {
  return pick("Launch at login", "Запускать при входе");
}
std::string_view Strings::status() const {
  return pick("Status", "Статус");
}
std::string_view Strings::permissions() const {
  return pick("Permissions", "Доступы");
}
std::string_view Strings::keyTester() const {
  return pick("Key tester", "Тест клавиш");
}
std::string_view Strings::keyTesterHint() const {
  return pick("Press a key — see if macOS reports it", "Нажми клавишу — видит ли её macOS");
}
std::string_view Strings::keyTesterStart() const {
  return pick("Start test", "Начать тест");
}
std::string_view Strings::keyTesterStop() const {
  return pick("Stop", "Стоп");
}
std::string_view Strings::keyTesterWaiting() const {
  return pick("waiting for a key…", "жду нажатия…");
}
std::string_view Strings::onboardingTitle() const {
  return pick("Set up Plivex", "Настройка Plivex");
}
std::string_view Strings::stepAccessibility() const {
  return pick("Allow Accessibility", "Разреши Accessibility");
}
std::string_view Strings::stepAccessibilityHint() const {
  return pick("So Plivex can see the trigger key.", "Чтобы Plivex видел клавишу-триггер.");
}
std::string_view Strings::stepGlobe() const {
  return pick("Free the Globe key", "Освободи клавишу Globe");
}
std::string_view Strings::stepGlobeHint() const {
  return pick(
      "In the opened settings set “Press 🌐 key to” → Do Nothing (applies instantly).",
      "В открывшихся настройках поставь «Press 🌐 key to» → Do Nothing (применяется сразу).");
}
std::string_view Strings::stepCapsLock() const {
  return pick("Free the Caps Lock key", "Освободи клавишу Caps Lock");
}
std::string_view Strings::stepCapsLockHint() const {
  return pick(
      "In the opened settings, under Input Sources → Edit…, turn off “Use the Caps Lock "
      "key to switch to and from ABC” (applies instantly).",
      "В открывшихся настройках, в Input Sources → Edit…, выключи «Use the Caps Lock key "
      "to switch to and from ABC» (применяется сразу).");
}
std::string_view Strings::stepLayoutsHint() const {
  return pick("Enable at least 2 layouts in macOS.", "Включи минимум 2 раскладки в macOS.");
}
std::string_view Strings::grant() const {
  return pick("Grant…", "Разрешить…");
}
std::string_view Strings::openSettingsBtn() const {
  return pick("Open Settings…", "Открыть настройки…");
}
std::string_view Strings::allSet() const {
  return pick("✓ All set — Plivex is active.", "✓ Готово — Plivex активен.");
}
std::string_view Strings::onboardingClose() const {
  return pick("Close", "Закрыть");
}
std::string_view Strings::langEnglish() const {
  return pick("English", "English");
}
std::string_view Strings::langRussian() const {
  return pick("Russian", "Русский");
}
std::string_view Strings::langSystem() const {
  return pick("System", "Системный");
}
std::string_view Strings::done2() const {
  return pick("Done", "Готово");
}

}  // namespace kestravane
