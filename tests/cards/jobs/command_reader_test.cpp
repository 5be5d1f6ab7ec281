// The command-stream reader: typed commands from good streams, and the offset
// and reason for malformed ones.
#include "cards/jobs/command_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using ymcko::testing::hex;
namespace js = ymcko::jobstream;

std::vector<std::uint8_t> one_card_job() {
  auto job = hex(R"(1B 52 30 30 0D 1B 50 4C 0D 1B 44 "0300060000193" 0D 1B 64 "0000070000000" 0D
                    1B 4D 57 31 "ABC" 0E 32 0E 33 "123" 0E 0D
                    1B 01 0D 1B 63 4B 0D
                    1B 65 4B "0000100" 31 31 00 00 04 00 02 53 FF 00 00 FF 0D 1B 61 4B "0025" 0D
                    1B 65 4F "000200010007001101" 0D 1B 61 4F "0025" 0D
                    1B 66 0D 1B 04 0D)");
  return job;
}

TEST(CommandReader, ReadsEveryKindOfCommand) {
  auto job = one_card_job();
  js::ReadResult read = js::read_commands(job);
  ASSERT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
  std::vector<std::string> lines;
  for (const auto& c : read.commands) lines.push_back(js::describe(c));
  std::vector<std::string> expected = {
      "0: document header, number 00",
      "5: P command, form L",
      "9: D parameters 0300060000193 (300, 6, 0, 193)",
      "25: d parameters 0000070000000 (0, 7, 0, 0)",
      "41: magnetic stripe, mode W, track 1 \"ABC\", track 2 \"\", track 3 \"123\"",
      "57: card start",
      "60: clear black panel",
      "64: black panel, column 0, lines 100 to 101 (2 lines of 2 bytes, 4 data bytes), copies 0025",
      "95: overlay area 0, lines 20 to 70, columns 10 to 110, flag 1",
      "117: overlay end, copies 0025",
      "125: card turn",
      "128: card end",
  };
  EXPECT_EQ(lines, expected);
  const auto& panel = std::get<js::Panel>(read.commands[7].body);
  EXPECT_EQ(panel.data.size(), 4u);
  EXPECT_EQ(panel.data[0], 0xFF);
  EXPECT_EQ(read.commands[7].length, 31u);
}

TEST(CommandReader, EveryTruncationIsReportedAtTheEnd) {
  auto job = one_card_job();
  auto whole = js::read_commands(job);
  for (std::size_t cut = 1; cut < job.size(); ++cut) {
    std::vector<std::uint8_t> part(job.begin(), job.begin() + cut);
    js::ReadResult read = js::read_commands(part);
    bool at_boundary = false;
    for (const auto& c : whole.commands) at_boundary |= c.offset == cut;
    if (at_boundary) {
      EXPECT_FALSE(read.error.has_value()) << "cut " << cut;
    } else {
      ASSERT_TRUE(read.error.has_value()) << "cut " << cut;
      EXPECT_LE(read.error->offset, cut);
    }
  }
}

