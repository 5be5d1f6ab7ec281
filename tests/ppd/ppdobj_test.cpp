// The description object: made zero-filled in its own pool, given its initial
// values, and released with everything in the pool.
#include "ppd/ppdobj.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;

class Description : public ymcko::testing::EngineTest {};

TEST_F(Description, DefaultsAreTheOnlyNonZeroFields) {
  PPDOBJ* ppd = ymcko::ppdobj_in_new_pool();
  ASSERT_NE(ppd, nullptr);
  // The object is the pool's second piece, right behind the pool cell.
  EXPECT_EQ(static_cast<void*>(ppd), static_cast<void*>(ppd->pHeap + 1));

  PPDOBJ_SetDefaults(ppd);
  PPDOBJ expected{};
  expected.pHeap = ppd->pHeap;
  expected.dwLangLevel = 1;
  expected.dwWaitTimeout = 240;
  expected.bColorDevice = 1;
  expected.screenAngle = 11520;  // 45.0
  expected.screenFreq = 15360;   // 60.0
  EXPECT_EQ(std::memcmp(ppd, &expected, sizeof(PPDOBJ)), 0);
  PPDOBJ_Delete(ppd);
}

TEST_F(Description, DeleteReleasesEveryBlockOfThePool) {
  PPDOBJ* ppd = ymcko::ppdobj_in_new_pool();
  ASSERT_NE(ppd, nullptr);
  for (int i = 0; i < 6; ++i) ASSERT_NE(HEAPOBJ_Alloc(ppd->pHeap, 3000), nullptr);
  ASSERT_NE(HEAPOBJ_Alloc(ppd->pHeap, 10000), nullptr);
  EXPECT_GE(engine::outstanding(PPD_POOL_TAG).blocks, 7u);
  PPDOBJ_Delete(ppd);
  EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 0u);
  PPDOBJ_Delete(nullptr);
}

TEST_F(Description, NoPoolNoObject) {
  engine::fail_allocation_in(1);
  EXPECT_EQ(ymcko::ppdobj_in_new_pool(), nullptr);
}

}  // namespace
