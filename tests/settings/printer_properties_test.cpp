// Printer properties, the substitution table and the halftone setup from the printer's registry
// data.
#include "settings/printer_properties.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "engine/engine.h"
#include "host/host_printer.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "support/image_builder.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::ImageBuilder;

struct EngineFree {
  void operator()(void* block) const { EngFreeMem(block); }
};
template <class T>
using Owned = std::unique_ptr<T, EngineFree>;

std::vector<BYTE> le32(DWORD value) {
  return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

std::vector<BYTE> record_bytes(const PRINTERDATA& data) {
  const auto* bytes = reinterpret_cast<const BYTE*>(&data);
  return {bytes, bytes + sizeof data};
}

// A description with one printer-sticky feature whose default is its second option.
std::vector<BYTE> installable_image(WORD checksum) {
  ImageBuilder b;
  b.checksum = checksum;
  b.features.push_back({"PageSize", UIGRP_PAGESIZE, 0, false, {{"CR_80", "CR-80", ""}}});
  b.features.push_back({"Encoder", UIGRP_GENERIC, 1, true, {{"None", "", ""}, {"Fitted", "", ""}}});
  return b.build();
}

class PrinterProperties : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    card_ = PpdCreate(u"card", &card_size_);
    ASSERT_NE(card_, nullptr);
  }
  void TearDown() override {
    PpdDelete(card_);
    EngineTest::TearDown();
  }

  Owned<PRINTERDATA> properties(ymcko::ppd_view image = {}) {
    return Owned<PRINTERDATA>(
        GetPrinterProperties(printer_.handle(), image.valid() ? image : card()));
  }

  print::MemorySink sink_;
  host::HostPrinter printer_{u"Card printer", ymcko::testing::spool_into(sink_)};
  ymcko::ppd_view card() const { return ymcko::ppd_view(card_, card_size_); }

  PPDDATA* card_ = nullptr;
  DWORD card_size_ = 0;
};

TEST_F(PrinterProperties, DefaultRecordFromTheDescriptionAndOptionalValues) {
  struct Case {
    const char* name;
    std::vector<BYTE> free_mem;  // empty: no "FreeMem"
    std::vector<BYTE> printer_ht;
    DWORD free_bytes;
    DWORD flags;
  };
  const Case cases[] = {
      {"no values", {}, {}, 102400, 0},
      {"50 kilobytes is below the minimum", le32(50), {}, 102400, 0},
      {"100 kilobytes is the minimum", le32(100), {}, 102400, 0},
      {"4096 kilobytes", le32(4096), {}, 4194304, 0},
      {"4 GiB saturates, not wraps to 0", le32(0x400000), {}, 0xFFFFFFFF, 0},
      {"largest value saturates", le32(0xFFFFFFFF), {}, 0xFFFFFFFF, 0},
      {"two-byte value", {0x00, 0x10}, {}, 4194304, 0},
      {"eight-byte value cannot be read", {1, 0, 0, 0, 0, 0, 0, 0}, {}, 102400, 0},
      {"own halftone setup", {}, le32(1), 102400, PFLAG_HALFTONE_SETUP},
      {"no own halftone setup", {}, le32(0), 102400, 0},
  };
  const ymcko::ppd_view image = card();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.remove_value(u"FreeMem");
    printer_.remove_value(u"PrinterHT");
    if (!c.free_mem.empty()) printer_.set_value(u"FreeMem", c.free_mem);
    if (!c.printer_ht.empty()) printer_.set_value(u"PrinterHT", c.printer_ht);

    Owned<PRINTERDATA> data = properties();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(engine::tag_of(data.get()), PPD_POOL_TAG);
    EXPECT_EQ(data->wVersion, 0x407);
    EXPECT_EQ(data->wSize, 116);
    EXPECT_EQ(data->flPrinter, c.flags);
    EXPECT_EQ(data->dwFreeMem, c.free_bytes);
    EXPECT_EQ(data->dwJobTimeout, card_->dwJobTimeout);
    EXPECT_EQ(data->dwWaitTimeout, card_->dwWaitTimeout);
    EXPECT_EQ(data->wPpdChecksum, image.checksum());
    EXPECT_EQ(data->wFeatureCount, 0);
    EXPECT_EQ(data->bMagEncoder, 0u);
    EXPECT_EQ(data->wJobRValue, 0);
  }
}

TEST_F(PrinterProperties, EmptyValuesReadAsZero) {
  // Empty values are read into a buffer without touching it or the value's storage.
  printer_.set_value(u"FreeMem", {});
  printer_.set_value(u"PrinterHT", {});
  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->dwFreeMem, 102400u);
  EXPECT_EQ(data->flPrinter, 0u);

  printer_.set_value(u"TTFontSubTableSize", le32(4));
  printer_.set_value(u"TTFontSubTable", {});
  Owned<BYTE> table(static_cast<BYTE*>(CurrentTrueTypeSubstTable(printer_.handle())));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(std::vector<BYTE>(table.get(), table.get() + 4), std::vector<BYTE>(4, 0));
}

