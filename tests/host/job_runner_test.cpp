// The job runner drives a driver through its function table in the engine's
// calling order; a recording stand-in driver shows the calls it receives.
#include "host/job_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;

// The stand-in driver: one instance record per enable, calls logged by name.
struct FakeInstance {
  int id;
  HSURF surface;
};
std::vector<std::string> g_calls;
std::vector<std::size_t> g_devmode_lengths;
int g_next_id = 0;
bool g_refuse_enable = false;
ULONG g_page_bits[4 * 4];

DHPDEV FakeEnablePDEV(DEVMODEW* pdm, PWSTR, ULONG cPat, HSURF* patterns, ULONG cjCaps, ULONG* caps,
                      ULONG, DEVINFO* info, HDEV, PWSTR, HANDLE) {
  g_calls.push_back("enable");
  if (pdm != nullptr) g_devmode_lengths.push_back(engine::devmode_bytes(pdm).value_or(0));
  for (ULONG i = 0; i < cPat; ++i) patterns[i] = nullptr;
  if (g_refuse_enable) return nullptr;
  if (cjCaps >= sizeof(GDIINFO)) reinterpret_cast<GDIINFO*>(caps)->ulHorzRes = 1024;
  info->iDitherFormat = 6;
  return reinterpret_cast<DHPDEV>(new FakeInstance{++g_next_id, nullptr});
}
void FakeCompletePDEV(DHPDEV, HDEV hdev) {
  g_calls.push_back(hdev ? "complete" : "complete without device");
}
BOOL FakeResetPDEV(DHPDEV a, DHPDEV b) {
  g_calls.push_back("reset " + std::to_string(reinterpret_cast<FakeInstance*>(a)->id) + " to " +
                    std::to_string(reinterpret_cast<FakeInstance*>(b)->id));
  return TRUE;
}
void FakeDisablePDEV(DHPDEV d) {
  g_calls.push_back("disable " + std::to_string(reinterpret_cast<FakeInstance*>(d)->id));
  delete reinterpret_cast<FakeInstance*>(d);
}
HSURF FakeEnableSurface(DHPDEV d) {
  g_calls.push_back("surface");
  auto* instance = reinterpret_cast<FakeInstance*>(d);
  instance->surface = EngCreateBitmap({4, 4}, 16, BMF_32BPP, BMF_TOPDOWN, g_page_bits);
  return instance->surface;
}
void FakeDisableSurface(DHPDEV d) {
  g_calls.push_back("surface off");
  EngDeleteSurface(reinterpret_cast<FakeInstance*>(d)->surface);
}
BOOL FakeStartDoc(SURFOBJ*, PWSTR name, DWORD) {
  g_calls.push_back("start doc " + std::string(name ? "named" : "unnamed"));
  return TRUE;
}
BOOL FakeStartPage(SURFOBJ*) { return g_calls.push_back("start page"), TRUE; }
BOOL FakeSendPage(SURFOBJ*) { return g_calls.push_back("send page"), TRUE; }
BOOL FakeEndDoc(SURFOBJ*, FLONG) { return g_calls.push_back("end doc"), TRUE; }
ULONG FakeEscape(SURFOBJ*, ULONG iEsc, ULONG cjIn, PVOID, ULONG, PVOID) {
  g_calls.push_back("escape " + std::to_string(iEsc) + " " + std::to_string(cjIn));
  return 1;
}

using ymcko::engine::ddi_entry;

DRVFN g_table[] = {
    ddi_entry<INDEX_DrvEnablePDEV>(FakeEnablePDEV),
    ddi_entry<INDEX_DrvResetPDEV>(FakeResetPDEV),
    ddi_entry<INDEX_DrvCompletePDEV>(FakeCompletePDEV),
    ddi_entry<INDEX_DrvDisablePDEV>(FakeDisablePDEV),
    ddi_entry<INDEX_DrvEnableSurface>(FakeEnableSurface),
    ddi_entry<INDEX_DrvDisableSurface>(FakeDisableSurface),
    ddi_entry<INDEX_DrvSendPage>(FakeSendPage),
    ddi_entry<INDEX_DrvStartPage>(FakeStartPage),
    ddi_entry<INDEX_DrvStartDoc>(FakeStartDoc),
    ddi_entry<INDEX_DrvEscape>(FakeEscape),
    ddi_entry<INDEX_DrvEndDoc>(FakeEndDoc),
};

BOOL FakeEnableDriver(ULONG version, ULONG cj, DRVENABLEDATA* data) {
  if (version < DDI_DRIVER_VERSION || cj < sizeof(DRVENABLEDATA)) return FALSE;
  *data = {DDI_DRIVER_VERSION, ULONG(std::size(g_table)), g_table};
  return TRUE;
}

class JobRunner : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_calls.clear();
    g_devmode_lengths.clear();
    g_refuse_enable = false;
    g_next_id = 0;
  }
};

TEST_F(JobRunner, DrivesAQueueInTheEnginesCallingOrder) {
  auto driver = host::LoadedDriver::load(FakeEnableDriver);
  ASSERT_TRUE(driver.has_value());
  print::MemorySink sink;
  host::HostPrinter printer(u"Card printer", ymcko::testing::spool_into(sink));
  {
    host::DeviceSession session(*driver, printer);
    std::vector<BYTE> devmode(300, 0);
    ASSERT_TRUE(session.enable(devmode));
    EXPECT_EQ(session.capabilities().ulHorzRes, 1024u);
    ASSERT_NE(session.surface(), nullptr);
    EXPECT_TRUE(session.start_doc(u"card"));
    EXPECT_EQ(session.escape(4159, std::vector<BYTE>{'W'}, {}), 1u);
    EXPECT_TRUE(session.start_page());
    EXPECT_TRUE(session.send_page());
    EXPECT_TRUE(session.reset({}));
    EXPECT_TRUE(session.end_doc());
  }
  std::vector<std::string> expected = {
      "enable",    "complete", "surface",     "start doc named", "escape 4159 1", "start page",
      "send page", "enable",   "complete",    "surface",         "reset 1 to 2",  "surface off",
      "disable 1", "end doc",  "surface off", "disable 2",
  };
  EXPECT_EQ(g_calls, expected);
  EXPECT_EQ(g_devmode_lengths, std::vector<std::size_t>{300});
}

TEST_F(JobRunner, RefusedEnableLeavesNothingEnabled) {
  auto driver = host::LoadedDriver::load(FakeEnableDriver);
  print::MemorySink sink;
  host::HostPrinter printer(u"p", ymcko::testing::spool_into(sink));
  host::DeviceSession session(*driver, printer);
  g_refuse_enable = true;
  EXPECT_FALSE(session.enable({}));
  EXPECT_FALSE(session.enabled());
  EXPECT_EQ(session.surface(), nullptr);
  EXPECT_FALSE(session.start_doc(nullptr));
  EXPECT_FALSE(host::LoadedDriver::load(nullptr).has_value());
}

}  // namespace
