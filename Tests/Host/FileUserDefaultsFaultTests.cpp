// What the defaults file does with the files and faults a careless user or a broken disk leaves:
// every failed save is said once in the log, what could not be read is never replaced, what was
// read but is not valid is kept as a copy before it is replaced, nothing at the path hangs the
// start, and a symbolic link stays a link to the file it names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "Host/DefaultsFileTest.h"
#include "Platform/Host/DefaultsLogLines.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/UserDefaultsJson.h"
#include "Support/ChildProcess.h"

namespace kestravane::platform::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::UnorderedElementsAre;

class FileUserDefaultsFaultTest : public TemporaryDirectoryTest {
 protected:
  std::vector<std::string> saveFailures() const { return logged(defaultsline::kCannotSave); }
  std::vector<std::string> savedAgain() const { return logged(defaultsline::kSavedAgain); }
  fs::path badCopy() const { return fs::path(path.string() + ".bad"); }
  // Two changes, as a user changing the trigger twice.
  void changeTwice(FileUserDefaults& defaults) {
    defaults.setObject(bytes("{\"trigger\":\"capsLock\"}"), kKey);
    defaults.setObject(bytes("{\"trigger\":\"rightCommand\"}"), kKey);
  }
};

// Obstacles in the way of the file, each repaired afterwards as a user would.
TEST_F(FileUserDefaultsFaultTest, AFailedSaveIsLoggedOnceNamingTheFileAndTheReason) {
  struct Obstacle {
    const char* name;
    std::function<void()> place;
    std::function<void()> remove;
    const char* reason;
  };
  const fs::path folder = path.parent_path();
  const std::vector<Obstacle> obstacles{
      {"folder is a regular file", [&] { writeFile(folder, "not a folder"); },
       [&] { fs::remove(folder); }, "cannot create"},
      {"folder is a dangling link", [&] { fs::create_symlink(directory / "gone", folder); },
       [&] { fs::remove(folder); }, "cannot create"},
      {"file's place taken by a folder made while running",
       [&] { fs::create_directories(path / "inside"); }, [&] { fs::remove_all(path); },
       "Is a directory"},
  };
  for (const auto& obstacle : obstacles) {
    SCOPED_TRACE(obstacle.name);
    log->clear();
    FileUserDefaults defaults(path, log);
    obstacle.place();
    changeTwice(defaults);
    EXPECT_EQ(defaults.dataForKey(kKey), bytes("{\"trigger\":\"rightCommand\"}"));
    ASSERT_THAT(saveFailures(), SizeIs(1)) << "one line, not one per save";
    EXPECT_THAT(saveFailures()[0], HasSubstr(path.string() + ": "));
    EXPECT_THAT(saveFailures()[0], HasSubstr(obstacle.reason));
    EXPECT_THAT(saveFailures()[0], ::testing::EndsWith(defaultsline::kCannotSaveSuffix));

    // Once a save gets through, that is said; a later failure is said again.
    obstacle.remove();
    defaults.setObject(bytes("{}"), kKey);
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    EXPECT_THAT(savedAgain(), ElementsAre(std::string(defaultsline::kSavedAgain) + path.string()));
    fs::remove_all(folder);
    obstacle.place();
    changeTwice(defaults);
    EXPECT_THAT(saveFailures(), SizeIs(2));
    obstacle.remove();
    fs::remove_all(folder);
  }
}

TEST_F(FileUserDefaultsFaultTest, AFullDiskFailsTheSaveOnceAndKeepsThePreviousFile) {
  FileUserDefaults(path, log).setObject(bytes("{}"), kKey);
  const std::string previous = readFile(path);
  // A limit of 256 bytes holds the small file but not one with a 1 KiB value.
  PLIVEX_EXPECT_CHILD(testing_support::runWithFileSizeLimit(256, [&] {
    FileUserDefaults defaults(path, log);
    const Data large(1024, 'x');
    defaults.setObject(large, kKey);
    defaults.setObject(large, "another");
    EXPECT_EQ(defaults.dataForKey(kKey), large);
    ASSERT_THAT(saveFailures(), SizeIs(1));
    EXPECT_THAT(saveFailures()[0], HasSubstr("File too large"));
    EXPECT_EQ(readFile(path), previous);
    EXPECT_THAT(filesIn(path.parent_path()), ElementsAre(path)) << "no temporary left";

    defaults.removeObject("another");
    defaults.setObject(bytes("{}"), kKey);  // small again: fits
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    EXPECT_THAT(savedAgain(), SizeIs(1));
  }));
}

