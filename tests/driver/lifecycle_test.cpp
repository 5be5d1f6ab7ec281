// The whole driver under the host engine: instances enabled, completed, given
// a surface, run through jobs, reset and disabled through the job runner.
#include "driver/lifecycle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cards/jobs/command_reader.h"
#include "driver/capabilities.h"
#include "driver/ddi.h"
#include "driver/form_metrics.h"
#include "engine/engine.h"
#include "host/draw.h"
#include "host/job_runner.h"
#include "output/escape.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;
namespace js = ymcko::jobstream;

const host::LoadedDriver& driver() {
  static const host::LoadedDriver loaded = *host::LoadedDriver::load(DrvEnableDriver);
  return loaded;
}

// A device mode as an application hands it over: the driver's defaults with a few changes.
std::vector<BYTE> devmode(SHORT orientation, WORD side_mode = 0, SHORT copies = 1) {
  DRVDEVMODE dm;
  ymcko::write_devmode_defaults(dm, u"app", false);
  dm.dmPublic.dmOrientation = orientation;
  dm.dmPublic.dmCopies = copies;
  dm.dmPrivate.wSideMode = side_mode;
  std::vector<BYTE> bytes(sizeof dm);
  std::memcpy(bytes.data(), &dm, sizeof dm);
  return bytes;
}

std::vector<std::string> outline(const std::vector<BYTE>& job) {
  js::ReadResult read = js::read_commands(job);
  EXPECT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
  std::vector<std::string> lines;
  for (const auto& c : read.commands) {
    std::string line = js::describe(c);
    lines.push_back(line.substr(line.find(": ") + 2));
  }
  return lines;
}

class Lifecycle : public ymcko::testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    driver();
  }
  print::MemorySink sink_;
  host::HostPrinter printer_{u"Card printer", ymcko::testing::spool_into(sink_)};
};

TEST_F(Lifecycle, CapabilitiesOfTheCardInBothOrientations) {
  struct Case {
    SHORT orientation;
    LONG horz_size, vert_size;
    ULONG horz_res, vert_res;
    SIZEL phys;
    ULONG landscape;
  };
  const Case cases[] = {
      {DMORIENT_PORTRAIT, -55541, -86699, 656, 1024, {658, 1025}, 0},
      {DMORIENT_LANDSCAPE, -86699, -55541, 1024, 656, {1025, 658}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(devmode(c.orientation)));
    const GDIINFO& caps = session.capabilities();
    EXPECT_EQ(LONG(caps.ulHorzSize), c.horz_size);
    EXPECT_EQ(LONG(caps.ulVertSize), c.vert_size);
    EXPECT_EQ(caps.ulHorzRes, c.horz_res);
    EXPECT_EQ(caps.ulVertRes, c.vert_res);
    EXPECT_EQ(caps.ulLogPixelsX, 300u);
    EXPECT_EQ(caps.ulAspectXY, 424u);
    EXPECT_EQ(caps.denStyleStep, 12);
    EXPECT_EQ(caps.ptlPhysOffset.x, 0);
    EXPECT_EQ(caps.ptlPhysOffset.y, 0);
    EXPECT_EQ(caps.szlPhysSize.cx, c.phys.cx);
    EXPECT_EQ(caps.szlPhysSize.cy, c.phys.cy);
    EXPECT_EQ(caps.ulHTPatternSize, 5u);
    EXPECT_EQ(session.device_info().flGraphicsCaps, 0x210Fu);
    EXPECT_EQ(session.device_info().iDitherFormat, 6u);
    PDEV* pdev = pdev_from(session.instance());
    EXPECT_EQ(pdev->curForm.bLandscape, c.landscape);
    EXPECT_EQ(session.surface()->sizlBitmap.cx, LONG(c.horz_res));
  }
}

