#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <thread>

#include "Host/DefaultsFileTest.h"
#include "Platform/Host/DefaultsLogLines.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Platform/Host/UserDefaultsJson.h"
#include "Support/ChildProcess.h"

namespace kestravane::platform::host {
namespace {

// --- The seam's rules, for both kinds of store --------------------------------------------

// A way to make the store under test; printed by its name in test listings.
struct Factory {
  std::string name;
  std::function<std::unique_ptr<UserDefaults>(const fs::path&)> make;
  std::unique_ptr<UserDefaults> operator()(const fs::path& path) const { return make(path); }
};

void PrintTo(const Factory& factory, std::ostream* out) {
  *out << factory.name;
}

class UserDefaultsContractTest : public TemporaryDirectoryTest,
                                 public ::testing::WithParamInterface<Factory> {};

TEST_P(UserDefaultsContractTest, DataForKeyAnswersOnlyDataBlobs) {
  auto defaults = GetParam()(path);
  EXPECT_EQ(defaults->dataForKey(kKey), std::nullopt);
  EXPECT_EQ(defaults->objectForKey(kKey), std::nullopt);

  defaults->setObject(std::string("{\"trigger\":\"fn\"}"), kKey);
  EXPECT_EQ(defaults->dataForKey(kKey), std::nullopt);
  EXPECT_EQ(defaults->objectForKey(kKey), PropertyValue(std::string("{\"trigger\":\"fn\"}")));

  defaults->setObject(bytes("{}"), kKey);
  EXPECT_EQ(defaults->dataForKey(kKey), bytes("{}"));
  defaults->setObject(Data{}, kKey);
  EXPECT_EQ(defaults->dataForKey(kKey), Data{});  // an empty blob is still a blob

  defaults->removeObject(kKey);
  EXPECT_EQ(defaults->objectForKey(kKey), std::nullopt);
  defaults->removeObject(kKey);  // removing nothing is fine
}

INSTANTIATE_TEST_SUITE_P(Stores, UserDefaultsContractTest,
                         ::testing::Values(Factory{"Memory",
                                                   [](const fs::path&) {
                                                     return std::make_unique<MemoryUserDefaults>();
                                                   }},
                                           Factory{"File",
                                                   [](const fs::path& path) {
                                                     return std::make_unique<FileUserDefaults>(
                                                         path, std::make_shared<HostLog>(
                                                                   HostLog::Sinks{false, false}));
                                                   }}),
                         [](const auto& param) { return param.param.name; });

// --- The file ------------------------------------------------------------------------------

using FileUserDefaultsTest = TemporaryDirectoryTest;

TEST_F(FileUserDefaultsTest, EveryValueTypeSurvivesANewInstance) {
  Data everyByte;
  for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<std::uint8_t>(b));
  const UserDefaultsValues values{
      {"data", everyByte},
      {"empty data", Data{}},
      {"string", std::string("Раскладка \"quoted\"\n\\ ✓")},
      {"empty string", std::string()},
      {"min", std::numeric_limits<std::int64_t>::min()},
      {"max", std::numeric_limits<std::int64_t>::max()},
      {"real", 0.1},
      {"whole real", 2.0},
      {"infinity", -std::numeric_limits<double>::infinity()},
      {"true", true},
      {"false", false},
  };
  {
    FileUserDefaults writer(path, log);
    for (const auto& [key, value] : values) writer.setObject(value, key);
    writer.setObject(std::numeric_limits<double>::quiet_NaN(), "nan");
    EXPECT_EQ(writer.lastWriteError(), std::nullopt);
  }
  FileUserDefaults reader(path, log);
  EXPECT_EQ(reader.loadError(), std::nullopt);
  auto loaded = reader.values();
  ASSERT_TRUE(loaded.contains("nan"));
  EXPECT_TRUE(std::isnan(std::get<double>(loaded.at("nan"))));
  loaded.erase("nan");
  EXPECT_EQ(loaded, values);
  EXPECT_EQ(reader.dataForKey("data"), everyByte);
}

TEST_F(FileUserDefaultsTest, ABlobThatIsAJsonObjectIsWrittenAsThatObjectForPeopleToRead) {
  FileUserDefaults(path, log).setObject(
      bytes(R"({"trigger":"capsLock","language":"ru","launchAtLogin":true})"), kKey);
  EXPECT_EQ(
      readFile(path),
      R"({"PlivexConfig.v1":{"json":{"trigger":"capsLock","language":"ru","launchAtLogin":true}}})"
      "\n");
  EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey),
            bytes(R"({"trigger":"capsLock","language":"ru","launchAtLogin":true})"))
      << "read back byte for byte, in the written order";
}

