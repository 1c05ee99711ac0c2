#include "KestravaneKit/ConfigStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/LogLines.h"
#include "Platform/Host/DefaultsLogLines.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

namespace fs = std::filesystem;
using platform::Data;
using platform::PropertyValue;
using platform::host::FileUserDefaults;
using platform::host::MemoryUserDefaults;
using platform::vmac::VirtualMac;
using platform::vmac::VirtualMacOptions;

const std::string kKey = "PlivexConfig.v1";
const PlivexConfig kDefaults(TriggerKind::fn, AppLanguage::en, false);
const PlivexConfig kCustom(TriggerKind::capsLock, AppLanguage::ru, true);

Data bytes(std::string_view text) {
  return Data(text.begin(), text.end());
}

std::vector<PlivexConfig> allRecords() {
  std::vector<PlivexConfig> records;
  for (TriggerKind trigger : allTriggerKinds) {
    for (AppLanguage language : allAppLanguages) {
      for (bool launchAtLogin : {false, true})
        records.emplace_back(trigger, language, launchAtLogin);
    }
  }
  return records;
}

// --- In-memory user defaults ----------------------------------------------------------------

class ConfigStoreTest : public ::testing::Test {
 protected:
  MemoryUserDefaults& defaults() {
    return dynamic_cast<MemoryUserDefaults&>(rig.mac.userDefaults());
  }
  void store(const PropertyValue& value) { defaults().setObject(value, kKey); }

  testing_support::VirtualMacRig rig;
  ConfigStore configStore{*rig.services()};
};

TEST_F(ConfigStoreTest, FirstRunGivesTheDefaultsAndWritesNothing) {
  EXPECT_EQ(configStore.load(), kDefaults);
  EXPECT_TRUE(defaults().values().empty());
}

TEST_F(ConfigStoreTest, StoredValuesLoadAsTheirRecordOrTheDefaults) {
  const std::vector<std::pair<PropertyValue, PlivexConfig>> cases{
      {std::string(R"({"trigger":"capsLock","language":"ru","launchAtLogin":true})"), kDefaults},
      {bytes("{}"), kDefaults},
      {bytes(R"({"launchAtLogin":true})"), PlivexConfig(TriggerKind::fn, AppLanguage::en, true)},
      {bytes(R"({"language":"ru"})"), PlivexConfig(TriggerKind::fn, AppLanguage::ru, false)},
      {bytes(R"( { "launchAtLogin" : true , "language":"system", "trigger" : "rightCommand" } )"),
       PlivexConfig(TriggerKind::rightCommand, AppLanguage::system, true)},
      {bytes(R"({"trigger":null,"language":"ru","launchAtLogin":true})"),
       PlivexConfig(TriggerKind::fn, AppLanguage::ru, true)},
      {bytes(R"({"trigger":"capsLock","extra":{"any":[1,2]}})"),
       PlivexConfig(TriggerKind::capsLock, AppLanguage::en, false)},
      {bytes(R"({"trigger":"CapsLock","language":"ru","launchAtLogin":true})"), kDefaults},
      {bytes(R"({"trigger":"caps","language":"ru","launchAtLogin":true})"), kDefaults},
      {bytes(R"({"trigger":"capsLock","language":"de","launchAtLogin":true})"), kDefaults},
  };
  for (const auto& [value, expected] : cases) {
    store(value);
    EXPECT_EQ(configStore.load(), expected) << ::testing::PrintToString(value);
  }
}

TEST_F(ConfigStoreTest, EveryRecordSurvivesSaveAndLoad) {
  for (const PlivexConfig& record : allRecords()) {
    configStore.save(record);
    EXPECT_EQ(configStore.load(), record)
        << rawValue(record.trigger) << " " << rawValue(record.language) << " "
        << record.launchAtLogin;
  }
}

TEST_F(ConfigStoreTest, SaveStoresOneCompactJsonBlobUnderItsKey) {
  defaults().setObject(std::string("kept"), "SomeOtherKey");
  configStore.save(kCustom);
  configStore.save(PlivexConfig(TriggerKind::rightCommand, AppLanguage::system, false));

  const auto values = defaults().values();
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values.at("SomeOtherKey"), PropertyValue(std::string("kept")));
  EXPECT_EQ(values.at(kKey),
            PropertyValue(
                bytes(R"({"trigger":"rightCommand","language":"system","launchAtLogin":false})")));
}

