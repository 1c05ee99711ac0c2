#include "Platform/Host/HostLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <regex>
#include <set>
#include <thread>

namespace kestravane::platform::host {
namespace {

using ::testing::ElementsAre;

HostLog quietLog() {
  return HostLog(HostLog::Sinks{false, false});
}

const std::regex kLineFormat(
    R"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})\.(\d{3}) ([^\[ ]+)\[(\d+):(\d+)\] (.*))");

TEST(VirtualLogTest, EachMessageIsOneLineInTheSystemFormat) {
  auto log = quietLog();
  log.log("Plivex[app] startEngine failed: noInputMonitoring");
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, kLineFormat)) << lines[0];
  EXPECT_EQ(match[8].str(), program_invocation_short_name);
  EXPECT_EQ(match[9].str(), std::to_string(::getpid()));
  EXPECT_EQ(match[11].str(), "Plivex[app] startEngine failed: noInputMonitoring");
  const int month = std::stoi(match[2].str());
  const int hour = std::stoi(match[4].str());
  EXPECT_TRUE(month >= 1 && month <= 12 && hour <= 23) << lines[0];
}

TEST(VirtualLogTest, ControlCharactersAreEscapedButMessagesKeptVerbatim) {
  auto log = quietLog();
  const std::string message = "first\nsecond\r\x1b[31mred\ttab ✓";
  log.log(message);
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_THAT(log.lines()[0], ::testing::EndsWith("] first\\nsecond\\r\\x1B[31mred\ttab ✓"));
  EXPECT_EQ(log.lines()[0].find('\n'), std::string::npos);
  EXPECT_THAT(log.messages(), ElementsAre(message));
}

TEST(VirtualLogTest, CaptureCanBeClearedAndIsBounded) {
  auto log = quietLog();
  log.log("a");
  log.clear();
  EXPECT_TRUE(log.lines().empty());

  log.setCaptureLimit(2);
  for (const char* message : {"one", "two", "three"}) log.log(message);
  EXPECT_THAT(log.messages(), ElementsAre("two", "three"));
}

TEST(VirtualLogTest, StandardErrorGetsExactlyTheCapturedLine) {
  auto log = quietLog();
  log.setStandardErrorEnabled(true);
  ::testing::internal::CaptureStderr();
  log.log("Plivex[login] SMAppService register failed: Operation not permitted\nsecond line");
  const std::string written = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(written, log.lines()[0] + "\n");

  log.setStandardErrorEnabled(false);
  ::testing::internal::CaptureStderr();
  log.log("quiet");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(VirtualLogTest, LinesFromManyThreadsStayWholeAndCarryTheirThread) {
  auto log = quietLog();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < 50; ++i) log.log("thread " + std::to_string(t));
    });
  }
  for (auto& thread : threads) thread.join();
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 200u);
  std::map<std::string, std::set<std::string>> threadIDsByMessage;
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, kLineFormat)) << line;
    threadIDsByMessage[match[11].str()].insert(match[10].str());
  }
  ASSERT_EQ(threadIDsByMessage.size(), 4u);
  std::set<std::string> distinct;
  for (const auto& [message, ids] : threadIDsByMessage) {
    EXPECT_EQ(ids.size(), 1u) << message;
    distinct.insert(ids.begin(), ids.end());
  }
  EXPECT_EQ(distinct.size(), 4u);
}

// A reader that shows new lines as they come (the console) learns of each one and reads only
// what it has not read, including lines logged on other threads.
TEST(VirtualLogTest, AnObserverIsToldOfEachLineAndReadsOnlyTheNewOnes) {
  auto log = quietLog();
  log.log("before");
  std::uint64_t cursor = 0;
  EXPECT_THAT(log.messagesSince(cursor), ElementsAre("before"));
  EXPECT_THAT(log.messagesSince(cursor), ::testing::IsEmpty());

  std::atomic<int> told{0};
  log.setObserver([&] { ++told; });
  std::thread([&] { log.log("from a thread"); }).join();
  log.log("from here");
  EXPECT_EQ(told, 2);
  EXPECT_THAT(log.messagesSince(cursor), ElementsAre("from a thread", "from here"));

  // Lines the capture limit dropped before they were read are skipped, not invented.
  log.setCaptureLimit(1);
  log.log("dropped");
  log.log("kept");
  EXPECT_THAT(log.messagesSince(cursor), ElementsAre("kept"));
  log.setObserver(nullptr);
  log.log("unobserved");
  EXPECT_EQ(told, 4);
  EXPECT_EQ(log.loggedCount(), 6u);
}

}  // namespace
}  // namespace kestravane::platform::host
