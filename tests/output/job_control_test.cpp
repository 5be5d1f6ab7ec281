// Job and page control through the entry points: whole spooled streams of
// documents, cards, side modes and stripe data, compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "output/escape.h"
#include "support/instance.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::BytesEqual;
using ymcko::testing::HandBuiltInstance;
using ymcko::testing::hex;
using Bytes = std::vector<std::uint8_t>;

const Bytes DEFAULT_DOC_START =
    hex(R"(1B "R00" 0D  1B "PL" 0D  1B "D0300060000193" 0D  1B "d0000070000000" 0D)");
const Bytes CARD_START = hex("1B 01 0D");
const Bytes CARD_END = hex("1B 04 0D");
const Bytes TURN = hex(R"(1B "f" 0D)");
const Bytes STRIPE_Q = hex(R"(1B "MQ" 0D)");

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The document start with the given D and d digits.
Bytes doc_start(const std::string& d_digits, const std::string& lower_d_digits) {
  return hex(R"(1B "R00" 0D 1B "PL" 0D 1B "D")") + text(d_digits) + hex("0D 1B") +
         text("d" + lower_d_digits) + hex("0D");
}

class JobControl : public ymcko::testing::InstanceTest {
 protected:
  // Stands in for the page send: closes the page and, in side modes other
  // than 0, moves to the other side of the card.
  void send_page() {
    pdev()->flJobState &= ~PDEV_PAGE_OPEN;
    if (settings().wSideMode != SIDE_MODE_SINGLE) pdev()->flJobState ^= PDEV_BACK_SIDE;
  }

  // Runs pages through start and send and returns what they spooled.
  Bytes run_pages(int pages) {
    card().clear_spool();
    for (int i = 0; i < pages; ++i) {
      EXPECT_TRUE(DrvStartPage(pso()));
      send_page();
    }
    return spooled();
  }

  // Clears a track field and writes `value` at its start.
  template <std::size_t N>
  static void set_track(WCHAR (&field)[N], const std::u16string& value) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(value.begin(), std::min(N, value.size()), field);
  }
};

TEST_F(JobControl, DefaultOneCardJob) {
  WCHAR name[] = u"Badge";
  ASSERT_TRUE(DrvStartDoc(pso(), name, 7));
  EXPECT_EQ(DEFAULT_DOC_START.size(), 41u);
  EXPECT_TRUE(BytesEqual(DEFAULT_DOC_START, spooled()));
  EXPECT_EQ(card().printer().write_calls(), 4u);
  EXPECT_EQ(pdev()->flJobState, PDEV_DOC_STARTED);
  ASSERT_NE(pdev()->pwstrDocName, nullptr);
  EXPECT_EQ(std::u16string(pdev()->pwstrDocName), u"Badge");

  ASSERT_TRUE(DrvStartPage(pso()));
  EXPECT_EQ(pdev()->cPages, 1u);
  EXPECT_EQ(pdev()->flJobState, PDEV_DOC_STARTED | PDEV_PAGE_OPEN | PDEV_CARD_IN);
  send_page();
  ASSERT_TRUE(DrvEndDoc(pso(), 0));

  EXPECT_TRUE(BytesEqual(DEFAULT_DOC_START + CARD_START + CARD_END, spooled()));
  EXPECT_EQ(card().printer().write_calls(), 6u);
  EXPECT_EQ(pdev()->flJobState, 0u);
}

