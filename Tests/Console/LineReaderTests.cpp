// Command lines from the bytes the console reads: from a pipe, where a last line may lack its
// newline and a line may be absurdly long, and from a terminal, where the console edits the line.
#include "Console/LineReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestravane::console {
namespace {

using Event = LineReader::Event;
using Kind = LineReader::Event::Kind;

std::vector<Event> drain(LineReader& reader) {
  std::vector<Event> events;
  while (auto event = reader.next()) events.push_back(*event);
  return events;
}

Event line(std::string text) {
  return {Kind::line, std::move(text)};
}
const Event tooLong{Kind::tooLong, {}};
const Event end{Kind::endOfInput, {}};

TEST(LineReaderTest, LinesArriveWhateverTheChunksAndTheLastNeedsNoNewline) {
  LineReader reader;
  EXPECT_EQ(reader.feed("grant a"), "") << "nothing is echoed from a pipe";
  EXPECT_THAT(drain(reader), ::testing::IsEmpty());
  reader.feed("ll\n\nglobe free\ntrigger cap");
  reader.feed("sLock");
  reader.finish();
  EXPECT_THAT(drain(reader), ::testing::ElementsAre(line("grant all"), line(""), line("globe free"),
                                                    line("trigger capsLock"), end));
  reader.feed("after the end\n");
  EXPECT_THAT(drain(reader), ::testing::IsEmpty());
}

TEST(LineReaderTest, ALineOverTheLimitIsRefusedAndSkippedToItsNewline) {
  LineReader reader;
  const std::string longest(LineReader::kMaximumLineLength, 'x');
  reader.feed(longest + "\n");
  reader.feed(longest + "y");
  EXPECT_LE(reader.partialLine().size(), LineReader::kMaximumLineLength);
  reader.feed("more of the same line\nstatus\n");
  EXPECT_THAT(drain(reader), ::testing::ElementsAre(line(longest), tooLong, line("status")));

  // 20 MB without a newline: nothing beyond the limit is kept, and the end still reports it.
  const std::string megabyte(1 << 20, 'z');
  for (int i = 0; i < 20; ++i) {
    reader.feed(megabyte);
    ASSERT_LE(reader.partialLine().size(), LineReader::kMaximumLineLength);
  }
  reader.finish();
  EXPECT_THAT(drain(reader), ::testing::ElementsAre(tooLong, end));
}

TEST(LineReaderTest, ATerminalLineIsEchoedAndEdited) {
  LineReader reader(LineReader::Mode::terminal);
  EXPECT_EQ(reader.feed("tap fx"), "tap fx");
  EXPECT_EQ(reader.feed("\x7f"), "\b \b");
  EXPECT_EQ(reader.feed("n\x1b[A\x1bOD"), "n") << "arrow keys do nothing";
  EXPECT_EQ(reader.partialLine(), "tap fn");
  EXPECT_EQ(reader.feed("\r"), "\n");

  reader.feed("language ё");
  EXPECT_EQ(reader.feed("\x08"), "\b \b") << "one character, two bytes";
  EXPECT_EQ(reader.partialLine(), "language ");
  std::string eraseNine;
  for (int i = 0; i < 9; ++i) eraseNine += "\b \b";
  EXPECT_EQ(reader.feed("\x15"), eraseNine) << "Ctrl-U clears the line";
  EXPECT_EQ(reader.partialLine(), "");
  reader.feed("status\x04\n");  // Ctrl-D inside a line does nothing
  reader.feed("\x04");          // on an empty line it ends the input
  EXPECT_THAT(drain(reader), ::testing::ElementsAre(line("tap fn"), line("status"), end));
}

}  // namespace
}  // namespace kestravane::console
