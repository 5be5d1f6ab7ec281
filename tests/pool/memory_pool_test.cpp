// The description pool and the instance heap, including their failure paths.
#include "pool/memory_pool.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/engine.h"
#include "support/test_support.h"

namespace {

using ymcko::testing::EngineTest;
namespace engine = ymcko::engine;

class DescriptionPool : public EngineTest {
 protected:
  void TearDown() override {
    if (pool_ != nullptr) HEAPOBJ_Delete(pool_);
    EngineTest::TearDown();
  }

  HEAPOBJ* make() {
    pool_ = HEAPOBJ_Create();
    return pool_;
  }

  std::size_t block_count() const {
    std::size_t n = 0;
    for (BLOCKOBJ* b = pool_->pBlocks; b != nullptr; b = b->pNextBlock) ++n;
    return n;
  }

  HEAPOBJ* pool_ = nullptr;
};

TEST_F(DescriptionPool, LivesInsideItsFirstBlock) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  BLOCKOBJ* first = pool->pBlocks;
  EXPECT_EQ(static_cast<void*>(pool), static_cast<void*>(first + 1));
  EXPECT_EQ(first->dwSize, STANDARD_BLOCK_DATA);
  EXPECT_EQ(first->dwAvail, STANDARD_BLOCK_DATA - sizeof(void*));  // 4072
  EXPECT_EQ(engine::tag_of(first), PPD_POOL_TAG);
}

TEST_F(DescriptionPool, ExactRemainderEmptiesTheBlockAndTheNextRequestGrows) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  BLOCKOBJ* first = pool->pBlocks;
  ASSERT_NE(HEAPOBJ_Alloc(pool, 4072), nullptr);
  EXPECT_EQ(first->dwAvail, 0u);
  EXPECT_EQ(block_count(), 1u);

  ASSERT_NE(HEAPOBJ_Alloc(pool, 4), nullptr);
  EXPECT_EQ(block_count(), 2u);
  EXPECT_EQ(pool->pBlocks->dwSize, STANDARD_BLOCK_DATA);
  EXPECT_EQ(pool->pBlocks->dwAvail, STANDARD_BLOCK_DATA - 8);
}

TEST_F(DescriptionPool, PiecesAreRaisedToPointerAlignment) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  DWORD before = pool->pBlocks->dwAvail;
  auto* a = static_cast<BYTE*>(HEAPOBJ_Alloc(pool, 6));
  auto* b = static_cast<BYTE*>(HEAPOBJ_Alloc(pool, 1));
  EXPECT_EQ(b - a, 8);
  EXPECT_EQ(pool->pBlocks->dwAvail, before - 16);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) % alignof(void*), 0u);
}

TEST_F(DescriptionPool, ZeroSizeTakesNothing) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  BYTE* next = pool->pBlocks->pFree;
  DWORD avail = pool->pBlocks->dwAvail;
  EXPECT_EQ(HEAPOBJ_Alloc(pool, 0), next);
  EXPECT_EQ(pool->pBlocks->dwAvail, avail);
}

TEST_F(DescriptionPool, LargeRequestGetsItsOwnFullBlock) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  ASSERT_NE(HEAPOBJ_Alloc(pool, 5001), nullptr);
  BLOCKOBJ* large = pool->pBlocks;
  EXPECT_EQ(large->dwSize, 5001u);
  EXPECT_EQ(large->dwAvail, 0u);

  // Later small requests land in the older, partly used standard block.
  BLOCKOBJ* first = large->pNextBlock;
  DWORD avail = first->dwAvail;
  ASSERT_NE(HEAPOBJ_Alloc(pool, 16), nullptr);
  EXPECT_EQ(first->dwAvail, avail - 16);
  EXPECT_EQ(block_count(), 2u);
}

TEST_F(DescriptionPool, FullStandardRequestOnPartlyUsedPoolMakesANewBlock) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  ASSERT_NE(HEAPOBJ_Alloc(pool, 100), nullptr);
  ASSERT_NE(HEAPOBJ_Alloc(pool, STANDARD_BLOCK_DATA), nullptr);
  EXPECT_EQ(block_count(), 2u);
  EXPECT_EQ(pool->pBlocks->dwSize, STANDARD_BLOCK_DATA);
  EXPECT_EQ(pool->pBlocks->dwAvail, 0u);
}