TEST_F(Lifecycle, CapabilitiesFollowTheSettings) {
  auto with = [](auto change) {
    std::vector<BYTE> bytes = devmode(DMORIENT_PORTRAIT);
    auto* dm = reinterpret_cast<DRVDEVMODE*>(bytes.data());
    dm->dmPublic.dmFields |= DM_SCALE;
    change(*dm);
    return bytes;
  };
  {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(with([](DRVDEVMODE& dm) { dm.dmPublic.dmScale = 50; })));
    EXPECT_EQ(LONG(session.capabilities().ulHorzSize), -111082);
    EXPECT_EQ(session.capabilities().ulLogPixelsX, 150u);
    EXPECT_EQ(session.capabilities().ulHorzRes, 656u);
  }
  {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(
        session.enable(with([](DRVDEVMODE& dm) { dm.dmPublic.dmColor = DMCOLOR_MONOCHROME; })));
    EXPECT_EQ(session.capabilities().ulHTOutputFormat, HT_FORMAT_1BPP);
    const COLORSETUP* setup = pdev_from(session.instance())->pColorSetup;
    EXPECT_EQ(setup->cDepth, 2);
    EXPECT_EQ(setup->cPlanes, 1);
    EXPECT_EQ(setup->iIndex, 0xFF);
  }
  {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(
        session.enable(with([](DRVDEVMODE& dm) { dm.dmPrivate.flPrivate = PRIV_NO_DONTJOURNAL; })));
    EXPECT_EQ(session.device_info().flGraphicsCaps, 0x10Fu);
  }
  {
    DEVHTINFO stored = DefDevHTInfo;
    stored.HTPatternSize = 16;
    stored.ColorInfo.RedGamma = 20000;
    std::vector<BYTE> bytes(sizeof stored);
    std::memcpy(bytes.data(), &stored, sizeof stored);
    printer_.set_value(u"CurDevHTInfo", bytes);
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable({}));
    EXPECT_EQ(session.capabilities().ulHTPatternSize, 5u);
    EXPECT_EQ(session.capabilities().ciDevice.RedGamma, 20000);
    EXPECT_EQ(session.capabilities().ulDevicePelsDPI, 11800u);
  }
}

TEST_F(Lifecycle, FormMetricsAndBothLandscapeTurns) {
  struct Case {
    const char* name;
    DWORD fields_off;
    DWORD private_bits;
    PSRECT area;
    ULONG landscape;
  };
  const Case cases[] = {
      {"landscape", 0, 0, {0, 143, 62915, 40448}, 1},
      {"landscape, other turn", 0, PRIV_LANDSCAPE_OTHER_TURN, {61, 0, 62976, 40305}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> bytes = devmode(DMORIENT_LANDSCAPE);
    auto* dm = reinterpret_cast<DRVDEVMODE*>(bytes.data());
    dm->dmPublic.dmFields &= ~c.fields_off;
    dm->dmPrivate.flPrivate = c.private_bits;
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(bytes));
    const PRINTERFORM& form = pdev_from(session.instance())->curForm;
    EXPECT_EQ(form.rcImageable.left, c.area.left);
    EXPECT_EQ(form.rcImageable.lower, c.area.lower);
    EXPECT_EQ(form.rcImageable.right, c.area.right);
    EXPECT_EQ(form.rcImageable.upper, c.area.upper);
    EXPECT_EQ(form.bLandscape, c.landscape);
  }

  // Landscape asked for without the orientation bit: no turn.
  {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(devmode(DMORIENT_PORTRAIT)));
    PDEV* pdev = pdev_from(session.instance());
    pdev->dm.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    pdev->dm.dmPublic.dmFields &= ~DM_ORIENTATION;
    AdjustForLandscape(pdev);
    EXPECT_EQ(pdev->curForm.bLandscape, 0u);
    EXPECT_EQ(pdev->curForm.rcImageable.upper, 62915);
  }

  // A database form named "CR-80", asked for by name.
  printer_.set_forms({{u"CR-80", {85600, 54000}, {0, 0, 85600, 54000}, 0}});
  std::vector<BYTE> bytes = devmode(DMORIENT_PORTRAIT);
  auto* dm = reinterpret_cast<DRVDEVMODE*>(bytes.data());
  dm->dmPublic.dmFields =
      (dm->dmPublic.dmFields & ~(DM_PAPERWIDTH | DM_PAPERLENGTH | DM_PAPERSIZE)) | DM_FORMNAME;
  std::memcpy(dm->dmPublic.dmFormName, u"CR-80", 12);
  host::DeviceSession session(driver(), printer_);
  ASSERT_TRUE(session.enable(bytes));
  const PRINTERFORM& form = pdev_from(session.instance())->curForm;
  EXPECT_EQ(std::u16string(form.wszFormName), u"CR-80");
  EXPECT_EQ(std::string(form.szOptionName), "CR_80");
}

