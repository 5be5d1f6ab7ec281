// The page send: separates the finished card side into panels and sends each
// one framed by its commands, then the overlay areas; resets the page bitmap
// and advances the card side.
#include <cstring>

#include "engine/engine.h"
#include "output/entry_points.h"
#include "output/panel_commands.h"
#include "output/panel_separation.h"
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

}  // namespace

BOOL DrvSendPage(SURFOBJ* pso) {
  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return FALSE;
  // Without a page bitmap there is nothing to separate; fail like a missing buffer.
  if (pdev->pvBits == nullptr) return FALSE;

  const DRVPRIVATE& settings = pdev->dm.dmPrivate;
  ToneTable tone = make_tone_table(settings.lColorIntensity);
  auto* buffer = static_cast<BYTE*>(EngAllocMem(0, PANEL_BYTES, PANEL_POOL_TAG));
  if (buffer == nullptr) return FALSE;
  std::span<BYTE> panel(buffer, PANEL_BYTES);

  const WORD mode = effective_side_mode(settings.wSideMode);
  const bool back = (pdev->flJobState & PDEV_BACK_SIDE) != 0;
  const bool front = !back;
  const bool split_back = mode == SIDE_MODE_SPLIT && back;
  const bool duplex_back = mode == SIDE_MODE_DUPLEX && back;
  const PageBitmap page{static_cast<std::uint32_t*>(pdev->pvBits), pdev->curForm.bLandscape == 1};
  const PrintRect rect = clip_print_rect(settings);
  const TrailerCount count = trailer_count(mode, pdev->cCopies);
  HANDLE printer = pdev->hPrinter;

  if (mode != SIDE_MODE_SPLIT) {
    for (char letter : {'Y', 'M', 'C', 'K', 'O'}) send_panel_clear(printer, letter);
  }

  // Colour panels; extraction in the yellow pass feeds the black panel.
  bool extracted = false;
  if (!split_back && ((settings.bFrontColor == 1 && front) || (settings.bBackColor == 1 && back))) {
    if (duplex_back) {
      for (char letter : {'Y', 'M', 'C'}) send_panel_clear(printer, letter);
    }
    if (settings.bColorCorrection == 1) {
      correct_colors(page, rect,
                     {settings.lCyanAdjust, settings.lMagentaAdjust, settings.lYellowAdjust,
                      settings.lSaturation});
    }
    extracted = settings.bFrontBlack == 1;
    separate_and_send(pdev, Pass::yellow, 'Y', page, rect, tone, extracted, panel, count);
    separate_and_send(pdev, Pass::magenta, 'M', page, rect, tone, false, panel, count);
    separate_and_send(pdev, Pass::cyan, 'C', page, rect, tone, false, panel, count);
  }

  // Black panel: from the marks where this page's yellow pass extracted
  // black, otherwise from the pixels that are pure black.
  if ((mode != SIDE_MODE_SPLIT || back) &&
      ((settings.bFrontBlack == 1 && front) || (settings.bBackBlack == 1 && back))) {
    if (duplex_back) send_panel_clear(printer, 'K');
    separate_and_send(pdev, extracted ? Pass::black_from_mark : Pass::black_pure, 'K', page, rect,
                      tone, false, panel, count);
  }

  if (!split_back &&
      ((settings.bFrontOverlay == 1 && front) || (settings.bBackOverlay == 1 && back))) {
    send_panel_clear(printer, 'O');
    send_overlay_areas(printer, settings.aOverlayArea, count);
  }

  // The page is done: the bitmap turns white again and, when pages alternate
  // sides of one card, the next page is the other side.
  pdev->flJobState &= ~PDEV_PAGE_OPEN;
  EngFreeMem(buffer);
  std::memset(pdev->pvBits, 0xFF, PAGE_BYTES);
  if (mode != SIDE_MODE_SINGLE) pdev->flJobState ^= PDEV_BACK_SIDE;
  return TRUE;
}
