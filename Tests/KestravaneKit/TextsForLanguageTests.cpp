#include "KestravaneKit/TextsForLanguage.h"

#include <gtest/gtest.h>

#include "Platform/Host/PosixLocale.h"

namespace kestravane {
namespace {

TEST(TextsForLanguageTest, SystemFollowsTheLocaleAfreshAndFixedLanguagesIgnoreIt) {
  platform::host::PosixLocale locale;
  locale.setLanguageCode("ru");
  const Strings first = textsFor(AppLanguage::system, locale);
  locale.setLanguageCode("uk");
  const Strings second = textsFor(AppLanguage::system, locale);
  locale.setLanguageCode(std::nullopt);
  const Strings third = textsFor(AppLanguage::system, locale);
  EXPECT_TRUE(first.resolved() == AppLanguage::ru);  // a built value keeps its language
  EXPECT_FALSE(second.resolved() == AppLanguage::ru);
  EXPECT_FALSE(third.resolved() == AppLanguage::ru);

  locale.setLanguageCode("ru");
  EXPECT_FALSE(textsFor(AppLanguage::en, locale).resolved() == AppLanguage::ru);
  locale.setLanguageCode("xx");
  EXPECT_TRUE(textsFor(AppLanguage::ru, locale).resolved() == AppLanguage::ru);
}

}  // namespace
}  // namespace kestravane
