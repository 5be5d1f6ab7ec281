// The driver's entry point, its function table and instance validation.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "driver/ddi.h"
#include "engine/engine.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;

// Starts every case with the module not yet enabled, and puts back the
// module's semaphores as they were, so other tests in the process keep theirs.
class EnableDriver : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    saved_ppd_ = hPpdSemaphore;
    saved_soft_ = hSoftListSemaphore;
    hPpdSemaphore = hSoftListSemaphore = nullptr;
  }
  void TearDown() override {
    EngDeleteSemaphore(hPpdSemaphore);
    EngDeleteSemaphore(hSoftListSemaphore);
    hPpdSemaphore = saved_ppd_;
    hSoftListSemaphore = saved_soft_;
    EngineTest::TearDown();
  }

 private:
  HSEMAPHORE saved_ppd_ = nullptr;
  HSEMAPHORE saved_soft_ = nullptr;
};

TEST_F(EnableDriver, RefusesOldEnginesAndShortEnableData) {
  struct Case {
    const char* name;
    ULONG version;
    ULONG size;
  };
  const Case cases[] = {
      {"engine 0x1FFFF", 0x1FFFF, sizeof(DRVENABLEDATA)},
      {"enable data one byte short", 0x20000, sizeof(DRVENABLEDATA) - 1},
      {"enable data of 32-bit size", 0x20000, 12},
      {"no enable data", 0x20000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DRVENABLEDATA data{};
    EngSetLastError(0);
    EXPECT_FALSE(DrvEnableDriver(c.version, c.size, &data));
    EXPECT_EQ(EngGetLastError(), ERROR_BAD_DRIVER_LEVEL);
    EXPECT_EQ(data.pdrvfn, nullptr);
    EXPECT_EQ(hPpdSemaphore, nullptr);
  }
}

TEST_F(EnableDriver, HandsBackTheTableInTheEngineOrder) {
  DRVENABLEDATA data{};
  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
  EXPECT_EQ(data.iDriverVersion, 0x20000u);
  ASSERT_EQ(data.c, 13u);
  ASSERT_EQ(data.pdrvfn, gadrvfn);

  const ULONG indices[] = {0, 7, 1, 2, 3, 4, 18, 20, 32, 33, 35, 24, 34};
  const PFN functions[] = {
      reinterpret_cast<PFN>(DrvEnablePDEV),    reinterpret_cast<PFN>(DrvResetPDEV),
      reinterpret_cast<PFN>(DrvCompletePDEV),  reinterpret_cast<PFN>(DrvDisablePDEV),
      reinterpret_cast<PFN>(DrvEnableSurface), reinterpret_cast<PFN>(DrvDisableSurface),
      reinterpret_cast<PFN>(DrvBitBlt),        reinterpret_cast<PFN>(DrvStretchBlt),
      reinterpret_cast<PFN>(DrvSendPage),      reinterpret_cast<PFN>(DrvStartPage),
      reinterpret_cast<PFN>(DrvStartDoc),      reinterpret_cast<PFN>(DrvEscape),
      reinterpret_cast<PFN>(DrvEndDoc),
  };
  for (ULONG i = 0; i < 13; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(data.pdrvfn[i].iFunc, indices[i]);
    EXPECT_EQ(data.pdrvfn[i].pfn, functions[i]);
    EXPECT_EQ(ymcko::engine::find_entry_point(gadrvfn, indices[i]), functions[i]);
  }
  EXPECT_EQ(ymcko::engine::find_entry_point(gadrvfn, 5), nullptr);
  EXPECT_NE(hPpdSemaphore, nullptr);
  EXPECT_NE(hSoftListSemaphore, nullptr);
}

TEST_F(EnableDriver, SecondCallKeepsItsSemaphores) {
  DRVENABLEDATA data{};
  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
  HSEMAPHORE ppd = hPpdSemaphore;
  HSEMAPHORE soft = hSoftListSemaphore;
  ASSERT_TRUE(DrvEnableDriver(0x30000, sizeof data + 4, &data));
  EXPECT_EQ(hPpdSemaphore, ppd);
  EXPECT_EQ(hSoftListSemaphore, soft);
}

TEST_F(EnableDriver, SemaphoreFailureUndoesWhatItMade) {
  for (std::size_t failing = 1; failing <= 2; ++failing) {
    SCOPED_TRACE(failing);
    DRVENABLEDATA data{};
    EngSetLastError(0);
    engine::fail_semaphore_creation_in(failing);
    EXPECT_FALSE(DrvEnableDriver(0x20000, sizeof data, &data));
    EXPECT_EQ(EngGetLastError(), 0u);  // no last error on this path
    EXPECT_EQ(hPpdSemaphore, nullptr);
    EXPECT_EQ(hSoftListSemaphore, nullptr);
  }
  // Once creation works again the module enables normally.
  DRVENABLEDATA data{};
  EXPECT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
}

TEST_F(EnableDriver, FailingSecondSemaphoreKeepsAnExistingFirst) {
  DRVENABLEDATA data{};
  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof data, &data));
  HSEMAPHORE ppd = hPpdSemaphore;
  EngDeleteSemaphore(hSoftListSemaphore);
  hSoftListSemaphore = nullptr;

  engine::fail_semaphore_creation_in(1);
  EXPECT_FALSE(DrvEnableDriver(0x20000, sizeof data, &data));
  EXPECT_EQ(hPpdSemaphore, ppd);
}

TEST(ValidatePDEV, NeedsBothSignatures) {
  auto pdev = std::make_unique<PDEV>();
  std::memset(pdev.get(), 0, sizeof(PDEV));
  EXPECT_FALSE(bValidatePDEV(nullptr));
  EXPECT_FALSE(bValidatePDEV(pdev.get()));

  pdev->ulSignature = PDEV_SIGNATURE;
  EXPECT_FALSE(bValidatePDEV(pdev.get())) << "damaged end signature";

  pdev->ulSignatureEnd = PDEV_SIGNATURE;
  EXPECT_TRUE(bValidatePDEV(pdev.get()));

  pdev->ulSignature = 0;
  EXPECT_FALSE(bValidatePDEV(pdev.get())) << "damaged first signature";
}

}  // namespace