// A record of a newer Plivex keeps the members this one does not know through its saves; only
// a usable record lends them.
TEST_F(ConfigStoreTest, SaveKeepsTheMembersOfANewerVersionItDoesNotKnow) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {R"({"language":"en","holdMs":250,"trigger":"fn","cycle":[{"id":"x","on":null}]})",
       R"({"trigger":"capsLock","language":"ru","launchAtLogin":true,"holdMs":250,)"
       R"("cycle":[{"id":"x","on":null}]})"},
      {R"({"trigger":"fn","x":1,"trigger":"rightCommand"})",
       R"({"trigger":"capsLock","language":"ru","launchAtLogin":true,"x":1})"},
      {R"({"trigger":"leftOption","x":1})",
       R"({"trigger":"capsLock","language":"ru","launchAtLogin":true})"},
  };
  for (const auto& [stored, saved] : cases) {
    store(bytes(stored));
    EXPECT_EQ(configStore.save(kCustom), std::nullopt);
    EXPECT_EQ(defaults().values().at(kKey), PropertyValue(bytes(saved))) << stored;
    EXPECT_EQ(configStore.load(), kCustom);
  }
}

// Unusable stored values: each loads as the defaults and stays stored, byte for byte, until
// the next save replaces it.
std::vector<std::pair<std::string, PropertyValue>> unusableValues() {
  const std::string valid = R"({"trigger":"capsLock","language":"ru","launchAtLogin":true})";
  std::vector<std::pair<std::string, PropertyValue>> values;
  for (std::size_t length = 0; length < valid.size(); ++length) {
    values.emplace_back("truncated to " + std::to_string(length), bytes(valid.substr(0, length)));
  }
  values.emplace_back("several MB, never closed",
                      bytes(R"({"trigger":"capsLock","pad":")" + std::string(3'000'000, 'x')));
  values.emplace_back("several MB of garbage", Data(3'000'000, 0xA5));
  values.emplace_back("deeply nested member",
                      bytes(R"({"trigger":"capsLock","x":)" + std::string(100'000, '[') +
                            std::string(100'000, ']') + "}"));
  values.emplace_back("deeply nested, unclosed", bytes(std::string(1'000'000, '{')));
  values.emplace_back("invalid UTF-8 in a member", bytes("{\"trigger\":\"caps\xff\xfeLock\"}"));
  values.emplace_back("invalid UTF-8 in an ignored member",
                      bytes("{\"trigger\":\"capsLock\",\"x\":\"\xc3\"}"));
  values.emplace_back("overlong UTF-8", bytes("{\"trigger\":\"\xc0\xaf\"}"));
  values.emplace_back("NUL inside", bytes(std::string("{\"trigger\":\"capsLock\"}\0{", 24)));
  values.emplace_back("trailing garbage", bytes(R"({"trigger":"capsLock"} x)"));
  values.emplace_back("two objects", bytes(R"({"trigger":"capsLock"}{})"));
  values.emplace_back("array", bytes(R"([{"trigger":"capsLock"}])"));
  values.emplace_back("JSON string", bytes(R"("capsLock")"));
  values.emplace_back("JSON null", bytes("null"));
  values.emplace_back("JSON number", bytes("1"));
  values.emplace_back("trigger is a number", bytes(R"({"trigger":1,"language":"ru"})"));
  values.emplace_back("trigger is a boolean", bytes(R"({"trigger":true})"));
  values.emplace_back("trigger is an object", bytes(R"({"trigger":{"kind":"capsLock"}})"));
  values.emplace_back("language is a number", bytes(R"({"trigger":"capsLock","language":7})"));
  values.emplace_back("flag is a string",
                      bytes(R"({"trigger":"capsLock","launchAtLogin":"true"})"));
  values.emplace_back("flag is a number", bytes(R"({"trigger":"capsLock","launchAtLogin":1})"));
  values.emplace_back("empty trigger", bytes(R"({"trigger":"","language":"ru"})"));
  values.emplace_back("stored as text", std::string(R"({"trigger":"capsLock"})"));
  values.emplace_back("stored as an integer", std::int64_t{1});
  values.emplace_back("stored as a real", 0.5);
  values.emplace_back("stored as a boolean", true);
  return values;
}

TEST_F(ConfigStoreTest, UnusableValuesLoadAsTheDefaultsAndStayUntilTheNextSave) {
  for (const auto& [name, value] : unusableValues()) {
    SCOPED_TRACE(name);
    store(value);
    EXPECT_EQ(configStore.load(), kDefaults);
    EXPECT_EQ(configStore.load(), kDefaults) << "a second load changes nothing";
    const auto stored = defaults().objectForKey(kKey);
    EXPECT_TRUE(stored && *stored == value) << "the stored value was changed by loading";
  }
  configStore.save(kCustom);
  EXPECT_EQ(configStore.load(), kCustom);
}

// --- User defaults persisted in a file ------------------------------------------------------

class ConfigStoreFileTest : public ::testing::Test {
 protected:
  ConfigStoreFileTest() {
    std::string pattern = (fs::temp_directory_path() / "plivex-config-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    defaultsPath = directory / "plivex" / "defaults.json";
  }
  ~ConfigStoreFileTest() override {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }

  // One run of the application: a fresh virtual Mac reading the same defaults file.
  struct Run {
    explicit Run(VirtualMacOptions options) : mac(std::move(options)) {}
    FileUserDefaults& file() { return dynamic_cast<FileUserDefaults&>(mac.userDefaults()); }

    VirtualMac mac;
    ConfigStore store{*mac.services()};
  };
  std::unique_ptr<Run> launch() const {
    VirtualMacOptions options;
    options.defaultsFile = defaultsPath;
    return std::make_unique<Run>(options);
  }
  // Ends the run, then starts the next one, as a user quitting and starting the program.
  void relaunch(std::unique_ptr<Run>& run) const {
    run.reset();
    run = launch();
  }
  std::string fileText() const {
    std::ifstream in(defaultsPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void writeFile(const std::string& text) const {
    fs::create_directories(defaultsPath.parent_path());
    std::ofstream(defaultsPath, std::ios::binary) << text;
  }

  fs::path directory;
  fs::path defaultsPath;
};

TEST_F(ConfigStoreFileTest, RecordSurvivesARestart) {
  {
    auto run = launch();
    EXPECT_EQ(run->store.load(), kDefaults);
    run->store.save(kCustom);
  }
  auto run = launch();
  EXPECT_EQ(run->store.load(), kCustom);
}

TEST_F(ConfigStoreFileTest, MissingFileGivesTheDefaultsAndIsNotCreated) {
  auto run = launch();
  EXPECT_EQ(run->store.load(), kDefaults);
  EXPECT_FALSE(fs::exists(defaultsPath));
}

TEST_F(ConfigStoreFileTest, UnreadableFileOrEntryGivesTheDefaultsAndStaysUntouched) {
  const std::vector<std::string> files{
      "not json at all",
      R"({"PlivexConfig.v1":{"data":"bm90IGpzb24="}})",  // base64 of "not json"
      R"({"PlivexConfig.v1":{"string":"{\"trigger\":\"capsLock\"}"}})",
      R"({"PlivexConfig.v1":{"data":"%%%"}})",
      std::string("\0\xff\xfe", 3),
  };
  for (const auto& text : files) {
    SCOPED_TRACE(text);
    writeFile(text);
    auto run = launch();
    EXPECT_EQ(run->store.load(), kDefaults);
    EXPECT_EQ(fileText(), text);
  }
}

// A directory where the file should be cannot be opened as a file at all, not even by root.
TEST_F(ConfigStoreFileTest, FileThatCannotBeOpenedGivesTheDefaultsAndSavesFailQuietly) {
  fs::create_directories(defaultsPath);
  auto run = launch();
  EXPECT_TRUE(run->file().loadError().has_value());
  EXPECT_EQ(run->store.load(), kDefaults);

  run->store.save(kCustom);
  EXPECT_TRUE(run->file().lastWriteError().has_value());
  EXPECT_EQ(run->store.load(), kCustom) << "the running application keeps what it set";
  EXPECT_TRUE(fs::is_directory(defaultsPath)) << "the obstacle is neither removed nor replaced";

  relaunch(run);
  EXPECT_EQ(run->store.load(), kDefaults) << "nothing could be stored";
}

TEST_F(ConfigStoreFileTest, SaveAfterLoadingAGarbageFileWritesAFileTheNextRunLoads) {
  const std::string garbage = "\x89PNG\r\n\x1a\n{\"PlivexConfig.v1\":";
  writeFile(garbage);
  auto run = launch();
  EXPECT_EQ(run->store.load(), kDefaults);
  EXPECT_EQ(fileText(), garbage);

  run->store.save(kCustom);
  EXPECT_EQ(run->file().lastWriteError(), std::nullopt);
  EXPECT_NE(fileText(), garbage);
  relaunch(run);
  EXPECT_EQ(run->file().loadError(), std::nullopt);
  EXPECT_EQ(run->store.load(), kCustom);
}

TEST_F(ConfigStoreFileTest, UnwritableDirectoryKeepsTheAppRunningAndTheLastGoodRecord) {
  std::string good;
  {
    auto run = launch();
    run->store.save(kCustom);
    good = fileText();
  }
  auto run = launch();
  // The directory becomes unusable while the application runs (a file stands in its place;
  // permissions alone would not stop a test that runs as root).
  const fs::path folder = defaultsPath.parent_path();
  const fs::path away = directory / "plivex.away";
  fs::rename(folder, away);
  std::ofstream(folder) << "blocker";

  const PlivexConfig attempted(TriggerKind::rightCommand, AppLanguage::system, false);
  run->store.save(attempted);
  run->store.save(attempted);
  EXPECT_TRUE(run->file().lastWriteError().has_value());
  EXPECT_EQ(run->store.load(), attempted) << "like NSUserDefaults, the app keeps what it set";
  // The virtual Mac's log says so, once, naming the file.
  EXPECT_THAT(run->mac.log().messages(),
              ::testing::ElementsAre(::testing::StartsWith(
                  std::string(platform::host::defaultsline::kCannotSave) + defaultsPath.string())));

  // The directory comes back: the failed save did not touch the last good file, and a save that
  // can write does.
  fs::remove(folder);
  fs::rename(away, folder);
  EXPECT_EQ(fileText(), good);
  const PlivexConfig later(TriggerKind::fn, AppLanguage::ru, true);
  run->store.save(later);
  EXPECT_EQ(run->file().lastWriteError(), std::nullopt);
  relaunch(run);
  EXPECT_EQ(run->store.load(), later);
}

// A record the program cannot use, in a file that is otherwise valid: said when loaded, and the
// file kept as a copy before the next save replaces the record.
TEST_F(ConfigStoreFileTest, AnUnusableRecordIsSaidAndTheFileKeptAsACopyBeforeItIsReplaced) {
  const std::vector<std::pair<std::string, std::string>> files{
      // base64 of "not json", and of {"trigger":"leftShift"}
      {R"({"PlivexConfig.v1":{"data":"bm90IGpzb24="}})", "The given data was not valid JSON."},
      {R"({"PlivexConfig.v1":{"data":"eyJ0cmlnZ2VyIjoibGVmdFNoaWZ0In0="}})", "leftShift"},
      // A hand-edit of the readable form with a key the program does not know.
      {"{\n  \"PlivexConfig.v1\": {\"json\": {\"trigger\": \"leftShift\"}}\n}\n", "leftShift"},
      {R"({"PlivexConfig.v1":{"string":"{\"trigger\":\"capsLock\"}"}})", "not a data blob"},
  };
  const fs::path copy = defaultsPath.string() + ".bad";
  for (const auto& [text, reason] : files) {
    SCOPED_TRACE(text);
    fs::remove(copy);
    writeFile(text);
    auto run = launch();
    EXPECT_EQ(run->store.load(), kDefaults);
    EXPECT_THAT(run->mac.log().messages(),
                ::testing::Contains(
                    ::testing::AllOf(::testing::StartsWith(std::string(logline::kConfigUnusable)),
                                     ::testing::HasSubstr(reason))));
    EXPECT_EQ(fileText(), text) << "loading writes nothing";

    EXPECT_EQ(run->store.save(kCustom), std::nullopt);
    std::ifstream kept(copy, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), text);
    relaunch(run);
    EXPECT_EQ(run->store.load(), kCustom);
  }
}

TEST_F(ConfigStoreFileTest, ASaveSaysWhyItFailedUntilOneSucceeds) {
  auto run = launch();
  const fs::path folder = defaultsPath.parent_path();
  std::ofstream(folder) << "a file where the folder should be";
  const auto failed = run->store.save(kCustom);
  ASSERT_TRUE(failed.has_value());
  EXPECT_THAT(*failed, ::testing::HasSubstr("cannot save " + defaultsPath.string()));
  fs::remove(folder);
  EXPECT_EQ(run->store.save(kCustom), std::nullopt);
}

TEST_F(ConfigStoreFileTest, CrashWhileWritingLeavesTheLastGoodRecord) {
  {
    auto run = launch();
    run->store.save(kCustom);
    const std::string good = fileText();
    run->file().simulateCrashDuringNextWrite();
    run->store.save(kDefaults);
    EXPECT_TRUE(run->file().lastWriteError().has_value());
    EXPECT_EQ(fileText(), good) << "the half-written file must not replace the good one";
    EXPECT_EQ(run->store.load(), kDefaults) << "the running application keeps what it set";
  }
  auto run = launch();
  EXPECT_EQ(run->store.load(), kCustom);

  run->store.save(kDefaults);
  const fs::directory_iterator folder(defaultsPath.parent_path());
  EXPECT_EQ(std::distance(fs::begin(folder), fs::end(folder)), 1)
      << "the save also cleared the temporary the crash left";
  relaunch(run);
  EXPECT_EQ(run->store.load(), kDefaults);
}

}  // namespace
}  // namespace kestravane