TEST(CommandReader, MalformedStreams) {
  struct Case {
    const char* name;
    const char* stream;
    std::size_t offset;
    const char* expected;
  };
  const Case cases[] = {
      {"text outside a command", R"("hello")", 0, "ESC starting a command"},
      {"unknown command", R"(1B 5A 0D)", 1, "a known command letter"},
      {"card start without CR", R"(1B 01 0A)", 2, "CR after card start"},
      {"bad panel letter", R"(1B 63 51 0D)", 2, "panel letter Y, M, C, K or O"},
      {"short column", R"(1B 65 59 "12" 41)", 5, "3-digit panel column"},
      {"length not whole lines",
       R"(1B 65 59 "0000000" 31 31 00 00 03 00 02 53 00 00 00 0D 1B 61 59 "0001" 0D)", 12,
       "data length a whole number of lines"},
      {"data shorter than announced", R"(1B 65 59 "0000000" 31 31 00 00 04 00 02 53 00 00)", 18,
       "panel data of the announced length"},
      {"trailer for another panel",
       R"(1B 65 59 "0000000" 31 31 00 00 02 00 02 53 00 01 0D 1B 61 4D "0001" 0D)", 23,
       "trailer for the same panel"},
      {"stripe mode", R"(1B 4D 58 0D)", 2, "stripe mode Q, R or W"},
      {"track without end", R"(1B 4D 52 31 "ABC")", 4, "track text ended by SO"},
      {"P form", R"(1B 50 58 0D)", 2, "P command form D or L"},
      {"overlay area digits", R"(1B 65 4F "12" 0D)", 5, "overlay area digits (1, 4, 4, 4, 4, 1)"},
      {"D of 19 characters (intensity -1)", R"(1B 44 "0300425244320000193" 0D)", 2,
       "print parameters of 13 characters (fields of 4, 2, 3 and 4)"},
      {"d of 12 characters", R"(1B 64 "000007000000" 0D)", 2,
       "print parameters of 13 characters (fields of 4, 2, 3 and 4)"},
      {"empty D", R"(1B 44 0D)", 2, "print parameters of 13 characters (fields of 4, 2, 3 and 4)"},
      {"D of dashes", R"(1B 44 "-------------" 0D)", 2,
       "decimal print parameter field of its width"},
      {"sign after a digit", R"(1B 44 "03006-0000193" 0D)", 6,
       "decimal print parameter field of its width"},
      {"sign without digits", R"(1B 64 "0000070000" "00-" 0D)", 11,
       "decimal print parameter field of its width"},
      {"letter in a field", R"(1B 44 "03000600001A3" 0D)", 11,
       "decimal print parameter field of its width"},
      {"one-digit document number", R"(1B 52 "0" 0D)", 2, "document number of 2 to 5 digits"},
      {"six-digit document number", R"(1B 52 "100000" 0D)", 2, "document number of 2 to 5 digits"},
      {"negative document number", R"(1B 52 "-1" 0D)", 2, "document number of 2 to 5 digits"},
      {"short trailer count", R"(1B 61 4F "25" 0D)", 3, "4-digit trailer count"},
      {"signed trailer count", R"(1B 61 4F "-001" 0D)", 3, "4-digit trailer count"},
      {"card end inside track 1", R"(1B 4D 57 31 "AB" 1B 04 0D "CD" 0E 32 0E 33 0E 0D)", 6,
       "printable track character"},
      {"DEL in track 3", R"(1B 4D 57 31 0E 32 0E 33 "1" 7F 0E 0D)", 9, "printable track character"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = hex(c.stream);
    js::ReadResult read = js::read_commands(bytes);
    ASSERT_TRUE(read.error.has_value());
    EXPECT_EQ(read.error->offset, c.offset);
    EXPECT_EQ(read.error->expected, c.expected);
  }
}

TEST(CommandReader, ParameterFieldsAndTracksAtTheirLimits) {
  // Zero padding in front of a sign, as the driver writes values above 100.
  auto job = hex(R"(1B 44 "00-4070000257" 0D 1B 64 "-999-9-999999" 0D 1B 52 "65535" 0D)");
  js::ReadResult read = js::read_commands(job);
  ASSERT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
  ASSERT_EQ(read.commands.size(), 3u);
  EXPECT_EQ(std::get<js::ParameterCommand>(read.commands[0].body).fields,
            (std::vector<long>{-4, 7, 0, 257}));
  EXPECT_EQ(std::get<js::ParameterCommand>(read.commands[1].body).fields,
            (std::vector<long>{-999, -9, -99, 9999}));

  // Tracks of 99, 99 and 149 characters are read; one more is not.
  const std::string t1(99, 'A'), t2(99, '5'), t3(149, '7');
  std::string stripe = "\x1BMW1" + t1 +
                       "\x0E"
                       "2" +
                       t2 +
                       "\x0E"
                       "3" +
                       t3 + "\x0E\r";
  std::vector<std::uint8_t> bytes(stripe.begin(), stripe.end());
  EXPECT_FALSE(js::read_commands(bytes).error.has_value());
  stripe.insert(4, "A");
  bytes.assign(stripe.begin(), stripe.end());
  read = js::read_commands(bytes);
  ASSERT_TRUE(read.error.has_value());
  EXPECT_EQ(read.error->offset, 4u + 99);
  EXPECT_EQ(read.error->expected, "SO within the track's 99, 99 or 149 characters");

  // 100,000 digits are not a parameter field.
  std::vector<std::uint8_t> huge = {0x1B, 'd'};
  huge.insert(huge.end(), 100000, '0');
  huge.push_back('\r');
  read = js::read_commands(huge);
  ASSERT_TRUE(read.error.has_value());
  EXPECT_EQ(read.error->offset, 2u);
  EXPECT_TRUE(read.commands.empty());
}

TEST(CommandReader, SurvivesArbitraryBytes) {
  std::uint32_t state = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bytes(1 + round % 64);
    for (auto& b : bytes) {
      state = state * 1103515245u + 12345u;
      b = std::uint8_t(state >> 16);
      if (state & 0x100) b = "\x1B\x0D\x0EYMCKOe1a"[(state >> 9) % 10];
    }
    js::ReadResult read = js::read_commands(bytes);
    for (const auto& c : read.commands) EXPECT_LE(c.offset + c.length, bytes.size());
  }
}

}  // namespace
