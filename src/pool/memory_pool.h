// Memory pools: the description's growable block pool (BLOCKOBJ, HEAPOBJ) and
// the device instance's heap of individually freed pieces.
#pragma once

#include <cstddef>

#include "engine/engine.h"

inline constexpr ULONG PPD_POOL_TAG = make_pool_tag("mspD");   // 0x6D737044
inline constexpr ULONG HEAP_POOL_TAG = make_pool_tag("hspD");  // 0x68737044

// One engine allocation: this header, then dwSize bytes of data area.
struct BLOCKOBJ {
  DWORD dwSize;          // size of the data area as requested
  DWORD dwAvail;         // bytes of the data area not yet handed out
  BYTE* pFree;           // next byte to hand out
  BLOCKOBJ* pNextBlock;  // next older block of the same pool
};

// Data area of a standard block; header and data make one allocation of
// 4096 bytes on a 32-bit target, and the data area keeps its size here.
inline constexpr DWORD STANDARD_BLOCK_DATA = 4080;

// Pieces are aligned to a pointer.
inline constexpr DWORD POOL_ALIGNMENT = alignof(void*);

// The description pool: a cell holding the newest block, itself the first
// piece of the pool's first block.
struct HEAPOBJ {
  BLOCKOBJ* pBlocks;
};

// A block with a data area of `size` bytes, or null.
BLOCKOBJ* BLOCKOBJ_Create(DWORD size);

// Frees a block, or a packed description image (its other name), with the engine.
void BLOCKOBJ_Delete(PVOID block);
void PpdDelete(PVOID image);

// A new description pool, or null.
HEAPOBJ* HEAPOBJ_Create();

// A piece of `size` bytes from the pool, or null when no block can be had;
// a failed request leaves the pool unchanged. Pieces are not zeroed.
PVOID HEAPOBJ_Alloc(HEAPOBJ* pool, DWORD size);

// Frees every block of the pool, newest first; the handle is dead afterwards.
void HEAPOBJ_Delete(HEAPOBJ* pool);

// The instance heap: a cell holding the newest piece; each piece is one
// engine allocation with a link to the next older piece in front.
struct HEAPPIECE {
  HEAPPIECE* pNext;
};

struct HEAPCELL {
  HEAPPIECE* pNewest;
};

using HHEAP = HEAPCELL*;

// A new, empty instance heap, or null.
HHEAP HEAPCREATE();

// A piece of `size` bytes, or null (the heap is then unchanged). Not zeroed.
PVOID HEAPALLOC(HHEAP heap, ULONG size);

// Unlinks and frees the piece at p; an address the heap does not hold is ignored.
void HEAPFREE(HHEAP heap, PVOID p);

// Frees every piece, newest first, then the cell.
void HEAPDESTROY(HHEAP heap);
