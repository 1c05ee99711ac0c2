#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "KestravaneCore/PlivexConfig.h"

namespace kestravane {
namespace {

using ErrorKind = ConfigDecodingErrorKind;
using namespace std::string_literals;

const PlivexConfig* decoded(const ConfigDecodingResult& result) {
  return std::get_if<PlivexConfig>(&result);
}

const ConfigDecodingError* failure(const ConfigDecodingResult& result) {
  return std::get_if<ConfigDecodingError>(&result);
}

TEST(TriggerKind, RawValuesAndCases) {
  // The stored order of the first triggers never changes; later rows may follow.
  ASSERT_GE(allTriggerKinds.size(), 3u);
  EXPECT_EQ((std::array{allTriggerKinds[0], allTriggerKinds[1], allTriggerKinds[2]}),
            (std::array{TriggerKind::fn, TriggerKind::capsLock, TriggerKind::rightCommand}));
  EXPECT_EQ(rawValue(TriggerKind::fn), "fn");
  EXPECT_EQ(rawValue(TriggerKind::capsLock), "capsLock");
  EXPECT_EQ(rawValue(TriggerKind::rightCommand), "rightCommand");
  for (const char* raw : {"CapsLock", "capslock", " capsLock", "capsLock ", "", "Fn", "command"}) {
    EXPECT_EQ(parseTriggerKind(raw), std::nullopt) << '"' << raw << '"';
  }
}

TEST(AppLanguage, RawValuesAndCases) {
  EXPECT_EQ(allAppLanguages, (std::array{AppLanguage::en, AppLanguage::ru, AppLanguage::system}));
  EXPECT_EQ(rawValue(AppLanguage::en), "en");
  EXPECT_EQ(rawValue(AppLanguage::ru), "ru");
  EXPECT_EQ(rawValue(AppLanguage::system), "system");
  for (const char* raw : {"EN", "de", "en-US", "System", ""}) {
    EXPECT_EQ(parseAppLanguage(raw), std::nullopt) << '"' << raw << '"';
  }
}

TEST(PlivexConfigCoding, EncodesAllMembersCompactlyInOrder) {
  EXPECT_EQ(encodeConfig(PlivexConfig::defaults()),
            R"({"trigger":"fn","language":"en","launchAtLogin":false})");
  EXPECT_EQ(encodeConfig(PlivexConfig(TriggerKind::rightCommand, AppLanguage::system, true)),
            R"({"trigger":"rightCommand","language":"system","launchAtLogin":true})");
}

TEST(PlivexConfigCoding, EveryCombinationRoundTrips) {
  int combinations = 0;
  for (TriggerKind trigger : allTriggerKinds) {
    for (AppLanguage language : allAppLanguages) {
      for (bool launchAtLogin : {false, true}) {
        const PlivexConfig config(trigger, language, launchAtLogin);
        // Stored as a data blob, so decode from bytes.
        const std::string text = encodeConfig(config);
        const auto result = decodeConfig(std::vector<std::uint8_t>(text.begin(), text.end()));
        ASSERT_NE(decoded(result), nullptr) << text;
        EXPECT_EQ(*decoded(result), config) << text;
        ++combinations;
      }
    }
  }
  EXPECT_EQ(combinations, static_cast<int>(allTriggerKinds.size() * allAppLanguages.size() * 2));
}

TEST(PlivexConfigCoding, MissingNullAndUnknownMembers) {
  struct Case {
    const char* json;
    PlivexConfig expected;
  };
  const Case cases[] = {
      {"{}", PlivexConfig::defaults()},
      {R"({"language":"ru"})", {TriggerKind::fn, AppLanguage::ru, false}},
      {R"({"trigger":null,"language":"system","launchAtLogin":true})",
       {TriggerKind::fn, AppLanguage::system, true}},
      {R"({"trigger":"capsLock","language":null,"launchAtLogin":null})",
       {TriggerKind::capsLock, AppLanguage::en, false}},
      {R"({"trigger":"capsLock","layouts":["a","b"],"version":2,"x":{"trigger":"fn"}})",
       {TriggerKind::capsLock, AppLanguage::en, false}},
      {R"({"launchAtLogin":true,"language":"ru","trigger":"rightCommand"})",
       {TriggerKind::rightCommand, AppLanguage::ru, true}},
      {" \n{ \"trigger\" : \"rightCommand\" }\t",
       {TriggerKind::rightCommand, AppLanguage::en, false}},
      {R"({"Trigger":"capsLock"})", PlivexConfig::defaults()},  // keys are case-sensitive too
      {R"({"trigger":"fn","trigger":"capsLock"})", {TriggerKind::capsLock, AppLanguage::en, false}},
  };
  for (const Case& c : cases) {
    const auto result = decodeConfig(c.json);
    ASSERT_NE(decoded(result), nullptr) << c.json << ": " << failure(result)->message;
    EXPECT_EQ(*decoded(result), c.expected) << c.json;
  }
}

TEST(PlivexConfigCoding, MalformedMembersFailTheWholeDecode) {
  struct Case {
    const char* json;
    ConfigDecodingError expected;
  };
  const Case cases[] = {
      {R"({"trigger":1})",
       {ErrorKind::typeMismatch, "trigger",
        "Expected to decode String but found a number instead."}},
      {R"({"language":["ru"]})",
       {ErrorKind::typeMismatch, "language",
        "Expected to decode String but found an array instead."}},
      {R"({"launchAtLogin":"true"})",
       {ErrorKind::typeMismatch, "launchAtLogin",
        "Expected to decode Bool but found a string instead."}},
      {"[]",
       {ErrorKind::typeMismatch, "",
        "Expected to decode Dictionary<String, Any> but found an array instead."}},
      {"null",
       {ErrorKind::typeMismatch, "",
        "Expected to decode Dictionary<String, Any> but found a null value instead."}},
      {R"({"trigger":"capsLOCK","language":"ru","launchAtLogin":true})",
       {ErrorKind::dataCorrupted, "trigger",
        "Cannot initialize TriggerKind from invalid String value capsLOCK"}},
      {R"({"trigger":""})",
       {ErrorKind::dataCorrupted, "trigger",
        "Cannot initialize TriggerKind from invalid String value "}},
      {R"({"language":"de"})",
       {ErrorKind::dataCorrupted, "language",
        "Cannot initialize AppLanguage from invalid String value de"}},
      // Members are checked in the order trigger, language, launchAtLogin, whatever the text says.
      {R"({"launchAtLogin":"yes","language":"de","trigger":"Fn"})",
       {ErrorKind::dataCorrupted, "trigger",
        "Cannot initialize TriggerKind from invalid String value Fn"}},
      {R"({"launchAtLogin":"yes","language":"de"})",
       {ErrorKind::dataCorrupted, "language",
        "Cannot initialize AppLanguage from invalid String value de"}},
  };
  for (const Case& c : cases) {
    const auto result = decodeConfig(c.json);
    ASSERT_NE(failure(result), nullptr) << c.json << " decoded";
    EXPECT_EQ(*failure(result), c.expected) << c.json << ": " << failure(result)->message;
  }
}

TEST(PlivexConfigCoding, TextThatIsNotJsonIsDataCorrupted) {
  const std::vector<std::string> inputs = {
      "",
      "{",
      R"({"trigger":"fn",})",
      R"({"trigger":"fn"} {})",
      "{\"trigger\":\"fn\"}\0{\"trigger\":\"capsLock\"}"s,  // a NUL does not end the text
      "{\"trigger\":\"f\0n\"}"s,
      "{\"trigger\":\"\xff\xfe\"}",      // not UTF-8 inside a string
      "{\"trigger\":\"cap\xc3sLock\"}",  // truncated UTF-8 sequence
      "{\"x\":\"\xed\xa0\x80\"}",        // encoded surrogate half
  };
  for (const std::string& input : inputs) {
    const auto result = decodeConfig(input);
    ASSERT_NE(failure(result), nullptr) << '"' << input << "\" decoded";
    EXPECT_EQ(failure(result)->kind, ErrorKind::dataCorrupted) << input;
    EXPECT_EQ(failure(result)->message, "The given data was not valid JSON.") << input;
  }
}

std::string nested(std::size_t depth, const std::string& open, const std::string& close,
                   const std::string& inner) {
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) text += open;
  text += inner;
  for (std::size_t i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(PlivexConfigCoding, DeepNestingFailsCleanly) {
  for (const std::string& input : {
           nested(100000, "[", "]", ""),
           R"({"trigger":"fn","x":)" + nested(100000, "{\"a\":", "}", "1") + "}",
           nested(100000, "{\"trigger\":", "}", "\"fn\""),
       }) {
    const auto result = decodeConfig(input);
    ASSERT_NE(failure(result), nullptr);
    EXPECT_EQ(failure(result)->kind, ErrorKind::dataCorrupted);
  }
}

TEST(PlivexConfigCoding, ModerateNestingInsideUnknownMembersIsIgnored) {
  // 1 level for the record and 511 inside the ignored member: the most that is accepted.
  const auto accepted = decodeConfig(R"({"language":"ru","x":)" + nested(511, "[", "]", "") + "}");
  ASSERT_NE(decoded(accepted), nullptr);
  EXPECT_EQ(decoded(accepted)->language, AppLanguage::ru);
  const auto refused = decodeConfig(R"({"language":"ru","x":)" + nested(512, "[", "]", "") + "}");
  ASSERT_NE(failure(refused), nullptr);
  EXPECT_EQ(failure(refused)->kind, ErrorKind::dataCorrupted);
}

TEST(PlivexConfigCoding, LargeInputIsReadWithoutTrouble) {
  std::string text = R"({"padding":")" + std::string(8 << 20, 'x') + R"(","list":[)";
  for (int i = 0; i < 200000; ++i) text += "1,";
  text += R"(0],"trigger":"rightCommand"})";
  const auto result = decodeConfig(text);
  ASSERT_NE(decoded(result), nullptr);
  EXPECT_EQ(decoded(result)->trigger, TriggerKind::rightCommand);
}

}  // namespace
}  // namespace kestravane
