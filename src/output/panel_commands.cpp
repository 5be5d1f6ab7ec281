// The panel commands of the printer protocol.
#include "output/panel_commands.h"

#include "engine/engine.h"
#include "output/command_format.h"

namespace ymcko {
namespace {

constexpr char ESC = 0x1B;
constexpr char CR = 0x0D;

void write(HANDLE printer, const void* bytes, std::size_t count) {
  // The driver does not examine spooler write results.
  EngWritePrinter(printer, bytes, static_cast<DWORD>(count), nullptr);
}

}  // namespace

TrailerCount trailer_count(WORD side_mode, LONG copies) {
  TrailerCount count{};
  if (side_mode == SIDE_MODE_DUPLEX) {
    FormatIntegerList(count.text, "4", 1);
  } else {
    FormatIntegerList(count.text, "4", copies);
  }
  return count;
}

void send_panel_clear(HANDLE printer, char panel) {
  char command[8];
  ULONG n = myprintf(command, "%cc%c%c", ESC, panel, CR);  // clear panel
  write(printer, command, n);
}

void send_panel(HANDLE printer, char panel, const PrintRect& rect, const InkExtent& extent,
                std::span<const BYTE> panel_bytes, const TrailerCount& count) {
  // Header: ESC "e" p, column (3 digits) and first line (4 digits), "11",
  // the data length in three bytes and the line width in two, most
  // significant first, then "S".
  LONG length = static_cast<LONG>((extent.end - extent.first) * rect.cx);
  BYTE length_bytes[6];
  BYTE width_bytes[6];
  ConvertIntegerToHex(length_bytes, length);
  ConvertIntegerToHex(width_bytes, static_cast<LONG>(rect.cx));
  char position[32];
  FormatIntegerList(position, "34", rect.x, extent.first);
  char command[48];
  ULONG n = myprintf(command, "%ce%c%s11%c%c%c%c%cS", ESC, panel, position, length_bytes[2],
                     length_bytes[1], length_bytes[0], width_bytes[1], width_bytes[0]);
  write(printer, command, n);

  // Data: the inked lines as they are, in one write.
  write(printer, panel_bytes.data() + std::size_t{extent.first} * rect.cx, std::size_t(length));

  // Trailer: CR ends the data block, then ESC "a" p count CR.
  n = myprintf(command, "%c%ca%c%s%c", CR, ESC, panel, count.text, CR);
  write(printer, command, n);
}

void send_overlay_areas(HANDLE printer, std::span<const OVERLAYAREA> areas,
                        const TrailerCount& count) {
  char command[48];
  char digits[40];
  LONG number = 0;
  for (const OVERLAYAREA& area : areas) {
    // Only areas to send that lie on the card: the digits then keep their widths.
    if (!overlay_area_on_card(area)) continue;
    // Number, first line, first column, last line, last column, and 1 for kind 0.
    FormatIntegerList(digits, "144441", number, area.y, area.x, area.y + area.cy, area.x + area.cx,
                      1 - area.wKind);
    ULONG n = myprintf(command, "%ceO%s%c", ESC, digits, CR);
    write(printer, command, n);
    ++number;
  }
  ULONG n = myprintf(command, "%caO%s%c", ESC, count.text, CR);  // overlay trailer
  write(printer, command, n);
}

}  // namespace ymcko