TEST_F(Lifecycle, NullDeviceModeGivesTheDefaults) {
  host::DeviceSession session(driver(), printer_);
  ASSERT_TRUE(session.enable({}));
  PDEV* pdev = pdev_from(session.instance());
  EXPECT_EQ(pdev->dm.dmPublic.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(pdev->curForm.bLandscape, 1u);
  EXPECT_EQ(pdev->curForm.szPaper.width, 62976);
  EXPECT_EQ(pdev->curForm.rcImageable.lower, 143);
  EXPECT_EQ(std::string(pdev->curForm.szOptionName), "CR_80");
  EXPECT_EQ(pdev->cCopies, 1);
  EXPECT_EQ(pdev->iScaledDpi, 300);
}

TEST_F(Lifecycle, PatternArrayIsClearedAndInvalidInstancesRefused) {
  HSURF patterns[3] = {reinterpret_cast<HSURF>(1), reinterpret_cast<HSURF>(2),
                       reinterpret_cast<HSURF>(3)};
  DRVFN none[1] = {{0, nullptr}};
  engine::HostDevice device(std::span<const DRVFN>(none, 0));
  device.set_printer(&printer_);
  GDIINFO caps{};
  DEVINFO info{};
  DHPDEV dhpdev =
      DrvEnablePDEV(nullptr, nullptr, 3, patterns, sizeof caps, reinterpret_cast<ULONG*>(&caps),
                    sizeof info, &info, device.handle(), nullptr, printer_.handle());
  ASSERT_NE(dhpdev, nullptr);
  for (HSURF p : patterns) EXPECT_EQ(p, nullptr);
  EngSetLastError(0);
  DrvCompletePDEV(nullptr, device.handle());
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(DrvResetPDEV(dhpdev, nullptr));
  DrvDisablePDEV(dhpdev);
}

TEST_F(Lifecycle, ResetCarriesTheRunningDocument) {
  host::DeviceSession session(driver(), printer_);
  ASSERT_TRUE(session.enable(devmode(DMORIENT_LANDSCAPE, 1)));
  ASSERT_TRUE(session.start_doc(u"card"));
  ASSERT_TRUE(session.start_page());
  ASSERT_TRUE(session.send_page());
  ASSERT_TRUE(session.start_page());
  ASSERT_TRUE(session.reset(devmode(DMORIENT_LANDSCAPE, 1)));
  PDEV* pdev = pdev_from(session.instance());
  EXPECT_EQ(pdev->cPages, 2u);
  EXPECT_NE(pdev->flJobState & PDEV_RESET_IN_DOC, 0u);
  EXPECT_NE(pdev->flJobState & PDEV_DOC_STARTED, 0u);
  EXPECT_NE(pdev->flJobState & PDEV_CARD_IN, 0u) << "the card in the printer is carried";
  EXPECT_EQ(pdev->flJobState & PDEV_BACK_SIDE, 0u) << "the side is not carried";
  ASSERT_TRUE(session.start_doc(u"card")) << "a reset instance's document start sends nothing";
  ASSERT_TRUE(session.end_doc());
  auto lines = outline(sink_.bytes());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "card end");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "document header, number 00"), 1);
}

