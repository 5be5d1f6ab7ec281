// Handles of freed objects, and handles of another kind, are refused by the
// services that take them, even when a new object reuses the freed slot.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "engine/engine.h"
#include "engine/handles.h"
#include "engine/objects.h"
#include "engine/palette.h"
#include "host/host_printer.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
namespace host = ymcko::host;
namespace print = ymcko::print;

print::MemorySink& sink() {
  static print::MemorySink shared;
  return shared;
}

// One kind of handle: how to make and free its object, and whether the
// services that take that kind accept a handle.
struct Kind {
  const char* name;
  void* (*make)();
  BOOL (*destroy)(void*);  // FALSE when the handle is refused
  bool (*accepts)(void*);
};

const Kind kinds[] = {
    {"surface",
     [] {
       return static_cast<void*>(EngCreateBitmap({4, 4}, 0, BMF_32BPP, 0, nullptr));
     },
     [](void* h) { return EngDeleteSurface(static_cast<HSURF>(h)); },
     [](void* h) {
       SURFOBJ* so = EngLockSurface(static_cast<HSURF>(h));
       if (so != nullptr) EngUnlockSurface(so);
       return so != nullptr;
     }},
    {"palette", [] { return static_cast<void*>(EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0)); },
     [](void* h) { return EngDeletePalette(static_cast<HPALETTE>(h)); },
     [](void* h) { return engine::palette_mode(static_cast<HPALETTE>(h)) != 0; }},
    {"semaphore", [] { return static_cast<void*>(EngCreateSemaphore()); },
     [](void* h) {
       const bool live = engine::resolve_handle(h, engine::HandleKind::semaphore) != nullptr;
       EngDeleteSemaphore(static_cast<HSEMAPHORE>(h));
       return BOOL(live);
     },
     // The semaphore services return nothing: a refused handle makes them a
     // no-op, so what they would act on is read from the book they consult.
     [](void* h) {
       EngAcquireSemaphore(static_cast<HSEMAPHORE>(h));
       EngReleaseSemaphore(static_cast<HSEMAPHORE>(h));
       return engine::resolve_handle(h, engine::HandleKind::semaphore) != nullptr;
     }},
    {"device",
     [] {
       return static_cast<void*>((new engine::HostDevice(std::span<const DRVFN>()))->handle());
     },
     [](void* h) {
       engine::HostDevice* device = engine::HostDevice::from_handle(static_cast<HDEV>(h));
       delete device;
       return BOOL(device != nullptr);
     },
     [](void* h) { return engine::HostDevice::from_handle(static_cast<HDEV>(h)) != nullptr; }},
    {"printer",
     [] {
       auto* printer = new host::HostPrinter(u"p", ymcko::testing::spool_into(sink()));
       printer->set_value(u"FreeMem", {1, 0, 0, 0});
       return static_cast<void*>(printer->handle());
     },
     [](void* h) {
       auto* printer = dynamic_cast<host::HostPrinter*>(engine::PrinterObject::from_handle(h));
       delete printer;
       return BOOL(printer != nullptr);
     },
     [](void* h) {
       BYTE value[4];
       DWORD needed = 0;
       const bool read =
           EngGetPrinterData(h, u"FreeMem", nullptr, value, 4, &needed) == ERROR_SUCCESS;
       const bool written = EngWritePrinter(h, "x", 1, nullptr) != FALSE;
       EXPECT_EQ(read, written) << "both services judge the handle alike";
       return read || written;
     }},
};

using Handles = ymcko::testing::EngineTest;

TEST_F(Handles, StaleAndOtherKindsAreRefused) {
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    void* stale = kind.make();
    ASSERT_NE(stale, nullptr);
    ASSERT_TRUE(kind.accepts(stale));
    ASSERT_TRUE(kind.destroy(stale));
    void* fresh = kind.make();  // typically in the slot just freed
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, stale);

    EXPECT_FALSE(kind.accepts(stale));
    EXPECT_FALSE(kind.destroy(stale));
    EXPECT_TRUE(kind.accepts(fresh)) << "the refusals left the new object alone";
    for (const Kind& other : kinds) {
      if (&other == &kind) continue;
      SCOPED_TRACE(std::string("taken as a ") + other.name);
      EXPECT_FALSE(other.accepts(fresh));
      EXPECT_FALSE(other.destroy(fresh));
    }
    EXPECT_TRUE(kind.destroy(fresh));
  }
}

}  // namespace