TEST_F(JobControl, SideModesOverSeveralPages) {
  struct Case {
    const char* name;
    WORD side_mode;
    DWORD encoder;
    Bytes expected;  // four pages, then the document end
  };
  const Case cases[] = {
      {"mode 0: a new card per page", 0, 0,
       CARD_START + CARD_END + CARD_START + CARD_END + CARD_START + CARD_END + CARD_START +
           CARD_END},
      {"mode 0 with encoder: every card gets its stripe", 0, 1,
       STRIPE_Q + CARD_START + CARD_END + STRIPE_Q + CARD_START + CARD_END + STRIPE_Q + CARD_START +
           CARD_END + STRIPE_Q + CARD_START + CARD_END},
      {"mode 1: front and back of one card", 1, 0,
       CARD_START + TURN + CARD_END + CARD_START + TURN + CARD_END},
      {"mode 1 with encoder: stripe on fronts only", 1, 1,
       STRIPE_Q + CARD_START + TURN + CARD_END + STRIPE_Q + CARD_START + TURN + CARD_END},
      {"mode 2 like mode 1", 2, 1,
       STRIPE_Q + CARD_START + TURN + CARD_END + STRIPE_Q + CARD_START + TURN + CARD_END},
      {"mode above 2 acts as 1", 9, 0, CARD_START + TURN + CARD_END + CARD_START + TURN + CARD_END},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settings().wSideMode = c.side_mode;
    card().printer_data().bMagEncoder = c.encoder;
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    run_pages(4);
    EXPECT_EQ(pdev()->cPages, 4u);
    ASSERT_TRUE(DrvEndDoc(pso(), 0));
    EXPECT_TRUE(BytesEqual(c.expected, spooled()));
  }
}

TEST_F(JobControl, SecondPageStartWithoutSendIsIgnored) {
  ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  card().clear_spool();
  ASSERT_TRUE(DrvStartPage(pso()));
  ASSERT_TRUE(DrvStartPage(pso()));
  EXPECT_TRUE(BytesEqual(CARD_START, spooled()));
  EXPECT_EQ(pdev()->cPages, 1u);
}

TEST_F(JobControl, StripeSequencesAheadOfTheCardStart) {
  struct Case {
    const char* name;
    DWORD encoder;
    WORD mag_mode;
    std::u16string track1, track2, track3;
    Bytes expected;
    std::size_t writes;
  };
  const Case cases[] = {
      {"mode Q sends no track text", 1, MAG_MODE_Q, u"ABC", u"", u"123", STRIPE_Q + CARD_START, 2},
      {"mode W with ABC, empty, 123", 1, MAG_MODE_W, u"ABC", u"", u"123",
       hex(R"(1B "MW1ABC" 0E  "2" 0E  "3123" 0E 0D)") + CARD_START, 4},
      {"mode R, all tracks empty", 1, MAG_MODE_R, u"", u"", u"",
       hex(R"(1B "MR1" 0E  "2" 0E  "3" 0E 0D)") + CARD_START, 4},
      {"unknown mode acts as Q", 1, 3, u"ABC", u"", u"", STRIPE_Q + CARD_START, 2},
      {"no encoder, no stripe", 0, MAG_MODE_W, u"ABC", u"", u"", CARD_START, 1},
      {"encoder flag other than 1", 2, MAG_MODE_W, u"ABC", u"", u"", CARD_START, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    card().printer_data().bMagEncoder = c.encoder;
    settings().wMagMode = c.mag_mode;
    set_track(settings().awcTrack1, c.track1);
    set_track(settings().awcTrack2, c.track2);
    set_track(settings().awcTrack3, c.track3);
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    std::size_t writes_before = card().printer().write_calls();
    EXPECT_TRUE(BytesEqual(c.expected, run_pages(1)));
    EXPECT_EQ(card().printer().write_calls() - writes_before, c.writes);
  }
}

// Full fields without terminators: each conversion reads only its own field
// and keeps the buffer's terminator, so 99, 99 and 149 bytes at most go out.
TEST_F(JobControl, TrackTextsAreBoundedByFieldAndBuffer) {
  struct Case {
    const char* name;
    std::u16string track1, track2, track3;
    Bytes expected;
  };
  const Case cases[] = {
      {"full fields, no terminators", std::u16string(160, u'A'), std::u16string(80, u'B'),
       std::u16string(216, u'C'),
       hex(R"(1B "MW1")") + text(std::string(99, 'A')) + hex(R"(0E "2")") +
           text(std::string(80, 'B')) + hex(R"(0E "3")") + text(std::string(149, 'C')) +
           hex("0E 0D")},
      {"exactly the buffer", std::u16string(99, u'A') + u'\0', std::u16string(79, u'B') + u'\0',
       std::u16string(149, u'C') + u'\0',
       hex(R"(1B "MW1")") + text(std::string(99, 'A')) + hex(R"(0E "2")") +
           text(std::string(79, 'B')) + hex(R"(0E "3")") + text(std::string(149, 'C')) +
           hex("0E 0D")},
      {"stops at the first zero", std::u16string(u"AB\0CD", 5), std::u16string(u"\0B", 2),
       std::u16string(u"12\0", 3), hex(R"(1B "MW1AB" 0E "2" 0E "312" 0E 0D)")},
      {"outside the code page", u"\u00E9\u20AC\U0001F600x", u"", u"",
       hex(R"(1B "MW1" E9 3F 3F "x" 0E "2" 0E "3" 0E 0D)")},
  };
  card().printer_data().bMagEncoder = 1;
  settings().wMagMode = MAG_MODE_W;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    set_track(settings().awcTrack1, c.track1);
    set_track(settings().awcTrack2, c.track2);
    set_track(settings().awcTrack3, c.track3);
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    EXPECT_TRUE(BytesEqual(c.expected + CARD_START, run_pages(1)));
  }
}

