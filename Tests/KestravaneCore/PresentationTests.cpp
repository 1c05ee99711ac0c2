#include "KestravaneCore/Presentation.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "KestravaneCore/Strings.h"

namespace kestravane {
namespace {

using H = EngineHealth;

struct HealthLook {
  EngineHealth health;
  std::string_view symbol;
  std::string_view englishStatus;
  std::string_view russianStatus;
  bool isProblem;
};

const std::vector<HealthLook> looks = {
    {H::noAccessibility, "exclamationmark.triangle.fill", "🟠 Needs Accessibility",
     "🟠 Нужен Accessibility", true},
    {H::layoutsUnswitchable, "exclamationmark.triangle.fill", "🟠 Layouts cannot be switched",
     "🟠 Раскладки не переключаются", true},
    {H::needsLayouts, "exclamationmark.triangle.fill", "🟠 Need ≥2 layouts",
     "🟠 Нужно ≥2 раскладок", true},
    {H::globeNotFree, "exclamationmark.triangle.fill", "🟠 Globe key occupied",
     "🟠 Globe занят системой", true},
    {H::capsLockNotFree, "exclamationmark.triangle.fill", "🟠 Caps Lock occupied",
     "🟠 Caps Lock занят системой", true},
    {H::metaNotFree, "exclamationmark.triangle.fill", "🟠 Right ⌘ occupied",
     "🟠 Правый ⌘ занят системой", true},
    {H::disabled, "keyboard", "⚪️ Disabled", "⚪️ Выключено", false},
    {H::tapDisabled, "exclamationmark.triangle.fill", "🟠 Tap disabled by system",
     "🟠 Перехват отключён системой", true},
    // Secure input warns but is not a problem, so it offers nothing.
    {H::secureInput, "exclamationmark.triangle.fill", "🟠 Secure Input active",
     "🟠 Secure Input активен", false},
    {H::active, "keyboard.fill", "🟢 Active", "🟢 Активно", false},
    {H::noInputMonitoring, "exclamationmark.triangle.fill", "🟠 Needs Input Monitoring",
     "🟠 Нужен Input Monitoring", true},
};

TEST(PresentationTest, SymbolStatusLineAndProblemFlagForEveryHealth) {
  ASSERT_EQ(looks.size(), allEngineHealths.size());
  for (std::size_t i = 0; i < looks.size(); ++i) {
    const HealthLook& look = looks[i];
    ASSERT_EQ(look.health, allEngineHealths[i]);
    SCOPED_TRACE(look.symbol);
    SCOPED_TRACE(static_cast<int>(look.health));
    EXPECT_EQ(Presentation::symbolName(look.health), look.symbol);
    EXPECT_EQ(Presentation::isProblem(look.health), look.isProblem);
    EXPECT_EQ(Presentation::statusLine(look.health, Strings(AppLanguage::en)), look.englishStatus);
    EXPECT_EQ(Presentation::statusLine(look.health, Strings(AppLanguage::ru)), look.russianStatus);
  }
}

// Which of the remedies that decide what the user is told are offered.
struct Offers {
  bool requestAccessibility = false;  // the Accessibility request
  bool needsLayoutsHint = false;      // the hint to enable at least two layouts
  bool freeGlobe = false;             // the offer to free the Globe key
  bool freeCapsLock = false;          // the offer to turn off the system's Caps Lock switching
  bool freeMeta = false;              // how to stop the desktop acting on a lone Meta tap
};

struct ActionCase {
  EngineHealth health;
  bool hasAccessibility;
  Offers expected;
};

TEST(PresentationTest, ActionsForEveryHealthAndAccessibilityState) {
  const Offers none{};
  const Offers access{.requestAccessibility = true};
  const std::vector<ActionCase> cases = {
      {H::active, false, none},
      {H::active, true, none},
      {H::disabled, false, none},
      {H::disabled, true, none},
      {H::secureInput, false, none},
      {H::secureInput, true, none},
      {H::noAccessibility, false, access},
      {H::noAccessibility, true, none},
      {H::needsLayouts, true, {.needsLayoutsHint = true}},
      {H::needsLayouts, false, {.requestAccessibility = true, .needsLayoutsHint = true}},
      {H::globeNotFree, true, {.freeGlobe = true}},
      {H::globeNotFree, false, {.requestAccessibility = true, .freeGlobe = true}},
      {H::capsLockNotFree, true, {.freeCapsLock = true}},
      {H::capsLockNotFree, false, {.requestAccessibility = true, .freeCapsLock = true}},
      {H::tapDisabled, true, none},
      {H::tapDisabled, false, access},
      {H::noInputMonitoring, true, none},
      {H::noInputMonitoring, false, access},
      {H::metaNotFree, true, {.freeMeta = true}},
      {H::metaNotFree, false, {.requestAccessibility = true, .freeMeta = true}},
      // Nothing Plivex could open helps a system without layout switching.
      {H::layoutsUnswitchable, true, none},
      {H::layoutsUnswitchable, false, {.requestAccessibility = true}},
  };
  ASSERT_EQ(cases.size(), 2 * allEngineHealths.size());
  const Strings strings(AppLanguage::en);
  for (const ActionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "health " << static_cast<int>(c.health) << " accessibility "
                                    << c.hasAccessibility);
    const auto got = Presentation::remedies(c.health, c.hasAccessibility, strings);
    const auto offers = [&](RemedyId id) {
      return std::any_of(got.begin(), got.end(), [&](const Remedy& r) { return r.id == id; });
    };
    EXPECT_EQ(offers(RemedyId::requestAccessibility), c.expected.requestAccessibility);
    EXPECT_EQ(offers(RemedyId::needLayoutsHint), c.expected.needsLayoutsHint);
    EXPECT_EQ(offers(RemedyId::freeGlobe), c.expected.freeGlobe);
    EXPECT_EQ(offers(RemedyId::freeCapsLock), c.expected.freeCapsLock);
    EXPECT_EQ(offers(RemedyId::freeMeta), c.expected.freeMeta);
  }
}

}  // namespace
}  // namespace kestravane
