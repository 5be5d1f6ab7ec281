// Escapes through DrvEscape: each result code, the values stored in the
// instance, and the stripe data reaching the printer at the next card front.
#include "output/escape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "support/instance.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::BytesEqual;
using ymcko::testing::HandBuiltInstance;
using ymcko::testing::hex;

class Escape : public ymcko::testing::InstanceTest {
 protected:
  // Sends raw input bytes with no output buffer.
  ULONG escape(ULONG number, const void* input, ULONG size) {
    return DrvEscape(pso(), number, size, const_cast<void*>(input), 0, nullptr);
  }
};

TEST_F(Escape, UnsupportedNumbersAnswerZeroWithoutTheInstance) {
  const ULONG numbers[] = {0, 9, 21, 4155, 4160, 0xFFFFFFFF};
  WORD input = SETCOPYCOUNT;
  for (ULONG number : numbers) {
    SCOPED_TRACE(number);
    EXPECT_FALSE(isSupported(number));
    EXPECT_EQ(DrvEscape(nullptr, number, sizeof input, &input, 0, nullptr), 0u);
    EXPECT_EQ(EngGetLastError(), 0u);
  }
  for (ULONG number : {8u, 17u, 20u, 4156u, 4157u, 4158u, 4159u}) EXPECT_TRUE(isSupported(number));
}

