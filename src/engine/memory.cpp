// Engine memory service: every block carries a header with its tag and size.
#include "engine/engine.h"
#include "engine/hooks.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace {

// The header sits in front of the caller's bytes; 16 bytes keep the caller's
// block aligned for any scalar type.
struct BlockHeader {
  ULONG tag;
  ULONG magic;
  std::size_t size;
};
static_assert(sizeof(BlockHeader) == 16);

constexpr ULONG kLiveMagic = 0x4B4C4221;

struct Ledger {
  std::mutex lock;
  std::map<ULONG, ymcko::engine::AllocationCount> by_tag;
  std::size_t attempts = 0;
  std::size_t fail_countdown = 0;  // 0: no fault pending
  std::map<ULONG, bool> failing_tags;
};

thread_local std::size_t t_failed_allocations = 0;

Ledger& ledger() {
  static Ledger instance;
  return instance;
}

BlockHeader* header_of(const void* block) {
  return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) -
                                        sizeof(BlockHeader));
}

}  // namespace

PVOID EngAllocMem(FLONG fl, ULONG cj, ULONG ulTag) {
  Ledger& book = ledger();
  {
    std::lock_guard guard(book.lock);
    ++book.attempts;
    if ((book.fail_countdown != 0 && --book.fail_countdown == 0) ||
        book.failing_tags.count(ulTag)) {
      ++t_failed_allocations;
      return nullptr;
    }
  }

  void* raw = std::malloc(sizeof(BlockHeader) + std::size_t{cj});
  if (raw == nullptr) {
    ++t_failed_allocations;
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(raw);
  header->tag = ulTag;
  header->magic = kLiveMagic;
  header->size = cj;
  void* block = header + 1;
  if (fl & FL_ZERO_MEMORY) std::memset(block, 0, cj);

  std::lock_guard guard(book.lock);
  auto& count = book.by_tag[ulTag];
  ++count.blocks;
  count.bytes += cj;
  return block;
}

void EngFreeMem(PVOID pv) {
  if (pv == nullptr) return;
  BlockHeader* header = header_of(pv);
  if (header->magic != kLiveMagic) std::abort();  // a double free or a foreign pointer
  {
    Ledger& book = ledger();
    std::lock_guard guard(book.lock);
    auto& count = book.by_tag[header->tag];
    --count.blocks;
    count.bytes -= header->size;
  }
  header->magic = 0;
  std::free(header);
}

namespace ymcko::engine {

AllocationCount outstanding(ULONG tag) {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  auto found = book.by_tag.find(tag);
  return found == book.by_tag.end() ? AllocationCount{} : found->second;
}

AllocationCount outstanding_total() {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  AllocationCount total;
  for (const auto& [tag, count] : book.by_tag) {
    total.blocks += count.blocks;
    total.bytes += count.bytes;
  }
  return total;
}

ULONG tag_of(const void* block) { return header_of(block)->tag; }

void fail_allocation_in(std::size_t n) {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  book.fail_countdown = n;
}

void fail_allocations_with_tag(ULONG tag) {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  book.failing_tags[tag] = true;
}

void clear_allocation_faults() {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  book.fail_countdown = 0;
  book.failing_tags.clear();
}

std::size_t failed_allocations_on_this_thread() { return t_failed_allocations; }

std::size_t allocation_attempts() {
  Ledger& book = ledger();
  std::lock_guard guard(book.lock);
  return book.attempts;
}

}  // namespace ymcko::engine