// Files that exist but cannot be read hold the user's settings as far as anyone knows.
TEST_F(FileUserDefaultsFaultTest, WhatCouldNotBeReadIsKeptUntilTheUserRemovesIt) {
  struct Unreadable {
    const char* name;
    std::function<void()> place;
    const char* reason;
  };
  const std::vector<Unreadable> cases{
      {"a folder", [&] { fs::create_directories(path / "inside"); },
       defaultsline::kNotARegularFile.data()},
      {"a named pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
       defaultsline::kNotARegularFile.data()},
      {"a link loop", [&] { fs::create_symlink(path.filename(), path); },
       "Too many levels of symbolic links"},
  };
  for (const auto& unreadable : cases) {
    SCOPED_TRACE(unreadable.name);
    log->clear();
    fs::create_directories(path.parent_path());
    unreadable.place();
    FileUserDefaults defaults(path, log);
    EXPECT_TRUE(defaults.values().empty());
    ASSERT_THAT(logged(defaultsline::kCannotRead), SizeIs(1));
    EXPECT_THAT(logged(defaultsline::kCannotRead)[0],
                HasSubstr(path.string() + ": " + unreadable.reason));

    changeTwice(defaults);
    EXPECT_EQ(defaults.dataForKey(kKey), bytes("{\"trigger\":\"rightCommand\"}"));
    EXPECT_THAT(saveFailures(), ElementsAre(HasSubstr(defaultsline::kKeptUnreadable)));
    EXPECT_THAT(filesIn(path.parent_path()), ElementsAre(path)) << "kept, nothing beside it";

    fs::remove_all(path);  // the user moves it away: now the settings are saved
    defaults.setObject(bytes("{}"), kKey);
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("{}"));
    fs::remove(path);
  }
}

// A named pipe would block a reading open() until a writer came, which is never.
TEST_F(FileUserDefaultsFaultTest, ANamedPipeDoesNotHangTheStart) {
  fs::create_directories(path.parent_path());
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  PLIVEX_EXPECT_CHILD(testing_support::runInChild([] { return std::nullopt; },
                                                  [&] {
                                                    FileUserDefaults defaults(path, log);
                                                    EXPECT_NE(defaults.loadError(), std::nullopt);
                                                  },
                                                  /*limitSeconds=*/10));
  EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(FileUserDefaultsFaultTest, AnInvalidFileIsKeptAsACopyBeforeTheNextSaveReplacesIt) {
  const std::string tooLarge = encodeUserDefaults(
      {{"padding", std::string(FileUserDefaults::kMaximumFileSize, 'x')}, {"flag", true}});
  const std::vector<std::pair<const char*, std::string>> cases{
      {"garbage", "\x89PNG\r\n\x1a\n not json at all"},
      {"truncated", "{\"PlivexConfig.v1\": {\"data\": \"e30"},
      {"too large, though valid", tooLarge},
      {"nested too deeply, though valid", "{\"x\":" + std::string(kMaximumDefaultsNesting, '[') +
                                              std::string(kMaximumDefaultsNesting, ']') + "}"},
  };
  for (const auto& [name, content] : cases) {
    SCOPED_TRACE(name);
    log->clear();
    fs::create_directories(path.parent_path());
    writeFile(path, content);
    writeFile(badCopy(), "an older copy");
    FileUserDefaults defaults(path, log);
    EXPECT_TRUE(defaults.values().empty());
    ASSERT_THAT(logged(defaultsline::kNotValid), SizeIs(1));
    EXPECT_THAT(logged(defaultsline::kNotValid)[0], HasSubstr(path.string()));
    EXPECT_THAT(logged(defaultsline::kNotValid)[0], ::testing::EndsWith(badCopy().string()));
    EXPECT_EQ(readFile(path), content) << "loading changes nothing";

    changeTwice(defaults);
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
    EXPECT_EQ(readFile(badCopy()), content) << "the one copy is the file replaced";
    EXPECT_THAT(logged(defaultsline::kKeptCopy),
                ElementsAre(std::string(defaultsline::kKeptCopy) + badCopy().string()));
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey),
              bytes("{\"trigger\":\"rightCommand\"}"));
    EXPECT_THAT(filesIn(path.parent_path()), UnorderedElementsAre(path, badCopy()));
    fs::remove_all(path.parent_path());
  }
}

