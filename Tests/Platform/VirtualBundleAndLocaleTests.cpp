#include <gtest/gtest.h>

#include <cstdlib>

#include "Platform/Virtual/VirtualBundleInfo.h"
#include "Platform/Virtual/VirtualLocale.h"

namespace kestravane::platform::vmac {
namespace {

TEST(VirtualBundleInfoTest, ShortVersionIsTheProjectVersionUntilChanged) {
  VirtualBundleInfo bundle;
  const auto version = bundle.objectForInfoDictionaryKey(kBundleShortVersionKey);
  ASSERT_TRUE(version && std::holds_alternative<std::string>(*version));
  EXPECT_EQ(std::get<std::string>(*version), VirtualBundleInfo::projectVersion());
  EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleNoSuchKey"), std::nullopt);

  bundle.setValue(kBundleShortVersionKey, std::int64_t{2});
  EXPECT_EQ(bundle.objectForInfoDictionaryKey(kBundleShortVersionKey),
            PropertyValue(std::int64_t{2}));
  bundle.removeValue(kBundleShortVersionKey);
  EXPECT_EQ(bundle.objectForInfoDictionaryKey(kBundleShortVersionKey), std::nullopt);

  EXPECT_EQ(VirtualBundleInfo("9.8.7").objectForInfoDictionaryKey(kBundleShortVersionKey),
            PropertyValue(std::string("9.8.7")));
}

// Sets LC_ALL for one test and puts the old value back.
class ScopedLcAll {
 public:
  explicit ScopedLcAll(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved_ = old;
    ::setenv("LC_ALL", value, 1);
  }
  ~ScopedLcAll() {
    if (saved_) {
      ::setenv("LC_ALL", saved_->c_str(), 1);
    } else {
      ::unsetenv("LC_ALL");
    }
  }

 private:
  std::optional<std::string> saved_;
};

TEST(VirtualLocaleTest, FollowsThePosixLocaleAfreshUnlessOverridden) {
  VirtualLocale locale;
  {
    ScopedLcAll russian("ru_RU.UTF-8");
    EXPECT_EQ(locale.currentLanguageCode(), "ru");
  }
  {
    ScopedLcAll posix("C");
    EXPECT_EQ(locale.currentLanguageCode(), std::nullopt);

    locale.setLanguageCode("de");
    EXPECT_EQ(locale.currentLanguageCode(), "de");
    locale.setLanguageCode(std::nullopt);
    EXPECT_EQ(locale.currentLanguageCode(), std::nullopt);
  }
  {
    ScopedLcAll english("en_GB.UTF-8");
    EXPECT_EQ(locale.currentLanguageCode(), std::nullopt);  // the override stays
    locale.clearOverride();
    EXPECT_EQ(locale.currentLanguageCode(), "en");
  }
}

}  // namespace
}  // namespace kestravane::platform::vmac