TEST_F(PrinterProperties, DefaultSelectionsComeFromTheDescription) {
  auto bytes = installable_image(0x1234);
  const auto image = ymcko::ppd_view(bytes);
  Owned<PRINTERDATA> data = properties(image);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->wPpdChecksum, 0x1234);
  EXPECT_EQ(data->wFeatureCount, 1);
  EXPECT_EQ(data->abFeatureSel[0], 1);
  EXPECT_EQ(data->abFeatureSel[1], 0) << "only the features the description has";
}

TEST_F(PrinterProperties, StoredRecordForThisDescriptionIsReturnedByteForByte) {
  PRINTERDATA stored;
  std::memset(&stored, 0x5A, sizeof stored);
  stored.wPpdChecksum = card().checksum();
  stored.wFeatureCount = 0;
  stored.bMagEncoder = 1;
  stored.wJobRValue = 42;
  printer_.set_value(u"PrinterDataSize", le32(sizeof stored));
  printer_.set_value(u"PrinterData", record_bytes(stored));
  printer_.set_value(u"FreeMem", le32(4096));  // not consulted for a stored record

  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(ymcko::testing::BytesEqual(record_bytes(stored), record_bytes(*data)));
}

TEST_F(PrinterProperties, StoredSelectionsKeptUnlessMadeForAnotherDescription) {
  auto bytes = installable_image(0x1234);  // one printer-sticky feature
  const auto image = ymcko::ppd_view(bytes);
  struct Case {
    const char* name;
    WORD checksum;
    WORD count;
    bool kept;
  };
  const Case cases[] = {
      {"count of this description", 0x1234, 1, true},
      {"smaller count", 0x1234, 0, true},
      {"larger count", 0x1234, 2, true},
      {"count filling the array", 0x1234, MAX_PRINTER_STICKY_FEATURES, true},
      {"count one beyond the array", 0x1234, MAX_PRINTER_STICKY_FEATURES + 1, false},
      {"largest count", 0x1234, std::numeric_limits<WORD>::max(), false},
      {"another description's checksum", 0x4321, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PRINTERDATA stored{};
    stored.wVersion = 0x407;
    stored.wSize = 116;
    stored.wPpdChecksum = c.checksum;
    stored.wFeatureCount = c.count;
    std::memset(stored.abFeatureSel, 0xEE, sizeof stored.abFeatureSel);
    stored.bMagEncoder = 1;
    stored.wJobRValue = 7;
    printer_.set_value(u"PrinterDataSize", le32(sizeof stored));
    printer_.set_value(u"PrinterData", record_bytes(stored));

    Owned<PRINTERDATA> data = properties(image);
    ASSERT_NE(data, nullptr);
    if (c.kept) {
      EXPECT_TRUE(ymcko::testing::BytesEqual(record_bytes(stored), record_bytes(*data)));
      continue;
    }
    EXPECT_EQ(data->wPpdChecksum, 0x1234);
    EXPECT_EQ(data->wFeatureCount, 1);
    EXPECT_EQ(data->abFeatureSel[0], 1);
    EXPECT_EQ(data->bMagEncoder, 1u) << "the rest of the stored record stays";
    EXPECT_EQ(data->wJobRValue, 7);
  }
}

TEST_F(PrinterProperties, ShortStoredRecordIsCarriedInAZeroedWholeRecord) {
  const std::vector<BYTE> stored(60, 0xAB);
  printer_.set_value(u"PrinterDataSize", le32(60));
  printer_.set_value(u"PrinterData", stored);

  const auto before = engine::outstanding(PPD_POOL_TAG);
  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  const auto after = engine::outstanding(PPD_POOL_TAG);
  EXPECT_EQ(after.blocks - before.blocks, 1u);
  EXPECT_EQ(after.bytes - before.bytes, sizeof(PRINTERDATA))
      << "a whole record, the short one released";

  std::vector<BYTE> expected(116, 0);
  std::fill(expected.begin(), expected.begin() + 60, 0xAB);
  const WORD checksum = card().checksum();
  expected[36] = BYTE(checksum);  // rebuilt: 0xABAB is not this description's word
  expected[37] = BYTE(checksum >> 8);
  expected[38] = expected[39] = 0;
  EXPECT_TRUE(ymcko::testing::BytesEqual(expected, record_bytes(*data)));
  EXPECT_EQ(data->bMagEncoder, 0u) << "missing fields read as 0";
}

TEST_F(PrinterProperties, ValueShorterThanItsStatedSizeLeavesZerosBehind) {
  // Leave stale bytes where the next block is likely to come from.
  void* stale = EngAllocMem(0, 116, PPD_POOL_TAG);
  std::memset(stale, 0xCD, 116);
  EngFreeMem(stale);

  PRINTERDATA stored{};
  stored.wPpdChecksum = card().checksum();
  stored.wVersion = 0x407;
  printer_.set_value(u"PrinterDataSize", le32(116));
  const std::vector<BYTE> expected = record_bytes(stored);
  printer_.set_value(u"PrinterData", std::vector<BYTE>(expected.begin(), expected.begin() + 40));

  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(ymcko::testing::BytesEqual(expected, record_bytes(*data)));
}

TEST_F(PrinterProperties, UnreadableStoredRecordMeansDefaults) {
  struct Case {
    const char* name;
    std::vector<BYTE> size;  // empty: no "PrinterDataSize"
    std::size_t data_bytes;
  };
  const Case cases[] = {
      {"no size value", {}, 116},
      {"size 0, although the record exists", le32(0), 116},
      {"stated size shorter than the value", le32(100), 116},
      {"size value of eight bytes", {116, 0, 0, 0, 0, 0, 0, 0}, 116},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.remove_value(u"PrinterDataSize");
    if (!c.size.empty()) printer_.set_value(u"PrinterDataSize", c.size);
    PRINTERDATA stored{};
    stored.bMagEncoder = 1;
    printer_.set_value(u"PrinterData", record_bytes(stored));

    Owned<PRINTERDATA> data = properties();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->wVersion, 0x407);
    EXPECT_EQ(data->bMagEncoder, 0u);
  }
  printer_.set_value(u"PrinterDataSize", le32(116));
  printer_.remove_value(u"PrinterData");
  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->wVersion, 0x407) << "no record behind the size";
}