TEST_F(Lifecycle, ResetWithoutADocumentCarriesNothing) {
  host::DeviceSession session(driver(), printer_);
  ASSERT_TRUE(session.enable({}));
  ASSERT_TRUE(session.reset({}));
  EXPECT_EQ(pdev_from(session.instance())->flJobState, 0u);
}

TEST_F(Lifecycle, BitArrays) {
  HHEAP heap = HEAPCREATE();
  BITARRAY* none = BitArrayCreate(heap, 0);
  BITARRAY* nine = BitArrayCreate(heap, 9);
  ASSERT_TRUE(none && nine);
  EXPECT_EQ(none->cBits, 0u);
  EXPECT_EQ(nine->cBits, 9u);
  EXPECT_EQ(bit_array_bytes(nine)[0], 0);
  EXPECT_EQ(bit_array_bytes(nine)[1], 0);
  bit_array_bytes(nine)[1] = 0x5A;
  BITARRAY* copy = BitArrayDuplicate(heap, nine);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->cBits, 9u);
  EXPECT_EQ(bit_array_bytes(copy)[1], 0x5A);
  EXPECT_EQ(BitArrayDuplicate(heap, nullptr), nullptr);
  HEAPDESTROY(heap);
}

// Draws a card side: a colour band and a black bar, through the engine's
// stretch from a small source bitmap, as the tools do.
void draw_side(host::DeviceSession& session) {
  static ULONG source[2 * 2] = {0x000000FF, 0x0000FF00, 0x00000000, 0x00FF0000};
  HSURF hsrc = EngCreateBitmap({2, 2}, 8, BMF_32BPP, BMF_TOPDOWN, source);
  SURFOBJ* src = EngLockSurface(hsrc);
  RECTL dest{0, 0, session.surface()->sizlBitmap.cx, session.surface()->sizlBitmap.cy};
  RECTL from{0, 0, 2, 2};
  host::draw_stretch(session.surface(), src, nullptr, nullptr, nullptr, nullptr, nullptr, &dest,
                     &from, nullptr, 3);
  EngUnlockSurface(src);
  EngDeleteSurface(hsrc);
}

TEST_F(Lifecycle, TwoCardJobsInEverySideModeWithStripeAndCopies) {
  printer_.set_value(u"PrinterDataSize", {116, 0, 0, 0});
  PRINTERDATA stored;
  ymcko::write_printer_data_defaults(stored);
  stored.bMagEncoder = 1;
  std::vector<BYTE> record(sizeof stored);
  std::memcpy(record.data(), &stored, sizeof stored);
  printer_.set_value(u"PrinterData", record);

  struct Case {
    WORD side_mode;
    int pages;
    std::vector<std::string> card_commands;  // card-level commands in order
  };
  const Case cases[] = {
      {0, 2, {"stripe W", "card start", "card end", "stripe W", "card start", "card end"}},
      {1,
       4,
       {"stripe W", "card start", "card turn", "card end", "stripe W", "card start", "card turn",
        "card end"}},
      {2,
       4,
       {"stripe W", "card start", "card turn", "card end", "stripe W", "card start", "card turn",
        "card end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.side_mode);
    sink_.discard();
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(devmode(DMORIENT_LANDSCAPE, c.side_mode)));
    ASSERT_TRUE(session.start_doc(u"badges"));
    const ULONG copies = 25;
    std::vector<BYTE> count(4);
    std::memcpy(count.data(), &copies, 4);
    EXPECT_EQ(session.escape(17, count, {}), 1u);
    EXPECT_EQ(session.escape(4159, std::vector<BYTE>{'W'}, {}), 1u);
    const char16_t track1[] = u"ABC";
    std::vector<BYTE> t1(reinterpret_cast<const BYTE*>(track1),
                         reinterpret_cast<const BYTE*>(track1) + sizeof track1);
    EXPECT_EQ(session.escape(4156, t1, {}), 1u);
    for (int page = 0; page < c.pages; ++page) {
      ASSERT_TRUE(session.start_page());
      draw_side(session);
      ASSERT_TRUE(session.send_page());
    }
    ASSERT_TRUE(session.end_doc());
    session.disable();

    std::vector<std::string> card_commands;
    std::vector<std::string> counts;
    for (const auto& line : outline(sink_.bytes())) {
      if (line.rfind("magnetic stripe, mode W", 0) == 0) card_commands.push_back("stripe W");
      if (line == "card start" || line == "card turn" || line == "card end")
        card_commands.push_back(line);
      auto at = line.find("copies ");
      if (at != std::string::npos) counts.push_back(line.substr(at + 7));
    }
    EXPECT_EQ(card_commands, c.card_commands);
    ASSERT_FALSE(counts.empty());
    for (const auto& n : counts) EXPECT_EQ(n, c.side_mode == 1 ? "0001" : "0025");
  }
  EXPECT_EQ(engine::loaded_modules(), 0u);
}

TEST_F(Lifecycle, EveryFailedAllocationOfAnEnableLeavesNothing) {
  std::size_t before = engine::allocation_attempts();
  {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable({}));
  }
  const std::size_t allocations = engine::allocation_attempts() - before;
  ASSERT_GT(allocations, 10u);
  for (std::size_t n = 1; n <= allocations; ++n) {
    SCOPED_TRACE(n);
    host::DeviceSession session(driver(), printer_);
    engine::fail_allocation_in(n);
    session.enable({});  // fails or succeeds, but leaves nothing behind once disabled
    engine::clear_allocation_faults();
    session.disable();
    EXPECT_EQ(engine::loaded_modules(), 0u);
  }
}

