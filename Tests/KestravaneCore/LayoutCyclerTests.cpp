#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "KestravaneCore/LayoutCycler.h"

namespace kestravane {
namespace {

const std::string us = "com.apple.keylayout.US";
const std::string russian = "com.apple.keylayout.Russian";
const std::string german = "com.apple.keylayout.German";

TEST(LayoutCycler, NextFollowsTheCycle) {
  struct Case {
    const char* what;
    std::vector<std::string> sources;
    std::optional<std::string> current;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"empty cycle, absent current", {}, std::nullopt, std::nullopt},
      {"empty cycle, some current", {}, us, std::nullopt},
      {"one entry, current equal", {us}, us, us},
      {"one entry, current different", {us}, russian, us},
      {"one entry, current absent", {us}, std::nullopt, us},
      {"three entries, after the first", {us, russian, german}, us, russian},
      {"three entries, after the middle", {us, russian, german}, russian, german},
      {"three entries, last wraps to first", {us, russian, german}, german, us},
      {"three entries, unknown current", {us, russian, german}, "com.apple.keylayout.French", us},
      {"duplicates: the first match decides", {us, russian, us, german}, us, russian},
      {"duplicates: after the middle entry", {us, russian, us, german}, russian, us},
      {"duplicates: the last entry wraps", {us, russian, us, german}, german, us},
      {"letter case differs: no match", {us, russian}, "com.apple.keylayout.russian", us},
      {"prefix of an entry: no match", {us, russian}, "com.apple.keylayout.Russ", us},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LayoutCycler cycler(c.sources);
    EXPECT_EQ(cycler.next(c.current), c.expected);
    EXPECT_EQ(cycler.sources(), c.sources) << "next() must not change the cycle";
  }
}

}  // namespace
}  // namespace kestravane
