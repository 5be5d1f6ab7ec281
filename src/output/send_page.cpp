// The page send: separates the finished card side into panels and sends each
// one framed by its commands, then the overlay areas; resets the page bitmap
// and advances the card side.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "output/entry_points.h"
#include "output/panel_commands.h"
#include "output/panel_separation.h"
#include "output/panel_sweep.h"
#include "records/pdev.h"

namespace {

using namespace ymcko;

// Side modes above 2 act as 1, as at the page start.
WORD effective_side_mode(WORD side_mode) {
  return side_mode > SIDE_MODE_SPLIT ? SIDE_MODE_DUPLEX : side_mode;
}

// Sends one separated panel when it carries ink.
void separate_and_send(PDEV* pdev, Pass pass, char letter, const PageBitmap& page,
                       const PrintRect& rect, const ToneTable& tone, bool extract_black,
                       std::span<BYTE> buffer, const TrailerCount& count) {
  auto extent = separate(pass, page, rect, tone, extract_black, buffer);
  if (extent) send_panel(pdev->hPrinter, letter, rect, *extent, buffer, count);
}

// What a page send does for the side it is on.
struct SidePlan {
  WORD mode;
  bool back;
  bool duplex_back;
  bool colour;   // the yellow, magenta and cyan panels
  bool black;    // the black panel
  bool overlay;  // the overlay panel's areas
};

SidePlan side_plan(const PDEV* pdev) {
  const DRVPRIVATE& settings = pdev->dm.dmPrivate;
  SidePlan plan{};
  plan.mode = effective_side_mode(settings.wSideMode);
  plan.back = (pdev->flJobState & PDEV_BACK_SIDE) != 0;
  const bool front = !plan.back;
  const bool split_back = plan.mode == SIDE_MODE_SPLIT && plan.back;
  plan.duplex_back = plan.mode == SIDE_MODE_DUPLEX && plan.back;
  plan.colour = !split_back &&
                ((settings.bFrontColor == 1 && front) || (settings.bBackColor == 1 && plan.back));
  plan.black = (plan.mode != SIDE_MODE_SPLIT || plan.back) &&
               ((settings.bFrontBlack == 1 && front) || (settings.bBackBlack == 1 && plan.back));
  plan.overlay = !split_back && ((settings.bFrontOverlay == 1 && front) ||
                                 (settings.bBackOverlay == 1 && plan.back));
  return plan;
}

ColorAdjust adjust_of(const DRVPRIVATE& settings) {
  return {settings.lCyanAdjust, settings.lMagentaAdjust, settings.lYellowAdjust,
          settings.lSaturation};
}

// The sends that open every page: the panel clears, except in side mode 2.
void send_opening_clears(HANDLE printer, const SidePlan& side) {
  if (side.mode != SIDE_MODE_SPLIT) {
    for (char letter : {'Y', 'M', 'C', 'K', 'O'}) send_panel_clear(printer, letter);
  }
}

void send_overlay(HANDLE printer, const DRVPRIVATE& settings, const SidePlan& side,
                  const TrailerCount& count) {
  if (!side.overlay) return;
  send_panel_clear(printer, 'O');
  send_overlay_areas(printer, settings.aOverlayArea, count);
}

// The page is done: the bitmap turns white again and, when pages alternate
// sides of one card, the next page is the other side.
void close_page(PDEV* pdev, const SidePlan& side) {
  pdev->flJobState &= ~PDEV_PAGE_OPEN;
  std::memset(pdev->pvBits, 0xFF, PAGE_BYTES);
  if (side.mode != SIDE_MODE_SINGLE) pdev->flJobState ^= PDEV_BACK_SIDE;
}

// The reference page send: colour correction in place, then one pass a
// panel, each made and sent before the next, in one panel buffer.
BOOL send_page_by_passes(PDEV* pdev, const SidePlan& side, const ToneTable& tone) {
  const DRVPRIVATE& settings = pdev->dm.dmPrivate;
  auto* buffer = static_cast<BYTE*>(EngAllocMem(0, PANEL_BYTES, PANEL_POOL_TAG));
  if (buffer == nullptr) return FALSE;
  std::span<BYTE> panel(buffer, PANEL_BYTES);
  const PageBitmap page{static_cast<std::uint32_t*>(pdev->pvBits), pdev->curForm.bLandscape == 1};
  const PrintRect rect = clip_print_rect(settings);
  const TrailerCount count = trailer_count(side.mode, pdev->cCopies);
  HANDLE printer = pdev->hPrinter;

  send_opening_clears(printer, side);

  // Colour panels; extraction in the yellow pass feeds the black panel.
  bool extracted = false;
  if (side.colour) {
    if (side.duplex_back) {
      for (char letter : {'Y', 'M', 'C'}) send_panel_clear(printer, letter);
    }
    if (settings.bColorCorrection == 1) correct_colors(page, rect, adjust_of(settings));
    extracted = settings.bFrontBlack == 1;
    separate_and_send(pdev, Pass::yellow, 'Y', page, rect, tone, extracted, panel, count);
    separate_and_send(pdev, Pass::magenta, 'M', page, rect, tone, false, panel, count);
    separate_and_send(pdev, Pass::cyan, 'C', page, rect, tone, false, panel, count);
  }

  // Black panel: from the marks where this page's yellow pass extracted
  // black, otherwise from the pixels that are pure black.
  if (side.black) {
    if (side.duplex_back) send_panel_clear(printer, 'K');
    separate_and_send(pdev, extracted ? Pass::black_from_mark : Pass::black_pure, 'K', page, rect,
                      tone, false, panel, count);
  }

  send_overlay(printer, settings, side, count);
  EngFreeMem(buffer);
  close_page(pdev, side);
  return TRUE;
}

// The fast page send: one sweep makes every panel the side needs, in one
// allocation holding those panels and the sweep's scratch; then the panels
// go out in the same writes and order as the reference. That allocation is
// about five times the reference's one panel: when the engine cannot give
// it, the page goes the reference's way, with the same bytes.
BOOL send_page_by_sweep(PDEV* pdev, const SidePlan& side, const ToneTable& tone) {
  const DRVPRIVATE& settings = pdev->dm.dmPrivate;
  const std::size_t panels = (side.colour ? 3 : 0) + (side.black ? 1 : 0);
  const std::size_t bytes = std::max<std::size_t>(panels, 1) * PANEL_BYTES + SWEEP_SCRATCH_BYTES;
  auto* buffer = static_cast<BYTE*>(EngAllocMem(0, ULONG(bytes), PANEL_POOL_TAG));
  if (buffer == nullptr) return send_page_by_passes(pdev, side, tone);
  const PageBitmap page{static_cast<std::uint32_t*>(pdev->pvBits), pdev->curForm.bLandscape == 1};
  const PrintRect rect = clip_print_rect(settings);
  const TrailerCount count = trailer_count(side.mode, pdev->cCopies);
  HANDLE printer = pdev->hPrinter;

  SweepPanels made;
  BYTE* next = buffer;
  auto take = [&next]() {
    std::span<BYTE> panel(next, PANEL_BYTES);
    next += PANEL_BYTES;
    return panel;
  };
  if (side.colour) {
    made.yellow = take();
    made.magenta = take();
    made.cyan = take();
  }
  if (side.black) made.black = take();
  const SweepPlan plan{side.colour, side.black, side.colour && settings.bColorCorrection == 1,
                       side.colour && settings.bFrontBlack == 1, adjust_of(settings)};
  const SweepExtents extents =
      sweep_panels(page, rect, tone, plan, made,
                   {buffer + std::max<std::size_t>(panels, 1) * PANEL_BYTES, SWEEP_SCRATCH_BYTES});

  send_opening_clears(printer, side);
  auto send = [&](char letter, const std::optional<InkExtent>& extent, std::span<BYTE> panel) {
    if (extent) send_panel(printer, letter, rect, *extent, panel, count);
  };
  if (side.colour) {
    if (side.duplex_back) {
      for (char letter : {'Y', 'M', 'C'}) send_panel_clear(printer, letter);
    }
    send('Y', extents.yellow, made.yellow);
    send('M', extents.magenta, made.magenta);
    send('C', extents.cyan, made.cyan);
  }
  if (side.black) {
    if (side.duplex_back) send_panel_clear(printer, 'K');
    send('K', extents.black, made.black);
  }
  send_overlay(printer, settings, side, count);
  EngFreeMem(buffer);
  close_page(pdev, side);
  return TRUE;
}

}  // namespace

BOOL DrvSendPage(SURFOBJ* pso) {
  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return FALSE;
  // Without a page bitmap there is nothing to separate; fail like a missing buffer.
  if (pdev->pvBits == nullptr) return FALSE;

  const ToneTable tone = make_tone_table(pdev->dm.dmPrivate.lColorIntensity);
  const SidePlan side = side_plan(pdev);
  return send_path() == SendPath::fast ? send_page_by_sweep(pdev, side, tone)
                                       : send_page_by_passes(pdev, side, tone);
}