// Sixteen printers driven from sixteen threads at once, as a busy print
// server does: each gets the same job as its neighbours of the same
// orientation (the tsan preset checks that they share nothing unguarded).
TEST_F(Lifecycle, SixteenPrintersAtOnce) {
  constexpr int kPrinters = 16;
  std::vector<std::thread> threads;
  std::vector<std::size_t> sizes(kPrinters);
  for (int t = 0; t < kPrinters; ++t) {
    threads.emplace_back([t, &sizes] {
      print::MemorySink sink;
      host::HostPrinter printer(u"printer " + std::u16string(1, char16_t(u'A' + t)),
                                ymcko::testing::spool_into(sink));
      for (int job = 0; job < 3; ++job) {
        host::DeviceSession session(driver(), printer);
        if (!session.enable(devmode(t % 2 ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE))) return;
        session.start_doc(u"job");
        session.start_page();
        draw_side(session);
        session.send_page();
        session.end_doc();
      }
      sizes[t] = sink.bytes().size();
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kPrinters; ++t) EXPECT_EQ(sizes[t], sizes[t % 2]) << t;
  EXPECT_GT(sizes[0], 0u);
}

// Instances enabled and disabled over and over, as a long-running spooler
// makes them, leave no engine memory and no module behind. A cycle takes
// about 0.3 ms in the dev build, 2.5 ms under AddressSanitizer and 10 ms or
// more under ThreadSanitizer, so the sanitizer builds run fewer cycles to
// keep the test command short; a leak of one block a cycle shows in any of
// them.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kEnableCycles = 1'000;
#else
constexpr int kEnableCycles = 100'000;
#endif

TEST_F(Lifecycle, EnableDisableCyclesLeaveNothingAllocated) {
  const std::vector<BYTE> settings[] = {devmode(DMORIENT_PORTRAIT),
                                        devmode(DMORIENT_LANDSCAPE, 1, 3)};
  const auto at_start = engine::outstanding_total();
  for (int cycle = 0; cycle < kEnableCycles; ++cycle) {
    host::DeviceSession session(driver(), printer_);
    ASSERT_TRUE(session.enable(settings[cycle % 2])) << "cycle " << cycle;
    session.disable();
  }
  const auto at_end = engine::outstanding_total();
  EXPECT_EQ(at_end.blocks, at_start.blocks);
  EXPECT_EQ(at_end.bytes, at_start.bytes);
  EXPECT_EQ(engine::loaded_modules(), 0u);
}

}  // namespace