TEST_F(DescriptionPool, FailedGrowthLeavesThePoolUnchanged) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  ASSERT_NE(HEAPOBJ_Alloc(pool, 4072), nullptr);
  BLOCKOBJ* head = pool->pBlocks;

  engine::fail_allocations_with_tag(PPD_POOL_TAG);
  EXPECT_EQ(HEAPOBJ_Alloc(pool, 8), nullptr);
  EXPECT_EQ(pool->pBlocks, head);
  EXPECT_EQ(block_count(), 1u);
  engine::clear_allocation_faults();

  EXPECT_NE(HEAPOBJ_Alloc(pool, 8), nullptr);
}

TEST_F(DescriptionPool, ImpossibleRequestReturnsNull) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  std::size_t attempts = engine::allocation_attempts();
  EXPECT_EQ(HEAPOBJ_Alloc(pool, std::numeric_limits<DWORD>::max()), nullptr);
  EXPECT_EQ(engine::allocation_attempts(), attempts);  // never asked the engine
  EXPECT_EQ(block_count(), 1u);
}

TEST_F(DescriptionPool, CreationFailureReturnsNull) {
  engine::fail_allocation_in(1);
  EXPECT_EQ(make(), nullptr);
}

TEST_F(DescriptionPool, DeleteFreesEveryBlock) {
  HEAPOBJ* pool = make();
  ASSERT_NE(pool, nullptr);
  for (int i = 0; i < 10; ++i) ASSERT_NE(HEAPOBJ_Alloc(pool, 3000), nullptr);
  EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 10u);
  HEAPOBJ_Delete(pool);
  pool_ = nullptr;
  EXPECT_EQ(engine::outstanding(PPD_POOL_TAG).blocks, 0u);
}

class InstanceHeap : public EngineTest {};

TEST_F(InstanceHeap, PiecesAreLinkedNewestFirstAndFreedByAddress) {
  HHEAP heap = HEAPCREATE();
  ASSERT_NE(heap, nullptr);
  EXPECT_EQ(heap->pNewest, nullptr);
  void* a = HEAPALLOC(heap, 10);
  void* b = HEAPALLOC(heap, 20);
  void* c = HEAPALLOC(heap, 30);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(engine::tag_of(heap), HEAP_POOL_TAG);
  EXPECT_EQ(engine::outstanding(HEAP_POOL_TAG).blocks, 4u);

  HEAPFREE(heap, c);  // the newest: the head moves on
  EXPECT_EQ(heap->pNewest + 1, b);
  HEAPFREE(heap, a);  // an older one: its predecessor is relinked
  EXPECT_EQ(heap->pNewest + 1, b);
  EXPECT_EQ(heap->pNewest->pNext, nullptr);

  int stranger = 0;
  HEAPFREE(heap, &stranger);  // not in the heap: nothing happens
  EXPECT_EQ(engine::outstanding(HEAP_POOL_TAG).blocks, 2u);

  HEAPDESTROY(heap);
  EXPECT_EQ(engine::outstanding(HEAP_POOL_TAG).blocks, 0u);
}

TEST_F(InstanceHeap, EmptyHeapDestroysOnlyItsCell) {
  HHEAP heap = HEAPCREATE();
  ASSERT_NE(heap, nullptr);
  HEAPFREE(heap, heap);
  HEAPDESTROY(heap);
}

TEST_F(InstanceHeap, FailuresLeaveTheHeapUnchanged) {
  engine::fail_allocation_in(1);
  EXPECT_EQ(HEAPCREATE(), nullptr);

  HHEAP heap = HEAPCREATE();
  ASSERT_NE(heap, nullptr);
  void* kept = HEAPALLOC(heap, 8);
  engine::fail_allocations_with_tag(HEAP_POOL_TAG);
  EXPECT_EQ(HEAPALLOC(heap, 8), nullptr);
  EXPECT_EQ(heap->pNewest + 1, kept);
  engine::clear_allocation_faults();
  EXPECT_EQ(HEAPALLOC(heap, std::numeric_limits<ULONG>::max()), nullptr);
  EXPECT_EQ(heap->pNewest + 1, kept);
  HEAPDESTROY(heap);
}

}  // namespace