TEST_F(FileUserDefaultsTest, OtherBlobsStayBase64AndEveryBlobReadsBackByteForByte) {
  const std::vector<std::pair<std::string, std::string>> blobs{
      {"object", R"({"b":1,"a":[2,{"c":null}]})"},
      {"not JSON", "not json"},
      {"an array", "[1,2]"},
      {"spaced, not as written", R"({"a": 1})"},
      {"text after the object", R"({"a":1}{)"},
      {"not UTF-8", "{\"a\":\"\xff\"}"},
      {"empty", ""},
  };
  for (const auto& [name, blob] : blobs) {
    SCOPED_TRACE(name);
    FileUserDefaults(path, log).setObject(bytes(blob), kKey);
    EXPECT_EQ(readFile(path).find("\"json\"") != std::string::npos, name == "object");
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes(blob));
  }
}

TEST_F(FileUserDefaultsTest, TheEarlierBase64FormAndHandEditsAreReadAndTheNextSaveIsReadable) {
  fs::create_directories(path.parent_path());
  // base64 of {"trigger":"capsLock"}
  writeFile(path, R"({"PlivexConfig.v1":{"data":"eyJ0cmlnZ2VyIjoiY2Fwc0xvY2sifQ=="}})");
  FileUserDefaults earlier(path, log);
  EXPECT_EQ(earlier.dataForKey(kKey), bytes(R"({"trigger":"capsLock"})"));
  earlier.setObject(bytes(R"({"trigger":"fn"})"), kKey);
  EXPECT_THAT(readFile(path), ::testing::HasSubstr(R"("json":{"trigger":"fn"})"));

  writeFile(path,
            "{ \"PlivexConfig.v1\" : { \"json\" : {\n\t\"trigger\" : \"rightCommand\",\n"
            "\t\"language\" : \"en\" } } }");
  EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey),
            bytes(R"({"trigger":"rightCommand","language":"en"})"));
}

TEST_F(FileUserDefaultsTest, MissingFileLoadsEmptyAndIsNotCreatedByLoading) {
  FileUserDefaults defaults(path, log);
  EXPECT_TRUE(defaults.values().empty());
  EXPECT_EQ(defaults.loadError(), std::nullopt);
  EXPECT_FALSE(fs::exists(path.parent_path()));

  defaults.setObject(bytes("{}"), kKey);  // creates the missing directory
  EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
  EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("{}"));
  EXPECT_THAT(filesIn(path.parent_path()), ::testing::ElementsAre(path));
}

TEST_F(FileUserDefaultsTest, BadFilesLoadEmptyAndStayUntilTheNextWrite) {
  const std::string validPrefix =
      encodeUserDefaults({{kKey, bytes("{\"trigger\":\"capsLock\"}")}, {"other", true}});
  const std::vector<std::pair<const char*, std::string>> cases{
      {"empty", ""},
      {"garbage", "\x89PNG\r\n\x1a\n not json at all"},
      {"truncated", validPrefix.substr(0, validPrefix.size() / 2)},
      {"not an object", "[1, 2, 3]"},
  };
  for (const auto& [name, content] : cases) {
    SCOPED_TRACE(name);
    fs::create_directories(path.parent_path());
    writeFile(path, content);
    {
      FileUserDefaults defaults(path, log);
      EXPECT_TRUE(defaults.values().empty());
      EXPECT_NE(defaults.loadError(), std::nullopt);
      EXPECT_EQ(readFile(path), content);  // not repaired, not deleted

      defaults.setObject(std::int64_t{7}, "answer");
      EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    }
    FileUserDefaults reloaded(path, log);
    EXPECT_EQ(reloaded.values(), (UserDefaultsValues{{"answer", std::int64_t{7}}}));
    fs::remove(path);
  }
}

// The file is reported as not valid all the same: the next save would drop the skipped entries
// (FileUserDefaultsFaultTests has what happens to it then).
TEST_F(FileUserDefaultsTest, MalformedEntriesAreSkippedAndTheRestKept) {
  fs::create_directories(path.parent_path());
  writeFile(path, R"({
    "kept": {"string": "yes"},
    "unknown type": {"date": "2026-01-01"},
    "two members": {"string": "a", "bool": true},
    "bad base64": {"data": "Zm9v!"},
    "too big": {"integer": 18446744073709551615},
    "wrong kind": {"integer": "1"},
    "real from integer": {"real": 3}
  })");
  FileUserDefaults defaults(path, log);
  EXPECT_THAT(defaults.loadError(),
              ::testing::Optional(::testing::EndsWith("\"bad base64\" and 4 more")));
  EXPECT_EQ(defaults.values(),
            (UserDefaultsValues{{"kept", std::string("yes")}, {"real from integer", 3.0}}));
}