TEST_F(Escape, SupportQueryReadsASixteenBitNumber) {
  struct Case {
    const char* name;
    std::vector<BYTE> input;
    bool no_buffer;
    ULONG expected;
  };
  const Case cases[] = {
      {"copy count gives the highest count", {17, 0}, false, 999},
      {"stripe mode", {0x3F, 0x10}, false, 1},
      {"the query itself", {8, 0}, false, 1},
      {"unsupported", {9, 0}, false, 0},
      {"only the low 16 bits are read", {17, 0, 1, 0}, false, 999},
      {"one byte is too short", {17}, false, 0},
      {"no input buffer", {17, 0}, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    void* input = c.no_buffer ? nullptr : const_cast<BYTE*>(c.input.data());
    EXPECT_EQ(DrvEscape(nullptr, QUERYESCSUPPORT, ULONG(c.input.size()), input, 0, nullptr),
              c.expected);
    EXPECT_EQ(EngGetLastError(), 0u);
  }
}

TEST_F(Escape, TechnologyNeedsFourteenBytes) {
  struct Case {
    const char* name;
    ULONG size;
    bool no_buffer;
    ULONG expected;
    ULONG error;
  };
  const Case cases[] = {
      {"13 bytes", 13, false, 0, ERROR_INVALID_PARAMETER},
      {"14 bytes", 14, false, 1, 0},
      {"larger buffer", 20, false, 1, 0},
      {"no buffer", 14, true, 0, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    char output[20];
    std::memset(output, '#', sizeof output);
    EngSetLastError(0);
    EXPECT_EQ(DrvEscape(nullptr, GETTECHNOLOGY, 0, nullptr, c.size, c.no_buffer ? nullptr : output),
              c.expected);
    EXPECT_EQ(EngGetLastError(), c.error);
    if (c.expected == 1) {
      EXPECT_EQ(std::memcmp(output, "Thermoprinter\0", 14), 0);
      EXPECT_EQ(output[14], '#');
    } else {
      EXPECT_EQ(output[0], '#');
    }
  }
}

TEST_F(Escape, InstanceEscapesRefuseAnInvalidInstance) {
  SURFOBJ no_instance{};
  const BYTE input[4] = {'W', 0, 0, 0};
  const std::pair<ULONG, ULONG> escapes[] = {{SETCOPYCOUNT, 4},
                                             {ESC_SET_MAG_TRACK1, 2},
                                             {ESC_SET_MAG_TRACK2, 2},
                                             {ESC_SET_MAG_TRACK3, 2},
                                             {ESC_SET_MAG_MODE, 1}};
  for (SURFOBJ* surface : {static_cast<SURFOBJ*>(nullptr), &no_instance, pso()}) {
    if (surface == pso()) pdev()->ulSignatureEnd = 0;
    for (const auto& [number, size] : escapes) {
      SCOPED_TRACE(number);
      EngSetLastError(0);
      EXPECT_EQ(DrvEscape(surface, number, size, const_cast<BYTE*>(input), 0, nullptr), 0u);
      EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);
    }
  }
  pdev()->ulSignatureEnd = PDEV_SIGNATURE;
  EXPECT_EQ(pdev()->cCopies, 1);
  EXPECT_EQ(settings().wMagMode, MAG_MODE_Q);
  EXPECT_EQ(settings().awcTrack1[0], u'\0');
}

TEST_F(Escape, CopyCountIsLimitedAndReported) {
  struct Case {
    const char* name;
    ULONG requested;
    ULONG in_size;
    ULONG out_size;
    ULONG expected;
    LONG stored;   // cCopies afterwards (starts at 5)
    ULONG output;  // output buffer afterwards (starts at 0xAAAAAAAA)
  };
  constexpr ULONG UNTOUCHED = 0xAAAAAAAA;
  const Case cases[] = {
      {"zero becomes one", 0, 4, 4, 1, 1, 1},
      {"one", 1, 4, 4, 1, 1, 1},
      {"998", 998, 4, 4, 1, 998, 998},
      {"999", 999, 4, 4, 1, 999, 999},
      {"1000 becomes 999", 1000, 4, 4, 1, 999, 999},
      {"negative as signed becomes 999", 0x80000000, 4, 4, 1, 999, 999},
      {"all ones becomes 999", 0xFFFFFFFF, 4, 4, 1, 999, 999},
      {"output too small is left alone", 3, 4, 3, 1, 3, UNTOUCHED},
      {"no output size", 3, 4, 0, 1, 3, UNTOUCHED},
      {"three input bytes are refused", 3, 3, 4, ESCAPE_NO_INPUT, 5, UNTOUCHED},
      {"no input bytes are refused", 3, 0, 4, ESCAPE_NO_INPUT, 5, UNTOUCHED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pdev()->cCopies = 5;
    ULONG output = UNTOUCHED;
    EXPECT_EQ(DrvEscape(pso(), SETCOPYCOUNT, c.in_size, const_cast<ULONG*>(&c.requested),
                        c.out_size, &output),
              c.expected);
    EXPECT_EQ(pdev()->cCopies, c.stored);
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(EngGetLastError(), 0u);
  }
  ULONG requested = 7;
  EXPECT_EQ(DrvEscape(pso(), SETCOPYCOUNT, 4, nullptr, 0, nullptr), ESCAPE_NO_INPUT);
  EXPECT_EQ(DrvEscape(pso(), SETCOPYCOUNT, 4, &requested, 4, nullptr), 1u);
  EXPECT_EQ(pdev()->cCopies, 7);
}

TEST_F(Escape, TrackInputMustFitItsField) {
  struct Case {
    const char* name;
    ULONG number;
    WCHAR* field;
    std::size_t field_chars;
    ULONG size;  // bytes sent
    ULONG expected;
  };
  DRVPRIVATE& s = settings();
  const Case cases[] = {
      {"track 1 whole field", ESC_SET_MAG_TRACK1, s.awcTrack1, TRACK1_CHARS, 320, 1},
      {"track 1 one byte over", ESC_SET_MAG_TRACK1, s.awcTrack1, TRACK1_CHARS, 321,
       ESCAPE_BAD_SIZE},
      {"track 2 whole field", ESC_SET_MAG_TRACK2, s.awcTrack2, TRACK2_CHARS, 160, 1},
      {"track 2 one byte over", ESC_SET_MAG_TRACK2, s.awcTrack2, TRACK2_CHARS, 161,
       ESCAPE_BAD_SIZE},
      {"track 3 whole field", ESC_SET_MAG_TRACK3, s.awcTrack3, TRACK3_CHARS, 432, 1},
      {"track 3 one byte over", ESC_SET_MAG_TRACK3, s.awcTrack3, TRACK3_CHARS, 433,
       ESCAPE_BAD_SIZE},
      {"track 3 far too long", ESC_SET_MAG_TRACK3, s.awcTrack3, TRACK3_CHARS, 0xFFFFFFFF,
       ESCAPE_BAD_SIZE},
      {"odd byte count copies half a character", ESC_SET_MAG_TRACK2, s.awcTrack2, TRACK2_CHARS, 3,
       1},
  };
  std::vector<WCHAR> input(TRACK3_CHARS, u'X');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::fill(c.field, c.field + c.field_chars, u'\x2222');
    const std::vector<WCHAR> before(c.field, c.field + c.field_chars);
    EXPECT_EQ(escape(c.number, input.data(), c.size), c.expected);
    EXPECT_EQ(EngGetLastError(), 0u);

    std::vector<WCHAR> expected = before;
    if (c.expected == 1) std::memcpy(expected.data(), input.data(), c.size);
    EXPECT_EQ(std::vector<WCHAR>(c.field, c.field + c.field_chars), expected);
  }
  EXPECT_EQ(escape(ESC_SET_MAG_TRACK1, nullptr, 4), ESCAPE_NO_INPUT);
}

TEST_F(Escape, ShorterTrackWithoutTerminatorKeepsTheOldTail) {
  const WCHAR first[] = u"ABCDEF";
  const WCHAR second[] = {u'X', u'Y'};
  ASSERT_EQ(escape(ESC_SET_MAG_TRACK1, first, sizeof first), 1u);
  ASSERT_EQ(escape(ESC_SET_MAG_TRACK1, second, sizeof second), 1u);
  EXPECT_EQ(std::u16string(settings().awcTrack1), u"XYCDEF");
}

TEST_F(Escape, StripeModeTakesOneLetter) {
  struct Case {
    const char* name;
    std::string input;
    bool no_buffer;
    ULONG expected;
    WORD mode;  // wMagMode afterwards (starts at 1)
  };
  const Case cases[] = {
      {"Q", "Q", false, 1, MAG_MODE_Q},
      {"R", "R", false, 1, MAG_MODE_R},
      {"W", "W", false, 1, MAG_MODE_W},
      {"two bytes", "WW", false, ESCAPE_BAD_SIZE, MAG_MODE_R},
      {"no bytes", "", false, ESCAPE_BAD_SIZE, MAG_MODE_R},
      {"unknown letter", "X", false, ESCAPE_BAD_MODE, MAG_MODE_R},
      {"lower case", "w", false, ESCAPE_BAD_MODE, MAG_MODE_R},
      {"no input buffer", "W", true, ESCAPE_NO_INPUT, MAG_MODE_R},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settings().wMagMode = MAG_MODE_R;
    EXPECT_EQ(
        escape(ESC_SET_MAG_MODE, c.no_buffer ? nullptr : c.input.data(), ULONG(c.input.size())),
        c.expected);
    EXPECT_EQ(settings().wMagMode, c.mode);
    EXPECT_EQ(EngGetLastError(), 0u);
  }
}

// What an application hands over reaches the printer at the next card front.
TEST_F(Escape, StripeDataReachesTheNextCardFront) {
  card().printer_data().bMagEncoder = 1;
  const char mode = 'W';
  const WCHAR track1[] = u"ABC";
  const WCHAR track3[] = u"123";
  ASSERT_EQ(escape(ESC_SET_MAG_MODE, &mode, 1), 1u);
  ASSERT_EQ(escape(ESC_SET_MAG_TRACK1, track1, sizeof track1), 1u);
  ASSERT_EQ(escape(ESC_SET_MAG_TRACK3, track3, sizeof track3), 1u);

  ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  card().clear_spool();
  ASSERT_TRUE(DrvStartPage(pso()));
  EXPECT_TRUE(BytesEqual(hex(R"(1B "MW1ABC" 0E "2" 0E "3123" 0E 0D 1B 01 0D)"), card().spooled()));
}

}  // namespace
