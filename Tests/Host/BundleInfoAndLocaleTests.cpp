#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Host/HostBundleInfo.h"
#include "Platform/Host/PosixLocale.h"

namespace kestravane::platform::host {
namespace {

TEST(VirtualBundleInfoTest, ShortVersionIsTheProjectVersionUntilChanged) {
  HostBundleInfo bundle;
  const auto version = bundle.objectForInfoDictionaryKey(kBundleShortVersionKey);
  ASSERT_TRUE(version && std::holds_alternative<std::string>(*version));
  EXPECT_EQ(std::get<std::string>(*version), HostBundleInfo::projectVersion());
  EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleNoSuchKey"), std::nullopt);

  bundle.setValue(kBundleShortVersionKey, std::int64_t{2});
  EXPECT_EQ(bundle.objectForInfoDictionaryKey(kBundleShortVersionKey),
            PropertyValue(std::int64_t{2}));
  bundle.removeValue(kBundleShortVersionKey);
  EXPECT_EQ(bundle.objectForInfoDictionaryKey(kBundleShortVersionKey), std::nullopt);

  EXPECT_EQ(HostBundleInfo("9.8.7").objectForInfoDictionaryKey(kBundleShortVersionKey),
            PropertyValue(std::string("9.8.7")));
}

// Sets LC_ALL for one test and puts the old value back.
class ScopedLcAll {
 public:
  explicit ScopedLcAll(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved = old;
    ::setenv("LC_ALL", value, 1);
  }
  ~ScopedLcAll() {
    if (saved) {
      ::setenv("LC_ALL", saved->c_str(), 1);
    } else {
      ::unsetenv("LC_ALL");
    }
  }

 private:
  std::optional<std::string> saved;
};

TEST(VirtualLocaleTest, FollowsThePosixLocaleAfreshUnlessOverridden) {
  PosixLocale locale;
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

// Sets the three locale variables for one test and restores them afterwards.
class LocaleEnvScope {
 public:
  LocaleEnvScope() {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      if (const char* value = std::getenv(kNames[i])) saved[i] = value;
      ::unsetenv(kNames[i]);
    }
  }
  ~LocaleEnvScope() {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      if (saved[i]) {
        ::setenv(kNames[i], saved[i]->c_str(), 1);
      } else {
        ::unsetenv(kNames[i]);
      }
    }
  }
  LocaleEnvScope(const LocaleEnvScope&) = delete;
  LocaleEnvScope& operator=(const LocaleEnvScope&) = delete;

  static void set(const char* name, const char* value) { ::setenv(name, value, 1); }

 private:
  static constexpr std::array<const char*, 3> kNames = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::array<std::optional<std::string>, 3> saved;
};

TEST(VirtualLocaleTest, PosixLanguageCodeTakesTheLettersBeforeTheTerritoryCodesetOrModifier) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"ru_RU.UTF-8", "de_DE.UTF-8", "en_US.UTF-8", "ru"},
      {nullptr, "de_DE.UTF-8", "ru_RU.UTF-8", "de"},
      {nullptr, nullptr, "uk_UA.UTF-8", "uk"},
      {"", "", "ru_RU", "ru"},  // empty values are skipped
      {nullptr, nullptr, "sr@latin", "sr"},
      {nullptr, nullptr, "de.ISO-8859-1", "de"},
      {nullptr, nullptr, "ru", "ru"},
      {"C", nullptr, "ru_RU.UTF-8", std::nullopt},  // the first set variable decides
      {nullptr, nullptr, "POSIX", std::nullopt},
      {nullptr, nullptr, "C.UTF-8", std::nullopt},
      {nullptr, nullptr, "_RU", std::nullopt},
      {nullptr, nullptr, nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    LocaleEnvScope env;
    if (c.lcAll) LocaleEnvScope::set("LC_ALL", c.lcAll);
    if (c.lcMessages) LocaleEnvScope::set("LC_MESSAGES", c.lcMessages);
    if (c.lang) LocaleEnvScope::set("LANG", c.lang);
    EXPECT_EQ(PosixLocale::posixLanguageCode(), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " / " << (c.lcMessages ? c.lcMessages : "-") << " / "
        << (c.lang ? c.lang : "-");
  }
}

}  // namespace
}  // namespace kestravane::platform::host