TEST_F(PrinterProperties, RunningOutOfMemory) {
  // Only the default record's allocation failing makes the answer null.
  engine::fail_allocations_with_tag(PPD_POOL_TAG);
  EXPECT_EQ(properties(), nullptr);
  engine::clear_allocation_faults();

  // A stored record that cannot be read for memory gives the defaults.
  PRINTERDATA stored{};
  stored.bMagEncoder = 1;
  printer_.set_value(u"PrinterDataSize", le32(116));
  printer_.set_value(u"PrinterData", record_bytes(stored));
  engine::fail_allocation_in(1);
  Owned<PRINTERDATA> data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->bMagEncoder, 0u);

  // A short record whose whole copy cannot be made gives the defaults too.
  printer_.set_value(u"PrinterDataSize", le32(60));
  printer_.set_value(u"PrinterData", std::vector<BYTE>(60, 0x01));
  engine::fail_allocation_in(2);
  data = properties();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->wVersion, 0x407);
  EXPECT_EQ(data->bMagEncoder, 0u);
}

TEST_F(PrinterProperties, RegistryDataRows) {
  printer_.set_value(u"TTFontSubTableSize", le32(6));
  printer_.set_value(u"TTFontSubTable", {1, 2, 3, 4, 5, 6});
  printer_.set_value(u"TrayFormSize", le32(2));
  printer_.set_value(u"TrayFormTable", {9, 8});

  DWORD size = 0;
  Owned<BYTE> table(
      static_cast<BYTE*>(GetPrinterDataFromRegistry(printer_.handle(), &size, REGINFO_TRAYFORM)));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(table.get()[1], 8);

  Owned<BYTE> substitutions(static_cast<BYTE*>(CurrentTrueTypeSubstTable(printer_.handle())));
  ASSERT_NE(substitutions, nullptr);
  EXPECT_EQ(std::vector<BYTE>(substitutions.get(), substitutions.get() + 6),
            (std::vector<BYTE>{1, 2, 3, 4, 5, 6}));

  size = 77;
  EXPECT_EQ(GetPrinterDataFromRegistry(printer_.handle(), &size, REGINFO_COUNT), nullptr);
  EXPECT_EQ(GetPrinterDataFromRegistry(printer_.handle(), &size, REGINFO_PRINTERDATA), nullptr);
  EXPECT_EQ(size, 77u) << "untouched on failure";
  printer_.remove_value(u"TTFontSubTable");
  EXPECT_EQ(CurrentTrueTypeSubstTable(printer_.handle()), nullptr);
}

TEST_F(PrinterProperties, HalftoneSetupOfExactly132Bytes) {
  std::vector<BYTE> setup(132);
  for (std::size_t i = 0; i < setup.size(); ++i) setup[i] = BYTE(i);
  struct Case {
    const char* name;
    std::size_t bytes;  // 0: no value
    bool taken;
  };
  const Case cases[] = {{"132 bytes", 132, true},
                        {"128 bytes", 128, false},
                        {"136 bytes", 136, false},
                        {"absent", 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.remove_value(u"CurDevHTInfo");
    std::vector<BYTE> value(c.bytes, 0x77);
    std::copy_n(setup.begin(), std::min<std::size_t>(c.bytes, 132), value.begin());
    if (c.bytes != 0) printer_.set_value(u"CurDevHTInfo", value);

    DEVHTINFO info;
    std::memset(&info, 0xEE, sizeof info);
    EXPECT_EQ(GetDeviceHalftoneSetup(printer_.handle(), &info), c.taken ? TRUE : FALSE);
    const auto* got = reinterpret_cast<const BYTE*>(&info);
    std::vector<BYTE> expected = c.taken ? setup : std::vector<BYTE>(132, 0xEE);
    EXPECT_TRUE(ymcko::testing::BytesEqual(expected, std::vector<BYTE>(got, got + 132)));
  }
}

}  // namespace
