// Job and page control: the document header with the print parameters, the
// card start, turn and end, and the magnetic-stripe data ahead of a card's
// front side. Every command is composed here and sent with its own write.
#include <cstdint>
#include <cstring>
#include <span>

#include "engine/engine.h"
#include "output/command_format.h"
#include "output/entry_points.h"
#include "output/escape.h"
#include "output/panel_separation.h"
#include "records/pdev.h"
#include "rt/arith.h"
#include "rt/wide_string.h"
#include "rt/wide_to_multibyte.h"

namespace {

constexpr int ESC = 0x1B;
constexpr int CR = 0x0D;
constexpr int SO = 0x0E;

// Track conversion buffers; each keeps its last byte for the terminator.
constexpr std::size_t TRACK1_BYTES = 100;
constexpr std::size_t TRACK2_BYTES = 100;
constexpr std::size_t TRACK3_BYTES = 150;

// Room for the longest command, track 3 (149 text bytes, "3", SO, CR and the
// terminator), and for the digits of any D or d command.
constexpr std::size_t COMMAND_ROOM = 160;
constexpr std::size_t DIGITS_ROOM = 48;

// Composes one command and writes it to the instance's printer; the spooler's
// result is not examined.
template <typename... Args>
void send_command(PDEV* pdev, const char* format, const Args&... args) {
  char command[COMMAND_ROOM];
  ULONG count = myprintf(command, format, args...);
  DWORD written = 0;
  EngWritePrinter(pdev->hPrinter, command, count, &written);
}

// The card end, sent between cards and at the end of every document.
void send_card_end(PDEV* pdev) { send_command(pdev, "%c%c%c", ESC, 0x04, CR); }

// The printer-wide properties this file reads; an instance without its
// record behaves as a printer without encoder and with job number 0.
bool has_mag_encoder(const PDEV* pdev) {
  return pdev->pPrinterData != nullptr && pdev->pPrinterData->bMagEncoder == 1;
}
WORD job_r_value(const PDEV* pdev) {
  return pdev->pPrinterData != nullptr ? pdev->pPrinterData->wJobRValue : 0;
}

// The D and d command fields. Each product is formed in 32 bits and taken as
// unsigned, the rest in double, so every int32 setting gives a defined
// result; all results lie well within a LONG, so the conversion back, which
// truncates toward zero as the printer expects, is always defined. For
// settings from 0 to 100: A = 500 - 5 v, B = (155 v + 10050) / 100 and
// V = (12 v + 50) / 100. The caller limits each to its field's width.
LONG d_command_a(LONG start_doc_value1) {
  const std::uint32_t product = static_cast<std::uint32_t>(start_doc_value1) * 500u;
  return static_cast<LONG>(500.0 - product * 0.01 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}
LONG d_command_b(LONG start_doc_value2) {
  const std::uint32_t product = static_cast<std::uint32_t>(start_doc_value2) * 155u;
  return static_cast<LONG>(product * 0.01 + 100.5);
}
LONG lower_d_command_v(LONG start_doc_value3) {
  const std::uint32_t product = static_cast<std::uint32_t>(start_doc_value3) * 12u;
  return static_cast<LONG>(product * 0.01 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}

// Replaces the pool copy of the document name; false when the new copy
// cannot be had (the old one is gone either way).
bool copy_document_name(PDEV* pdev, const WCHAR* name) {
  if (pdev->pwstrDocName != nullptr) {
    HEAPFREE(pdev->hHeap, pdev->pwstrDocName);
    pdev->pwstrDocName = nullptr;
  }
  if (name == nullptr) return true;

  auto bytes =
      ymcko::rt::fit_ulong((std::uint64_t{ymcko::rt::wide_length(name)} + 1) * sizeof(WCHAR));
  if (!bytes) return false;
  auto* copy = static_cast<PWSTR>(HEAPALLOC(pdev->hHeap, *bytes));
  if (copy == nullptr) return false;
  std::memcpy(copy, name, *bytes);
  pdev->pwstrDocName = copy;
  return true;
}

// Converts a track field into the zeroed buffer: at most `field_chars`
// characters are read, up to the first zero (the escapes store raw bytes that
// need not be terminated), and a text too long for the buffer is cut so its
// terminator stays. False when the track is empty.
bool convert_track(std::span<char> buffer, const WCHAR* field, std::size_t field_chars) {
  std::memset(buffer.data(), 0, buffer.size());
  return ymcko::rt::wide_to_multibyte(buffer.first(buffer.size() - 1), field, field_chars) != 0;
}

// The stripe data of a card's front: mode R or W sends the three tracks, each
// with its own write; any other mode sends the Q command alone.
void send_stripe(PDEV* pdev) {
  const DRVPRIVATE& settings = pdev->dm.dmPrivate;
  int letter = 0;
  switch (settings.wMagMode) {
    case MAG_MODE_R:
      letter = 'R';
      break;
    case MAG_MODE_W:
      letter = 'W';
      break;
    default:
      send_command(pdev, "%cM%c%c", ESC, 'Q', CR);
      return;
  }

  char track1[TRACK1_BYTES];
  if (convert_track(track1, settings.awcTrack1, TRACK1_CHARS)) {
    send_command(pdev, "%cM%c1%s%c", ESC, letter, track1, SO);
  } else {
    send_command(pdev, "%cM%c1%c", ESC, letter, SO);
  }

  char track2[TRACK2_BYTES];
  if (convert_track(track2, settings.awcTrack2, TRACK2_CHARS)) {
    send_command(pdev, "2%s%c", track2, SO);
  } else {
    send_command(pdev, "2%c", SO);
  }

  char track3[TRACK3_BYTES];
  if (convert_track(track3, settings.awcTrack3, TRACK3_CHARS)) {
    send_command(pdev, "3%s%c%c", track3, SO, CR);
  } else {
    send_command(pdev, "3%c%c", SO, CR);
  }
}

}  // namespace

// Opens a document: clears the page and card state, keeps the document name
// and sends the header with the print parameters. An instance made by a
// device reset within the document sends nothing, as the printer has them.
BOOL DrvStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD) {
  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return FALSE;

  pdev->flJobState |= PDEV_DOC_STARTED;
  if ((pdev->flJobState & PDEV_RESET_IN_DOC) != 0) return TRUE;

  pdev->flJobState &= ~(PDEV_PAGE_OPEN | PDEV_BACK_SIDE | PDEV_CARD_IN);
  pdev->cPages = 0;
  if (!copy_document_name(pdev, pwszDocName)) return FALSE;

  DRVPRIVATE& settings = pdev->dm.dmPrivate;
  char digits[DIGITS_ROOM];

  // Document header with the printer's job number.
  FormatIntegerList(digits, "2", job_r_value(pdev));
  send_command(pdev, "%cR%s%c", ESC, digits, CR);

  // P command: the D form when asked for, else the L form.
  if (settings.wPCommandForm == 1) {
    send_command(pdev, "%cPD%c", ESC, CR);
  } else {
    send_command(pdev, "%cPL%c", ESC, CR);
  }

  // Print parameters: D carries the first value, the colour level and the
  // second value; d carries the third value. Each field is limited to its
  // width, so the commands keep their 13 characters whatever the record holds.
  ymcko::format_fixed_fields(digits, "4234", d_command_a(settings.lStartDocValue1),
                             static_cast<LONG>(ymcko::intensity_level(settings.lColorIntensity)), 0,
                             d_command_b(settings.lStartDocValue2));
  send_command(pdev, "%cD%s%c", ESC, digits, CR);
  ymcko::format_fixed_fields(digits, "4234", 0, lower_d_command_v(settings.lStartDocValue3), 0, 0);
  send_command(pdev, "%cd%s%c", ESC, digits, CR);

  // Split mode: colour and overlay on the front, black alone on the back.
  if (settings.wSideMode == SIDE_MODE_SPLIT) {
    settings.bFrontColor = 1;
    settings.bFrontBlack = 0;
    settings.bFrontOverlay = 1;
    settings.bBackColor = 0;
    settings.bBackBlack = 1;
    settings.bBackOverlay = 0;
  }
  return TRUE;
}

// Starts a page: ends a finished card, sends the stripe ahead of a front
// side, then feeds a new card or turns the current one. In side mode 0 every
// page is the front of a new card, whatever the back-side bit says; any side
// mode other than 0 alternates front and back like mode 1.
BOOL DrvStartPage(SURFOBJ* pso) {
  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return FALSE;
  if ((pdev->flJobState & PDEV_PAGE_OPEN) != 0) return TRUE;

  const bool back =
      pdev->dm.dmPrivate.wSideMode != SIDE_MODE_SINGLE && (pdev->flJobState & PDEV_BACK_SIDE) != 0;

  if ((pdev->flJobState & PDEV_CARD_IN) != 0 && !back) {
    send_card_end(pdev);
    pdev->flJobState &= ~PDEV_CARD_IN;
  }

  if (has_mag_encoder(pdev) && !back) send_stripe(pdev);

  if (back) {
    send_command(pdev, "%c%c%c", ESC, 'f', CR);  // turn card
  } else {
    send_command(pdev, "%c%c%c", ESC, 0x01, CR);  // card start
    pdev->flJobState |= PDEV_CARD_IN;
  }

  ++pdev->cPages;
  pdev->flJobState |= PDEV_PAGE_OPEN;
  return TRUE;
}

// Ends the document, normal or aborted alike: clears the document state and
// sends the card end, even when no card was started.
BOOL DrvEndDoc(SURFOBJ* pso, FLONG) {
  PDEV* pdev = validated_instance(pso);
  if (pdev == nullptr) return FALSE;

  pdev->flJobState &= ~(PDEV_DOC_STARTED | PDEV_RESET_IN_DOC | PDEV_BACK_SIDE | PDEV_CARD_IN);
  send_card_end(pdev);
  return TRUE;
}