TEST_F(FileUserDefaultsTest, AFileThatCannotBeReadLoadsEmptyAndIsKept) {
  fs::create_directories(path);  // a directory where the file should be: unreadable even for root
  FileUserDefaults defaults(path, log);
  EXPECT_TRUE(defaults.values().empty());
  EXPECT_NE(defaults.loadError(), std::nullopt);

  // Nor can it be replaced: the write fails cleanly, the value stays in memory.
  defaults.setObject(true, "flag");
  EXPECT_NE(defaults.lastWriteError(), std::nullopt);
  EXPECT_EQ(defaults.objectForKey("flag"), PropertyValue(true));
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_THAT(filesIn(path.parent_path()), ::testing::ElementsAre(path));  // no temporary left
}

// Permissions bind only users without privileges: as root, these run as uid 65534 in a child.
TEST_F(FileUserDefaultsTest, AFileWithoutReadPermissionLoadsEmptyAndIsNeverReplaced) {
  PLIVEX_EXPECT_CHILD(testing_support::runUnprivileged(directory, [&] {
    fs::create_directories(path.parent_path());
    const std::string content = encodeUserDefaults({{kKey, bytes("{}")}});
    writeFile(path, content);
    fs::permissions(path, fs::perms::none);
    {
      FileUserDefaults defaults(path, log);
      EXPECT_TRUE(defaults.values().empty());
      EXPECT_NE(defaults.loadError(), std::nullopt);
      ASSERT_EQ(logged(defaultsline::kCannotRead).size(), 1u);
      EXPECT_THAT(logged(defaultsline::kCannotRead)[0],
                  ::testing::HasSubstr(path.string() + ": Permission denied"));

      // The settings it holds are the user's: a save must not replace them.
      defaults.setObject(bytes("{\"trigger\":\"capsLock\"}"), kKey);
      EXPECT_NE(defaults.lastWriteError(), std::nullopt);
      EXPECT_EQ(defaults.dataForKey(kKey), bytes("{\"trigger\":\"capsLock\"}"));
    }
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile(path), content);
    EXPECT_THAT(filesIn(path.parent_path()), ::testing::ElementsAre(path));
  }));
}

TEST_F(FileUserDefaultsTest, AWriteIntoAReadOnlyDirectoryFailsAndKeepsThePreviousFile) {
  PLIVEX_EXPECT_CHILD(testing_support::runUnprivileged(directory, [&] {
    FileUserDefaults defaults(path, log);
    defaults.setObject(bytes("old"), kKey);
    const std::string previous = readFile(path);
    fs::permissions(path.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);

    defaults.setObject(bytes("new"), kKey);
    EXPECT_NE(defaults.lastWriteError(), std::nullopt);
    EXPECT_EQ(defaults.dataForKey(kKey), bytes("new"));
    EXPECT_EQ(readFile(path), previous);
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("old"));
    EXPECT_THAT(logged(defaultsline::kCannotSave),
                ::testing::ElementsAre(::testing::HasSubstr("Permission denied")));

    fs::permissions(path.parent_path(), fs::perms::owner_all);
    defaults.setObject(bytes("newer"), kKey);
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("newer"));
  }));
}

TEST_F(FileUserDefaultsTest, AWriteWhoseDirectoryCannotExistFailsWithoutThrowing) {
  writeFile(directory / "plivex", "a file where the directory should be");
  FileUserDefaults defaults(path, log);
  EXPECT_NO_THROW(defaults.setObject(bytes("{}"), kKey));
  EXPECT_NE(defaults.lastWriteError(), std::nullopt);
  EXPECT_EQ(defaults.dataForKey(kKey), bytes("{}"));
  EXPECT_EQ(readFile(directory / "plivex"), "a file where the directory should be");
}

TEST_F(FileUserDefaultsTest, ACrashMidWriteLeavesThePreviousFileIntactAndLoadable) {
  FileUserDefaults defaults(path, log);
  defaults.setObject(bytes("{\"trigger\":\"fn\"}"), kKey);
  const std::string previous = readFile(path);

  defaults.simulateCrashDuringNextWrite();
  defaults.setObject(bytes("{\"trigger\":\"rightCommand\",\"language\":\"ru\"}"), kKey);
  EXPECT_NE(defaults.lastWriteError(), std::nullopt);
  EXPECT_EQ(readFile(path), previous);
  // The target and one torn temporary beside it.
  const auto afterTheCrash = filesIn(path.parent_path());
  ASSERT_EQ(afterTheCrash.size(), 2u);
  const fs::path torn = afterTheCrash[0] == path ? afterTheCrash[1] : afterTheCrash[0];
  EXPECT_THAT(torn.filename().string(),
              ::testing::MatchesRegex("\\.defaults\\.json\\.[A-Za-z0-9]{6}"));

  // The next process loads the previous state; the torn temporary does not disturb it.
  FileUserDefaults afterCrash(path, log);
  EXPECT_EQ(afterCrash.loadError(), std::nullopt);
  EXPECT_EQ(afterCrash.dataForKey(kKey), bytes("{\"trigger\":\"fn\"}"));

  // Its first successful write also clears away what the crash left.
  afterCrash.setObject(bytes("{\"trigger\":\"capsLock\"}"), kKey);
  EXPECT_EQ(afterCrash.lastWriteError(), std::nullopt);
  EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("{\"trigger\":\"capsLock\"}"));
  EXPECT_THAT(filesIn(path.parent_path()), ::testing::ElementsAre(path));
}

