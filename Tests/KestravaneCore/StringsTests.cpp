#include "KestravaneCore/Strings.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "KestravaneCore/Languages.h"

namespace kestravane {
namespace {

struct TextRow {
  const char* property;
  TextId text;
  std::string_view english;
  std::string_view russian;
};

#define ROW(name, en, ru) \
  { #name, TextId::name, en, ru }

const std::vector<TextRow> textTable = {
    ROW(statusActive, "🟢 Active", "🟢 Активно"),
    ROW(statusDisabled, "⚪️ Disabled", "⚪️ Выключено"),
    ROW(statusNeedsLayouts, "🟠 Need ≥2 layouts", "🟠 Нужно ≥2 раскладок"),
    ROW(statusNoInputMonitoring, "🟠 Needs Input Monitoring", "🟠 Нужен Input Monitoring"),
    ROW(statusNoAccessibility, "🟠 Needs Accessibility", "🟠 Нужен Accessibility"),
    ROW(statusTapDisabled, "🟠 Tap disabled by system",
        "🟠 Перехват отключён системой"),
    ROW(statusGlobeNotFree, "🟠 Globe key occupied", "🟠 Globe занят системой"),
    ROW(statusCapsLockNotFree, "🟠 Caps Lock occupied",
        "🟠 Caps Lock занят системой"),
    ROW(statusSecureInput, "🟠 Secure Input active", "🟠 Secure Input активен"),
    ROW(requestAccessibility, "② Request Accessibility", "② Запросить Accessibility"),
    ROW(openSettingsEllipsis, "   Open settings…", "   Открыть настройки…"),
    ROW(needLayoutsHint, "Enable ≥2 layouts in macOS", "Включите ≥2 раскладок в системе"),
    ROW(openKeyboardSettings, "   Open keyboard settings…", "   Открыть настройки клавиатуры…"),
    ROW(freeGlobe, "Free Globe key (Fn → Do Nothing)", "Освободить Globe (Fn → Do Nothing)"),
    ROW(freeCapsLock, "Free Caps Lock (ABC switching → Off)",
        "Освободить Caps Lock (переключение ABC → Off)"),
    ROW(settingsEllipsis, "Settings…", "Настройки…"),
    ROW(enable, "Enable", "Включить"),
    ROW(disable, "Disable", "Выключить"),
    ROW(refreshStatus, "Refresh status", "Обновить статус"),
    ROW(quit, "Quit", "Выйти"),
    ROW(settingsTitle, "Plivex Settings", "Настройки Plivex"),
    ROW(triggerKey, "Trigger key", "Клавиша-триггер"),
    ROW(cancel, "Cancel", "Отмена"),
    ROW(done, "Done", "Готово"),
    ROW(language, "Language", "Язык"),
    ROW(launchAtLogin, "Launch at login", "Запускать при входе"),
    ROW(status, "Status", "Статус"),
    ROW(keyTester, "Key tester", "Тест клавиш"),
    ROW(keyTesterHint, "Press a key — see if macOS reports it",
        "Нажми клавишу — видит ли её macOS"),
    ROW(keyTesterStart, "Start test", "Начать тест"),
    ROW(keyTesterStop, "Stop", "Стоп"),
    ROW(keyTesterWaiting, "waiting for a key…", "жду нажатия…"),
    ROW(onboardingTitle, "Set up Plivex", "Настройка Plivex"),
    ROW(stepAccessibility, "Allow Accessibility", "Разреши Accessibility"),
    ROW(stepAccessibilityHint, "So Plivex can see the trigger key.",
        "Чтобы Plivex видел клавишу-триггер."),
    ROW(stepGlobe, "Free the Globe key", "Освободи клавишу Globe"),
    ROW(stepGlobeHint,
        "In the opened settings set “Press 🌐 key to” → Do Nothing (applies instantly).",
        "В открывшихся настройках поставь «Press 🌐 key to» → Do Nothing (применяется сразу)."),
    ROW(stepCapsLock, "Free the Caps Lock key", "Освободи клавишу Caps Lock"),
    ROW(stepCapsLockHint,
        "In the opened settings, under Input Sources → Edit…, turn off “Use the Caps Lock key to "
        "switch to and from ABC” (applies instantly).",
        "В открывшихся настройках, в Input Sources → Edit…, выключи «Use the Caps Lock key to "
        "switch to and from ABC» (применяется сразу)."),
    ROW(stepLayoutsHint, "Enable at least 2 layouts in macOS.",
        "Включи минимум 2 раскладки в macOS."),
    ROW(grant, "Grant…", "Разрешить…"),
    ROW(openSettingsBtn, "Open Settings…", "Открыть настройки…"),
    ROW(allSet, "✓ All set — Plivex is active.", "✓ Готово — Plivex активен."),
    ROW(onboardingClose, "Close", "Закрыть"),
    ROW(languageName, "English", "Русский"),
    ROW(langSystem, "System", "Системный"),
    ROW(demoInstead, "⚠ Demo: this desktop's layouts are not switched",
        "⚠ Демо: раскладки этого рабочего стола не переключаются"),
};

#undef ROW

void expectLanguage(const Strings& strings, bool russian) {
  EXPECT_EQ((strings.resolved() == AppLanguage::ru), russian);
  for (const TextRow& row : textTable) {
    EXPECT_EQ(strings[row.text], russian ? row.russian : row.english) << row.property;
  }
}

TEST(StringsTest, EveryTextMatchesByteForByteInBothLanguages) {
  ASSERT_EQ(textTable.size(), 47u);
  expectLanguage(Strings(AppLanguage::en), false);
  expectLanguage(Strings(AppLanguage::ru), true);
}

// On a PC keyboard (a Linux desktop) the texts about permissions, layouts and Caps Lock are the
// desktop's, and the trigger keys are the keys the user has; every other text stays as it is.
TEST(StringsTest, OnAPcKeyboardTheDesktopTextsAndKeyNamesTakeTheirPlaces) {
  const std::vector<TextId> desktopTexts{
      TextId::statusNoAccessibility, TextId::requestAccessibility, TextId::stepAccessibility,
      TextId::stepAccessibilityHint, TextId::needLayoutsHint,      TextId::stepLayoutsHint,
      TextId::freeCapsLock,          TextId::stepCapsLockHint,     TextId::keyTesterHint};
  for (const auto language : {AppLanguage::en, AppLanguage::ru}) {
    const Strings mac(language);
    const Strings pc(language, std::nullopt, Keyboard::pc);
    SCOPED_TRACE((pc.resolved() == AppLanguage::ru) ? "ru" : "en");
    EXPECT_EQ(pc.keyboard(), Keyboard::pc);
    for (const TextRow& row : textTable) {
      const bool replaced =
          std::find(desktopTexts.begin(), desktopTexts.end(), row.text) != desktopTexts.end();
      const auto text = pc[row.text];
      EXPECT_FALSE(text.empty()) << row.property;
      EXPECT_EQ(text != mac[row.text], replaced) << row.property;
      EXPECT_EQ(text.find("macOS"), std::string_view::npos) << row.property;
    }
    EXPECT_NE(pc[TextId::needLayoutsHint].find("setxkbmap -layout us,ru"), std::string_view::npos);
    EXPECT_NE(pc[TextId::statusNoAccessibility].find("XInput 2"), std::string_view::npos);
    EXPECT_EQ(pc.triggerNames(TriggerKind::fn).menu, "Menu key");
    EXPECT_EQ(pc.triggerNames(TriggerKind::rightCommand).menu, "Right Super");
    EXPECT_EQ(pc.triggerNames(TriggerKind::capsLock).menu, "Caps Lock");
    EXPECT_EQ(mac.triggerNames(TriggerKind::fn).menu, "Fn");
    EXPECT_EQ(mac.triggerNames(TriggerKind::rightCommand).menu, "Right ⌘");
  }
}

// A Wayland session has no X server: no text may send the user to one, and the texts about
// seeing keys name what is missing there, the `input` group.
TEST(StringsTest, InAWaylandSessionNoTextSpeaksOfTheXServer) {
  for (const auto language : {AppLanguage::en, AppLanguage::ru}) {
    const Strings wayland(language, std::nullopt, Keyboard::pc, Wording::wayland);
    SCOPED_TRACE(language == AppLanguage::ru ? "ru" : "en");
    for (std::size_t i = 0; i < kTextCount; ++i) {
      const auto text = wayland[static_cast<TextId>(i)];
      SCOPED_TRACE(text);
      EXPECT_FALSE(text.empty());
      for (const std::string_view x11 : {"X server", "X-сервер", "XInput", "setxkbmap", "macOS"}) {
        EXPECT_EQ(text.find(x11), std::string_view::npos);
      }
    }
    for (const TextId id : {TextId::statusNoAccessibility, TextId::requestAccessibility,
                            TextId::stepAccessibilityHint, TextId::keyTesterNeedsInputMonitoring}) {
      EXPECT_NE(wayland[id].find("input"), std::string_view::npos);
    }
  }
}

// The same characters spelled as UTF-8 escapes, so that an editor cannot silently change them.
TEST(StringsTest, SpecialCodePointsAreExact) {
  const Strings en(AppLanguage::en);
  const Strings ru(AppLanguage::ru);
  EXPECT_EQ(en[TextId::statusActive], "\xF0\x9F\x9F\xA2 Active");              // U+1F7E2
  EXPECT_EQ(en[TextId::statusDisabled], "\xE2\x9A\xAA\xEF\xB8\x8F Disabled");  // U+26AA U+FE0F
  EXPECT_EQ(en[TextId::statusSecureInput], "\xF0\x9F\x9F\xA0 Secure Input active");  // U+1F7E0
  EXPECT_EQ(en[TextId::statusNeedsLayouts],
            "\xF0\x9F\x9F\xA0 Need \xE2\x89\xA5"
            "2 layouts");                                                             // U+2265
  EXPECT_EQ(en[TextId::requestAccessibility], "\xE2\x91\xA1 Request Accessibility");  // U+2461
  EXPECT_EQ(en[TextId::openSettingsEllipsis], "   Open settings\xE2\x80\xA6");        // U+2026
  EXPECT_EQ(ru[TextId::openKeyboardSettings],
            "   \xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C "
            "\xD0\xBD\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB8 "
            "\xD0\xBA\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xB0\xD1\x82\xD1\x83\xD1\x80\xD1\x8B"
            "\xE2\x80\xA6");
  EXPECT_EQ(en[TextId::freeGlobe], "Free Globe key (Fn \xE2\x86\x92 Do Nothing)");  // U+2192
  EXPECT_EQ(en[TextId::allSet],
            "\xE2\x9C\x93 All set \xE2\x80\x94 Plivex is active.");  // U+2713 U+2014
  EXPECT_EQ(en[TextId::stepGlobeHint],
            "In the opened settings set \xE2\x80\x9CPress \xF0\x9F\x8C\x90 key to\xE2\x80\x9D "
            "\xE2\x86\x92 Do Nothing (applies instantly).");  // U+201C U+1F310 U+201D
  const std::string_view ruGlobe = ru[TextId::stepGlobeHint];
  EXPECT_NE(ruGlobe.find("\xC2\xAB"
                         "Press \xF0\x9F\x8C\x90 key to\xC2\xBB"),  // U+00AB U+00BB
            std::string_view::npos);
  EXPECT_EQ(en[TextId::keyTesterWaiting].size(), std::string_view("waiting for a key").size() + 3);
}

TEST(StringsTest, LabelsPutTheirPrefixBeforeTheArgument) {
  const Strings en(AppLanguage::en);
  const Strings ru(AppLanguage::ru);
  EXPECT_EQ(en.triggerLabel("Caps Lock"), "Trigger: Caps Lock");
  EXPECT_EQ(ru.triggerLabel("Caps Lock"), "Триггер: Caps Lock");
  EXPECT_EQ(en.layoutsLabel("U.S. → Russian"), "Layouts: U.S. → Russian");
  EXPECT_EQ(ru.layoutsLabel("ABC, Русская"), "Раскладки: ABC, Русская");
  EXPECT_EQ(en.layoutsLabel(""), "Layouts: ");
  EXPECT_EQ(ru.layoutsLabel(""), "Раскладки: ");
  EXPECT_EQ(en.triggerLabel(""), "Trigger: ");
  EXPECT_EQ(ru.triggerLabel(""), "Триггер: ");
  // The argument is taken whole, embedded NULs included.
  EXPECT_EQ(en.triggerLabel(std::string_view("a\0b", 3)), std::string("Trigger: a\0b", 12));
}

TEST(StringsTest, SystemLanguageIsRussianOnlyForTheExactCodeRu) {
  struct Case {
    std::optional<std::string> code;
    bool russian;
  };
  const std::vector<Case> cases = {
      {"ru", true}, {"uk", false},         {"xx", false},  {"en", false},    {"RU", false},
      {"", false},  {std::nullopt, false}, {"rus", false}, {"ru_RU", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code.value_or("<none>"));
    expectLanguage(Strings(AppLanguage::system, c.code), c.russian);
  }
}

TEST(StringsTest, FixedLanguagesIgnoreTheSystemLanguage) {
  for (std::optional<std::string> code :
       {std::optional<std::string>("ru"), std::optional<std::string>("xx"),
        std::optional<std::string>()}) {
    EXPECT_FALSE(Strings(AppLanguage::en, code).resolved() == AppLanguage::ru);
    EXPECT_TRUE(Strings(AppLanguage::ru, code).resolved() == AppLanguage::ru);
  }
}

}  // namespace
}  // namespace kestravane
