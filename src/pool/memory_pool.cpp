// Memory pools over the engine's memory service.
#include "pool/memory_pool.h"

#include "engine/engine.h"
#include "rt/arith.h"

using ymcko::rt::fit_ulong;
using ymcko::rt::round_up;

BLOCKOBJ* BLOCKOBJ_Create(DWORD size) {
  // Header and data area must fit one engine request; a larger one is impossible.
  auto total = fit_ulong(std::uint64_t{sizeof(BLOCKOBJ)} + size);
  if (!total) return nullptr;
  auto* block = static_cast<BLOCKOBJ*>(EngAllocMem(0, *total, PPD_POOL_TAG));
  if (block == nullptr) return nullptr;
  block->dwSize = size;
  block->dwAvail = size;
  block->pFree = reinterpret_cast<BYTE*>(block + 1);
  block->pNextBlock = nullptr;
  return block;
}

void BLOCKOBJ_Delete(PVOID block) { EngFreeMem(block); }

void PpdDelete(PVOID image) { BLOCKOBJ_Delete(image); }

namespace {

// Hands out `size` bytes of a block that has room for them: raised to the
// pool alignment unless the request takes exactly what is left.
PVOID take_from_block(BLOCKOBJ* block, DWORD size) {
  std::uint64_t taken = size;
  if (size < block->dwAvail) taken = round_up(size, POOL_ALIGNMENT);
  if (taken > block->dwAvail) taken = block->dwAvail;
  BYTE* piece = block->pFree;
  block->pFree += taken;
  block->dwAvail -= static_cast<DWORD>(taken);
  return piece;
}

}  // namespace

HEAPOBJ* HEAPOBJ_Create() {
  BLOCKOBJ* first = BLOCKOBJ_Create(STANDARD_BLOCK_DATA);
  if (first == nullptr) return nullptr;
  auto* pool = static_cast<HEAPOBJ*>(take_from_block(first, sizeof(HEAPOBJ)));
  pool->pBlocks = first;
  return pool;
}

PVOID HEAPOBJ_Alloc(HEAPOBJ* pool, DWORD size) {
  for (BLOCKOBJ* block = pool->pBlocks; block != nullptr; block = block->pNextBlock) {
    if (block->dwAvail >= size) return take_from_block(block, size);
  }

  BLOCKOBJ* fresh = BLOCKOBJ_Create(size <= STANDARD_BLOCK_DATA ? STANDARD_BLOCK_DATA : size);
  if (fresh == nullptr) return nullptr;
  fresh->pNextBlock = pool->pBlocks;
  pool->pBlocks = fresh;
  return take_from_block(fresh, size);
}

void HEAPOBJ_Delete(HEAPOBJ* pool) {
  // The pool cell lives in the oldest block: read the chain head once.
  BLOCKOBJ* block = pool->pBlocks;
  while (block != nullptr) {
    BLOCKOBJ* older = block->pNextBlock;
    BLOCKOBJ_Delete(block);
    block = older;
  }
}

HHEAP HEAPCREATE() {
  auto* cell = static_cast<HEAPCELL*>(EngAllocMem(0, sizeof(HEAPCELL), HEAP_POOL_TAG));
  if (cell != nullptr) cell->pNewest = nullptr;
  return cell;
}

PVOID HEAPALLOC(HHEAP heap, ULONG size) {
  auto total = fit_ulong(std::uint64_t{sizeof(HEAPPIECE)} + size);
  if (!total) return nullptr;
  auto* piece = static_cast<HEAPPIECE*>(EngAllocMem(0, *total, HEAP_POOL_TAG));
  if (piece == nullptr) return nullptr;
  piece->pNext = heap->pNewest;
  heap->pNewest = piece;
  return piece + 1;
}

void HEAPFREE(HHEAP heap, PVOID p) {
  HEAPPIECE** link = &heap->pNewest;
  for (HEAPPIECE* piece = *link; piece != nullptr; link = &piece->pNext, piece = *link) {
    if (piece + 1 == p) {
      *link = piece->pNext;
      EngFreeMem(piece);
      return;
    }
  }
}

void HEAPDESTROY(HHEAP heap) {
  HEAPPIECE* piece = heap->pNewest;
  while (piece != nullptr) {
    HEAPPIECE* older = piece->pNext;
    EngFreeMem(piece);
    piece = older;
  }
  EngFreeMem(heap);
}
