// Entry buffers: bounded appends, hex-run decoding, trailing blanks, and the
// entry's creation with its failure paths.
#include "ppd/parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;

// A buffer over storage with guard bytes behind it, to catch a write past cbMax + 1.
struct GuardedBuffer {
  explicit GuardedBuffer(DWORD max) : storage(max + 1 + 8, '#') {
    BUFOBJ_Initialize(&buf, storage.data(), max);
  }
  std::string text() const { return std::string(buf.pBuf, buf.cbLen); }
  bool guard_intact() const {
    return std::string(storage.end() - 8, storage.end()) == std::string(8, '#');
  }
  std::vector<char> storage;
  BUFOBJ buf{};
};

TEST(BufferAdd, FortyOneCharactersIntoFortyKeepFortyAndReportFull) {
  GuardedBuffer g(40);
  std::string text(41, 'k');
  text.back() = 'X';
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, text.c_str()), PPDERR_MEMORY);
  EXPECT_EQ(g.buf.cbLen, 40u);
  EXPECT_EQ(g.text(), std::string(40, 'k'));
  EXPECT_EQ(g.buf.pBuf[40], 0);
  EXPECT_TRUE(g.guard_intact());
}

TEST(BufferAdd, AppendsUpToTheLimitAcrossCalls) {
  GuardedBuffer g(6);
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, "abc"), PPDERR_NONE);
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, ""), PPDERR_NONE);
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, nullptr), PPDERR_NONE);
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, "def"), PPDERR_NONE) << "exactly full is no error";
  EXPECT_EQ(BUFOBJ_AddString(&g.buf, "g"), PPDERR_MEMORY);
  EXPECT_EQ(g.text(), "abcdef");
  EXPECT_STREQ(g.buf.pBuf, "abcdef");
  EXPECT_TRUE(g.guard_intact());

  BUFOBJ_Reset(&g.buf);
  EXPECT_EQ(g.buf.cbLen, 0u);
  EXPECT_STREQ(g.buf.pBuf, "");
}

TEST(BufferHex, DecodesRunsBetweenAngleBrackets) {
  const struct {
    const char* name;
    std::string text;
    DWORD result;
    std::string decoded;  // for a failure: what was copied before it
  } cases[] = {
      {"letter, two pairs, letter", "a<4142>b", PPDERR_NONE, "aABb"},
      {"no run", "CR-80", PPDERR_NONE, "CR-80"},
      {"lower and upper digits", "<4a6B>", PPDERR_NONE, "Jk"},
      {"high byte decoded", "<FF80>", PPDERR_NONE, "\xFF\x80"},
      {"empty run", "x<>y", PPDERR_NONE, "xy"},
      {"two runs", "<41>-<42>", PPDERR_NONE, "A-B"},
      {"closing bracket outside a run is copied", "a>b", PPDERR_NONE, "a>b"},
      {"unclosed run decodes to the end", "x<4142", PPDERR_NONE, "xAB"},
      {"high bytes outside a run are copied", "\xC9<41>\xA0", PPDERR_NONE,
       "\xC9"
       "A\xA0"},
      {"space inside a run", "a<41 42>", PPDERR_SYNTAX, "aA"},
      {"odd digits before the bracket", "a<414>", PPDERR_SYNTAX, "aA"},
      {"odd digit at the end of the text", "<4", PPDERR_SYNTAX, ""},
      {"non-hex letter", "<4G>", PPDERR_SYNTAX, ""},
      {"high byte inside a run", "<\xC1\xC1>", PPDERR_SYNTAX, ""},
      {"tab inside a run", "<\t41>", PPDERR_SYNTAX, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GuardedBuffer g(40);
    ASSERT_EQ(BUFOBJ_AddString(&g.buf, c.text.c_str()), PPDERR_NONE);
    // Exactly cbLen + 1 bytes, so a write beyond them shows under the sanitizer.
    std::vector<char> dest(g.buf.cbLen + 1, '#');
    EXPECT_EQ(BUFOBJ_CopyStringHex(&g.buf, dest.data()), c.result);
    EXPECT_EQ(std::string(dest.data()), c.decoded);
  }
}

TEST(BufferStrip, RemovesTrailingSpacesAndTabsOnly) {
  const struct {
    const char* text;
    const char* stripped;
  } cases[] = {
      {"*PageSize \t \t", "*PageSize"},
      {"   ", ""},
      {"", ""},
      {"a b", "a b"},
      {" lead", " lead"},
      {"line\r", "line\r"},
      {"nbsp\xA0", "nbsp\xA0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    GuardedBuffer g(40);
    BUFOBJ_AddString(&g.buf, c.text);
    BUFOBJ_StripTrailingSpaces(&g.buf);
    EXPECT_EQ(g.text(), c.stripped);
    EXPECT_EQ(g.buf.pBuf[g.buf.cbLen], 0);
  }
}

class Entry : public EngineTest {};

TEST_F(Entry, CreateBindsFourEmptyBuffersInTaggedMemory) {
  PARSEROBJ* entry = PARSEROBJ_Create();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 2u);
  EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).bytes, sizeof(PARSEROBJ) + VALUE_BUFFER_MAX + 1);

  const struct {
    const char* name;
    BUFOBJ* buf;
    const char* storage;
    DWORD max;
  } buffers[] = {
      {"keyword", &entry->keyword, entry->szKeyword, 40},
      {"option", &entry->option, entry->szOption, 40},
      {"translation", &entry->translation, entry->szTranslation, 40},
      {"value", &entry->value, nullptr, 1024},
  };
  for (const auto& b : buffers) {
    SCOPED_TRACE(b.name);
    EXPECT_EQ(b.buf->cbMax, b.max);
    EXPECT_EQ(b.buf->cbLen, 0u);
    if (b.storage != nullptr) {
      EXPECT_EQ(b.buf->pBuf, b.storage);
    }
    // Filling to the limit stays inside the storage (checked by the sanitizer).
    std::string full(b.max + 5, 'v');
    EXPECT_EQ(BUFOBJ_AddString(b.buf, full.c_str()), PPDERR_MEMORY);
    EXPECT_EQ(std::strlen(b.buf->pBuf), b.max);
  }
  EXPECT_EQ(entry->dwValueType, VALUE_NONE);
  PARSEROBJ_Delete(entry);
}

TEST_F(Entry, EitherAllocationFailingLeavesNothing) {
  for (std::size_t n : {1u, 2u}) {
    SCOPED_TRACE(n);
    engine::fail_allocation_in(n);
    EXPECT_EQ(PARSEROBJ_Create(), nullptr);
    engine::clear_allocation_faults();
    EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 0u);
  }
  PARSEROBJ_Delete(nullptr);
}

}  // namespace