TEST_F(FileUserDefaultsFaultTest, ASymbolicLinkIsWrittenThroughToTheFileItNames) {
  const fs::path dotfiles = directory / "dotfiles";
  const fs::path real = dotfiles / "plivex.json";
  const fs::path hop = dotfiles / "current.json";
  fs::create_directories(dotfiles);
  fs::create_directories(path.parent_path());
  FileUserDefaults(real, log).setObject(bytes("{}"), kKey);
  fs::create_symlink("plivex.json", hop);  // relative, in its folder
  fs::create_symlink(fs::path("..") / "dotfiles" / "current.json", path);  // a chain of two

  FileUserDefaults defaults(path, log);
  EXPECT_EQ(defaults.dataForKey(kKey), bytes("{}"));
  changeTwice(defaults);
  EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_TRUE(fs::is_symlink(hop));
  EXPECT_EQ(FileUserDefaults(real, log).dataForKey(kKey), bytes("{\"trigger\":\"rightCommand\"}"));
  EXPECT_THAT(filesIn(dotfiles), UnorderedElementsAre(real, hop)) << "no temporary left";
  EXPECT_THAT(filesIn(path.parent_path()), ElementsAre(path));

  // A link to a file not made yet: the first save makes it, in the link's target folder.
  fs::remove(real);
  FileUserDefaults fresh(path, log);
  fresh.setObject(bytes("{}"), kKey);
  EXPECT_EQ(fresh.lastWriteError(), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(FileUserDefaults(real, log).dataForKey(kKey), bytes("{}"));
  EXPECT_THAT(saveFailures(), IsEmpty());
}

// A valid file of many members, as other tools may leave: written back compactly it stays as
// small as it was, and a save that would make it larger than a load accepts is refused.
TEST_F(FileUserDefaultsFaultTest, WhatIsSavedIsNeverLargerThanWhatALoadAccepts) {
  std::string content = "{";
  for (int member = 0; member < 24'000; ++member) {
    content += "\"setting-" + std::to_string(100'000 + member) +
               "\":{\"integer\":" + std::to_string(member) + "},";
  }
  content += "\"" + kKey + "\":{\"data\":\"e30=\"}}";
  ASSERT_GT(content.size(), 800'000u);
  fs::create_directories(path.parent_path());
  writeFile(path, content);
  {
    FileUserDefaults defaults(path, log);
    defaults.setObject(bytes("{\"trigger\":\"capsLock\"}"), kKey);
    EXPECT_EQ(defaults.lastWriteError(), std::nullopt);
  }
  EXPECT_LT(fs::file_size(path), content.size() + 100) << "as large as it was, but the record";
  FileUserDefaults reread(path, log);
  EXPECT_EQ(reread.loadError(), std::nullopt);
  EXPECT_EQ(reread.values().size(), 24'001u);
  EXPECT_EQ(reread.dataForKey(kKey), bytes("{\"trigger\":\"capsLock\"}"));

  // One more value, large enough to pass the limit: refused, said, the file kept as it is.
  const std::string before = readFile(path);
  reread.setObject(std::string(FileUserDefaults::kMaximumFileSize - before.size() + 1, 'x'),
                   "notes");
  ASSERT_THAT(saveFailures(), SizeIs(1));
  EXPECT_THAT(saveFailures()[0], HasSubstr(defaultsline::kWouldBeTooLarge));
  EXPECT_THAT(reread.lastWriteError(), ::testing::Optional(HasSubstr("larger than 1 MiB")));
  EXPECT_EQ(readFile(path), before);
  EXPECT_TRUE(reread.objectForKey("notes").has_value()) << "held until Plivex quits";
  reread.removeObject("notes");
  EXPECT_EQ(reread.lastWriteError(), std::nullopt);
}

// A file replaced by a save keeps the permissions its owner gave it, also through a link.
TEST_F(FileUserDefaultsFaultTest, AReplacedFileKeepsItsPermissions) {
  const fs::path real = directory / "dotfiles" / "plivex.json";
  const auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  for (const bool throughALink : {false, true}) {
    SCOPED_TRACE(throughALink ? "through a link" : "the file itself");
    fs::remove_all(path.parent_path());
    fs::remove_all(real.parent_path());
    fs::create_directories(path.parent_path());
    fs::create_directories(real.parent_path());
    const fs::path file = throughALink ? real : path;
    writeFile(file, "{}");
    fs::permissions(file, shared, fs::perm_options::replace);
    if (throughALink) fs::create_symlink(real, path);

    FileUserDefaults(path, log).setObject(bytes("{}"), kKey);
    EXPECT_EQ(fs::status(file).permissions(), shared);
    EXPECT_EQ(fs::is_symlink(path), throughALink);
    EXPECT_EQ(FileUserDefaults(path, log).dataForKey(kKey), bytes("{}"));
  }
  // A new file is the user's alone.
  fs::remove(real);
  fs::remove(path);
  FileUserDefaults(path, log).setObject(bytes("{}"), kKey);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A valid file with members of no known shape: what can be read loads; since the next save would
// drop the rest, the file is kept as a copy first, as an invalid one is.
TEST_F(FileUserDefaultsFaultTest, AMemberOfNoKnownShapeIsSaidAndTheFileKeptAsACopy) {
  const std::vector<std::pair<const char*, std::string>> members{
      {"a bare string", R"("capsLock")"},
      {"data that is not base64", R"({"data":"%%%"})"},
      {"an unknown type", R"({"date":"2024-01-01"})"},
      {"two types", R"({"string":"a","integer":1})"},
  };
  for (const auto& [name, member] : members) {
    SCOPED_TRACE(name);
    log->clear();
    fs::create_directories(path.parent_path());
    const std::string content = "{\"" + kKey + "\":" + member + ",\"other\":{\"bool\":true}}";
    writeFile(path, content);
    FileUserDefaults defaults(path, log);
    EXPECT_EQ(defaults.objectForKey("other"), PropertyValue(true)) << "the rest loads";
    EXPECT_EQ(defaults.objectForKey(kKey), std::nullopt);
    ASSERT_THAT(logged(defaultsline::kNotValid), SizeIs(1));
    EXPECT_THAT(logged(defaultsline::kNotValid)[0],
                HasSubstr(std::string(defaultsline::kUnknownMember) + kKey + "\""));
    EXPECT_THAT(defaults.loadError(), ::testing::Optional(HasSubstr(kKey)));

    changeTwice(defaults);
    EXPECT_EQ(readFile(badCopy()), content);
    EXPECT_THAT(logged(defaultsline::kKeptCopy), SizeIs(1));
    EXPECT_EQ(FileUserDefaults(path, log).objectForKey("other"), PropertyValue(true));
    fs::remove_all(path.parent_path());
  }
}

TEST(UserDefaultsJsonNestingTest, NestingIsBoundedAsTheConfigurationIs) {
  const auto nested = [](std::size_t arrays) {
    return "{\"kept\":{\"bool\":true},\"x\":" + std::string(arrays, '[') +
           std::string(arrays, ']') + "}";
  };
  // The object itself is one level.
  const auto deepest = decodeUserDefaults(nested(kMaximumDefaultsNesting - 1));
  ASSERT_TRUE(deepest.has_value());
  EXPECT_EQ(deepest->at("kept"), PropertyValue(true));

  std::string whyNot;
  EXPECT_EQ(decodeUserDefaults(nested(kMaximumDefaultsNesting), &whyNot), std::nullopt);
  EXPECT_EQ(whyNot, "nested more than 512 levels deep");
  // Megabytes of "[" are refused at the limit, without building anything.
  EXPECT_EQ(decodeUserDefaults(std::string(4 * 1024 * 1024, '['), &whyNot), std::nullopt);
  EXPECT_EQ(whyNot, "nested more than 512 levels deep");
}

}  // namespace
}  // namespace kestravane::platform::host
