// The host engine's core services: memory, semaphores, last error, spooler writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "host/host_printer.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;
using ymcko::testing::EngineTest;

constexpr ULONG kTagA = make_pool_tag("tstA");
constexpr ULONG kTagB = make_pool_tag("tstB");

class EngineMemory : public EngineTest {};

TEST_F(EngineMemory, TagsReadAsBigEndianCharacters) {
  EXPECT_EQ(make_pool_tag("mspD"), 0x6D737044u);
  EXPECT_EQ(make_pool_tag("hspD"), 0x68737044u);
}

TEST_F(EngineMemory, CountsBlocksAndBytesPerTag) {
  void* a = EngAllocMem(0, 100, kTagA);
  void* b = EngAllocMem(0, 28, kTagA);
  void* c = EngAllocMem(0, 0, kTagB);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(engine::outstanding(kTagA).blocks, 2u);
  EXPECT_EQ(engine::outstanding(kTagA).bytes, 128u);
  EXPECT_EQ(engine::outstanding(kTagB).blocks, 1u);
  EXPECT_EQ(engine::tag_of(c), kTagB);
  EngFreeMem(a);
  EngFreeMem(b);
  EngFreeMem(c);
  EngFreeMem(nullptr);
  EXPECT_EQ(engine::outstanding(kTagA).blocks, 0u);
  EXPECT_EQ(engine::outstanding(kTagA).bytes, 0u);
}

TEST_F(EngineMemory, ZeroFillOnRequest) {
  // Dirty a block, free it, and ask for zeroed memory of the same size.
  auto* dirty = static_cast<BYTE*>(EngAllocMem(0, 4096, kTagA));
  std::memset(dirty, 0x5A, 4096);
  EngFreeMem(dirty);
  auto* clean = static_cast<BYTE*>(EngAllocMem(FL_ZERO_MEMORY, 4096, kTagA));
  ASSERT_NE(clean, nullptr);
  EXPECT_EQ(std::vector<BYTE>(clean, clean + 4096), std::vector<BYTE>(4096, 0));
  EngFreeMem(clean);
}

TEST_F(EngineMemory, FailsTheNthAllocationFromNow) {
  engine::fail_allocation_in(3);
  void* first = EngAllocMem(0, 8, kTagA);
  void* second = EngAllocMem(0, 8, kTagB);
  void* third = EngAllocMem(0, 8, kTagA);
  void* fourth = EngAllocMem(0, 8, kTagA);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(third, nullptr);
  EXPECT_NE(fourth, nullptr);
  for (void* p : {first, second, fourth}) EngFreeMem(p);
}

TEST_F(EngineMemory, FailsEveryAllocationWithATagUntilCleared) {
  engine::fail_allocations_with_tag(kTagA);
  EXPECT_EQ(EngAllocMem(0, 8, kTagA), nullptr);
  EXPECT_EQ(EngAllocMem(0, 8, kTagA), nullptr);
  void* other = EngAllocMem(0, 8, kTagB);
  EXPECT_NE(other, nullptr);
  EngFreeMem(other);
  engine::clear_allocation_faults();
  void* again = EngAllocMem(0, 8, kTagA);
  EXPECT_NE(again, nullptr);
  EngFreeMem(again);
}

TEST_F(EngineMemory, AccountingHoldsAcrossThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 1000; ++i) EngFreeMem(EngAllocMem(0, 16, kTagA));
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(engine::outstanding(kTagA).blocks, 0u);
}

TEST(EngineLastError, IsKeptPerThread) {
  EngSetLastError(87);
  ULONG seen_in_other = 1;
  std::thread([&] {
    seen_in_other = EngGetLastError();
    EngSetLastError(119);
  }).join();
  EXPECT_EQ(seen_in_other, 0u);
  EXPECT_EQ(EngGetLastError(), 87u);
}

TEST(EngineSemaphore, GivesMutualExclusion) {
  HSEMAPHORE sem = EngCreateSemaphore();
  ASSERT_NE(sem, nullptr);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        engine::SemaphoreLock lock(sem);
        long seen = counter;
        counter = seen + 1;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 40000);
  EngDeleteSemaphore(sem);
}

TEST(EngineSemaphore, CreationFaultHitsTheNthCall) {
  engine::fail_semaphore_creation_in(2);
  HSEMAPHORE first = EngCreateSemaphore();
  HSEMAPHORE second = EngCreateSemaphore();
  HSEMAPHORE third = EngCreateSemaphore();
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_NE(third, nullptr);
  EngDeleteSemaphore(first);
  EngDeleteSemaphore(third);
}

std::string text_of(const std::vector<BYTE>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(EngineWritePrinter, AppendsInCallOrder) {
  print::MemorySink sink;
  host::HostPrinter printer(u"Card printer", ymcko::testing::spool_into(sink));
  DWORD written = 0;
  EXPECT_TRUE(EngWritePrinter(printer.handle(), "abc", 3, &written));
  EXPECT_EQ(written, 3u);
  EXPECT_TRUE(EngWritePrinter(printer.handle(), "", 0, &written));
  EXPECT_TRUE(EngWritePrinter(printer.handle(), "de", 2, nullptr));
  EXPECT_EQ(text_of(sink.bytes()), "abcde");
  EXPECT_EQ(printer.write_calls(), 3u);
  EXPECT_EQ(printer.bytes_written(), 5u);
}

TEST(EngineWritePrinter, RefusesUnknownHandles) {
  DWORD written = 9;
  int stranger = 0;
  EXPECT_FALSE(EngWritePrinter(&stranger, "x", 1, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(EngWritePrinter(nullptr, "x", 1, &written));

  HANDLE stale;
  {
    print::MemorySink sink;
    host::HostPrinter gone(u"gone", ymcko::testing::spool_into(sink));
    stale = gone.handle();
  }
  EXPECT_FALSE(EngWritePrinter(stale, "x", 1, &written));
}

TEST(EngineWritePrinter, InjectedFaults) {
  struct Case {
    const char* name;
    host::WriteFault fault;
    std::string expected;
    std::vector<bool> results;
  };
  const Case cases[] = {
      {"second write fails", {2, false, std::nullopt}, "aacc", {true, false, true}},
      {"first write short", {1, false, 1}, "abbcc", {true, true, true}},
      {"every write fails from the second", {2, true, std::nullopt}, "aa", {true, false, false}},
      {"every write short from the first", {1, true, 0}, "", {true, true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    print::MemorySink sink;
    host::HostPrinter printer(u"p", ymcko::testing::spool_into(sink));
    printer.inject_write_fault(c.fault);
    std::vector<bool> results;
    for (const char* chunk : {"aa", "bb", "cc"}) {
      results.push_back(EngWritePrinter(printer.handle(), chunk, 2, nullptr) == TRUE);
    }
    EXPECT_EQ(text_of(sink.bytes()), c.expected);
    EXPECT_EQ(results, c.results);
  }
}

TEST(EngineWritePrinter, AWriteTheSpoolRefusesFails) {
  host::HostPrinter printer(u"broken", [](std::span<const BYTE>) { return false; });
  DWORD written = 9;
  EXPECT_FALSE(EngWritePrinter(printer.handle(), "x", 1, &written));
  EXPECT_EQ(written, 0u);
}

}  // namespace