// Only temporaries of this file that no writer can still finish are cleared: older than the
// write that clears them and not locked by a writer at work.
TEST_F(FileUserDefaultsTest, ASuccessfulWriteRemovesOnlyStaleTemporariesOfItsFile) {
  const fs::path folder = path.parent_path();
  fs::create_directories(folder);
  const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const auto inAnHour = fs::file_time_type::clock::now() + std::chrono::hours(1);
  auto temporary = [&](const std::string& name, fs::file_time_type written) {
    writeFile(folder / name, "{\"torn");
    fs::last_write_time(folder / name, written);
    return folder / name;
  };
  const fs::path stale = temporary(".defaults.json.Ab12Z9", anHourAgo);
  const fs::path alsoStale = temporary(".defaults.json.000000", anHourAgo);
  const fs::path locked = temporary(".defaults.json.LiVe01", anHourAgo);
  const fs::path newer = temporary(".defaults.json.NeWer1", inAnHour);
  const std::vector<fs::path> otherNames{
      temporary(".defaults.json.bak", anHourAgo),    temporary(".defaults.json.ABCDEFG", anHourAgo),
      temporary(".defaults.json.AB-123", anHourAgo), temporary("defaults.json.ABC123", anHourAgo),
      temporary(".other.json.ABC123", anHourAgo),    temporary(".defaults.jsonXABC123", anHourAgo),
  };
  const fs::path directoryLikeATemporary = folder / ".defaults.json.DiR123";
  fs::create_directory(directoryLikeATemporary);
  fs::last_write_time(directoryLikeATemporary, anHourAgo);

  // A writer in another process still at work on its temporary holds it locked.
  const int writer = ::open(locked.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);

  FileUserDefaults defaults(path, log);
  defaults.setObject(true, "flag");
  EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
  ::close(writer);

  std::vector<fs::path> expected = otherNames;
  expected.insert(expected.end(), {path, locked, newer, directoryLikeATemporary});
  EXPECT_THAT(filesIn(folder), ::testing::UnorderedElementsAreArray(expected));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(alsoStale));

  // Once its writer is gone, the next write clears the formerly locked one too.
  defaults.setObject(false, "flag");
  EXPECT_FALSE(fs::exists(locked));
  EXPECT_TRUE(fs::exists(newer));
}

TEST_F(FileUserDefaultsTest, ConcurrentWritersLeaveTheLatestStateOnDisk) {
  FileUserDefaults defaults(path, log);
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&defaults, t] {
      for (int i = 0; i < 5; ++i) {
        defaults.setObject(std::int64_t{i}, "writer" + std::to_string(t));
        defaults.dataForKey(kKey);
      }
    });
  }
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(FileUserDefaults(path, log).values(), defaults.values());
  EXPECT_EQ(defaults.values().size(), 4u);
}

TEST(FileUserDefaultsPathTest, FollowsTheXdgRules) {
  struct Case {
    const char* xdg;
    const char* home;
    std::optional<fs::path> expected;
  };
  const std::vector<Case> cases{
      {"/xdg", "/home/u", fs::path("/xdg/plivex/defaults.json")},
      {nullptr, "/home/u", fs::path("/home/u/.config/plivex/defaults.json")},
      {"", "/home/u", fs::path("/home/u/.config/plivex/defaults.json")},
      {"relative/dir", "/home/u", fs::path("/home/u/.config/plivex/defaults.json")},
      {nullptr, nullptr, std::nullopt},
      {"", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " / " + (c.home ? c.home : "(unset)"));
    EXPECT_EQ(FileUserDefaults::defaultPathFor(c.xdg, c.home), c.expected);
  }
}

// --- The format ----------------------------------------------------------------------------

TEST(UserDefaultsJsonTest, Base64FollowsTheStandard) {
  const std::vector<std::pair<std::string, std::string>> vectors{
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(encodeBase64(bytes(plain)), encoded);
    EXPECT_EQ(decodeBase64(encoded), bytes(plain));
  }
  for (const char* bad : {"Zg=", "Zg", "Z===", "Zh==", "Zm9v=Zm9", "Zm9v\n", "Zm-v"}) {
    EXPECT_EQ(decodeBase64(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace kestravane::platform::host