TEST_F(JobControl, PrintParametersInTheDocumentHeader) {
  struct Case {
    const char* name;
    WORD job_r;
    WORD p_form;
    Bytes header;  // R and P commands
  };
  const Case cases[] = {
      {"defaults", 0, 0, hex(R"(1B "R00" 0D 1B "PL" 0D)")},
      {"P form D", 7, 1, hex(R"(1B "R07" 0D 1B "PD" 0D)")},
      {"P form other than 1", 12, 2, hex(R"(1B "R12" 0D 1B "PL" 0D)")},
      {"R wider than its field", 65535, 0, hex(R"(1B "R65535" 0D 1B "PL" 0D)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    card().clear_spool();
    card().printer_data().wJobRValue = c.job_r;
    settings().wPCommandForm = c.p_form;
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    Bytes d_commands(DEFAULT_DOC_START.end() - 32, DEFAULT_DOC_START.end());
    EXPECT_TRUE(BytesEqual(c.header + d_commands, spooled()));
  }
}

// The D and d fields at the limits the settings allow and well beyond them:
// the products wrap as unsigned 32-bit values, the intensity is taken as 0 to
// 100, and every field is limited to what its width holds (width 4: -999 to
// 9999, width 2: -9 to 99), so both commands keep their 13 characters.
TEST_F(JobControl, DocumentStartArithmetic) {
  constexpr LONG MAX = INT32_MAX, MIN = INT32_MIN;
  struct Case {
    const char* name;
    LONG value1, intensity, value2, value3;
    const char* d;
    const char* lower_d;
  };
  const Case cases[] = {
      {"defaults", 40, 70, 60, 60, "0300060000193", "0000070000000"},
      {"intensity 25 and value2 10", 40, 25, 10, 60, "0300040000116", "0000070000000"},
      {"just above 100", 101, 101, 101, 101, "00-4070000257", "0000120000000"},
      {"minus one", -1, -1, -1, -1, "-999030009999", "0000990000000"},
      {"most positive", MAX, MAX, MAX, MAX, "-999070009999", "0000990000000"},
      {"most negative", MIN, MIN, MIN, MIN, "0500030009999", "0000000000000"},
      {"intensity far above 100", 40, 0x40000000, 60, 60, "0300070000193", "0000070000000"},
      {"intensity 1000", 40, 1000, 60, 60, "0300070000193", "0000070000000"},
      {"value1 299", 299, 70, 60, 60, "-994060000193", "0000070000000"},
      {"value1 1000, A beyond the width", 1000, 70, 60, 60, "-999060000193", "0000070000000"},
      {"value2 6386", 40, 70, 6386, 60, "0300060009998", "0000070000000"},
      {"value2 6387, B beyond the width", 40, 70, 6387, 60, "0300060009999", "0000070000000"},
      {"value2 largest before wrapping", 40, 70, 27709466, 60, "0300060009999", "0000070000000"},
      {"value2 first to wrap", 40, 70, 27709467, 60, "0300060000101", "0000070000000"},
      {"value3 820", 40, 70, 60, 820, "0300060000193", "0000980000000"},
      {"value3 beyond", 40, 70, 60, 123456, "0300060000193", "0000990000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    card().clear_spool();
    settings().lStartDocValue1 = c.value1;
    settings().lColorIntensity = c.intensity;
    settings().lStartDocValue2 = c.value2;
    settings().lStartDocValue3 = c.value3;
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    EXPECT_TRUE(BytesEqual(doc_start(c.d, c.lower_d), spooled()));
  }
}

// Across the settings' own range the double recipe gives the closed forms.
TEST_F(JobControl, DocumentStartArithmeticMatchesIntegerFormsFrom0To100) {
  for (LONG v = 0; v <= 100; ++v) {
    SCOPED_TRACE(v);
    card().clear_spool();
    settings().lStartDocValue1 = settings().lColorIntensity = v;
    settings().lStartDocValue2 = settings().lStartDocValue3 = v;
    ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
    const int level = v == 0 ? 3 : v <= 25 ? 4 : v <= 50 ? 5 : v <= 75 ? 6 : 7;
    char d[32], lower_d[32];
    std::snprintf(d, sizeof d, "%04d%02d000%04d", int(500 - 5 * v), level,
                  int((155 * v + 10050) / 100));
    std::snprintf(lower_d, sizeof lower_d, "0000%02d0000000", int((12 * v + 50) / 100));
    EXPECT_TRUE(BytesEqual(doc_start(d, lower_d), spooled()));
  }
}

TEST_F(JobControl, SplitModeForcesTheSideSwitchesAtEveryDocumentStart) {
  struct Case {
    const char* name;
    WORD side_mode;
    DWORD expected[6];  // front colour, black, overlay; back colour, black, overlay
  };
  const Case cases[] = {
      {"mode 2 forces them", SIDE_MODE_SPLIT, {1, 0, 1, 0, 1, 0}},
      {"mode 1 keeps them", SIDE_MODE_DUPLEX, {0, 1, 0, 1, 0, 1}},
      {"mode above 2 keeps them", 3, {0, 1, 0, 1, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DRVPRIVATE& s = settings();
    s.wSideMode = c.side_mode;
    for (int document = 0; document < 2; ++document) {
      s.bFrontColor = s.bFrontOverlay = s.bBackBlack = 0;
      s.bFrontBlack = s.bBackColor = s.bBackOverlay = 1;
      ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
      const DWORD actual[6] = {s.bFrontColor, s.bFrontBlack, s.bFrontOverlay,
                               s.bBackColor,  s.bBackBlack,  s.bBackOverlay};
      EXPECT_TRUE(std::equal(std::begin(actual), std::end(actual), std::begin(c.expected)));
    }
  }
}

TEST_F(JobControl, ResetInstanceStartsSilently) {
  pdev()->flJobState = PDEV_RESET_IN_DOC | PDEV_CARD_IN | PDEV_BACK_SIDE;
  pdev()->cPages = 3;
  ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  EXPECT_TRUE(spooled().empty());
  EXPECT_EQ(pdev()->flJobState,
            PDEV_DOC_STARTED | PDEV_RESET_IN_DOC | PDEV_CARD_IN | PDEV_BACK_SIDE);
  EXPECT_EQ(pdev()->cPages, 3u);

  ASSERT_TRUE(DrvEndDoc(pso(), 0));
  EXPECT_TRUE(BytesEqual(CARD_END, spooled()));
  EXPECT_EQ(pdev()->flJobState, 0u);

  // The next document is a fresh one: header sent, page and card state gone.
  pdev()->flJobState = PDEV_PAGE_OPEN | PDEV_CARD_IN | PDEV_BACK_SIDE;
  card().clear_spool();
  ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  EXPECT_TRUE(BytesEqual(DEFAULT_DOC_START, spooled()));
  EXPECT_EQ(pdev()->flJobState, PDEV_DOC_STARTED);
  EXPECT_EQ(pdev()->cPages, 0u);
}

TEST_F(JobControl, DocumentNameCopyIsReplacedAndReleased) {
  const auto pieces = [] { return ymcko::engine::outstanding(HEAP_POOL_TAG).blocks; };
  const std::size_t before = pieces();
  WCHAR first[] = u"First";
  WCHAR second[] = u"Second card";
  ASSERT_TRUE(DrvStartDoc(pso(), first, 0));
  ASSERT_TRUE(DrvStartDoc(pso(), second, 0));
  EXPECT_EQ(std::u16string(pdev()->pwstrDocName), u"Second card");
  EXPECT_EQ(pieces(), before + 1);
  ASSERT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  EXPECT_EQ(pdev()->pwstrDocName, nullptr);
  EXPECT_EQ(pieces(), before);
}

TEST_F(JobControl, DocumentNameAllocationFailureSendsNothing) {
  pdev()->flJobState = PDEV_CARD_IN;
  WCHAR name[] = u"Badge";
  ymcko::engine::fail_allocations_with_tag(HEAP_POOL_TAG);
  EXPECT_FALSE(DrvStartDoc(pso(), name, 0));
  EXPECT_TRUE(spooled().empty());
  EXPECT_EQ(pdev()->pwstrDocName, nullptr);
  EXPECT_EQ(pdev()->flJobState, PDEV_DOC_STARTED);
}

TEST_F(JobControl, SpoolerWriteFailuresAreNotReported) {
  card().printer().inject_write_fault({.at_write = 1, .persistent = true, .accept = std::nullopt});
  card().printer_data().bMagEncoder = 1;
  EXPECT_TRUE(DrvStartDoc(pso(), nullptr, 0));
  EXPECT_TRUE(DrvStartPage(pso()));
  EXPECT_TRUE(DrvEndDoc(pso(), 0));
  EXPECT_TRUE(spooled().empty());
  EXPECT_EQ(card().printer().write_calls(), 7u);
}

TEST_F(JobControl, InvalidInstanceFailsWithError87AndSendsNothing) {
  SURFOBJ no_instance{};
  const std::pair<const char*, BOOL (*)(SURFOBJ*)> calls[] = {
      {"start doc", [](SURFOBJ* s) { return DrvStartDoc(s, nullptr, 0); }},
      {"start page", [](SURFOBJ* s) { return DrvStartPage(s); }},
      {"end doc", [](SURFOBJ* s) { return DrvEndDoc(s, 0); }},
  };
  // No surface, a surface without instance, an instance with its end
  // signature overwritten.
  for (SURFOBJ* surface : {static_cast<SURFOBJ*>(nullptr), &no_instance, pso()}) {
    if (surface == pso()) pdev()->ulSignatureEnd = 0;
    for (const auto& [call, run] : calls) {
      SCOPED_TRACE(call);
      EngSetLastError(0);
      EXPECT_FALSE(run(surface));
      EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);
    }
  }
  pdev()->ulSignatureEnd = PDEV_SIGNATURE;
  EXPECT_EQ(pdev()->flJobState, 0u);
  EXPECT_TRUE(spooled().empty());
}

}  // namespace
