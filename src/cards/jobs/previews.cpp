// Card sides read back from a job's panels, and their pictures.
#include "cards/jobs/previews.h"

#include <algorithm>
#include <cstdio>
#include <variant>

#include "cards/images/png_write.h"
#include "print/errors.h"

namespace ymcko::cards {
namespace {

namespace js = jobstream;

int panel_index(char letter) {
  switch (letter) {
    case 'Y':
      return 0;
    case 'M':
      return 1;
    case 'C':
      return 2;
    case 'K':
      return 3;
    default:
      return -1;
  }
}

constexpr const char* kPanelNames[] = {"yellow", "magenta", "cyan", "black"};

std::string side_name(const SidePrint& side) {
  char name[32];
  std::snprintf(name, sizeof name, "card-%03zu-%s", side.card, side.back ? "back" : "front");
  return name;
}

}  // namespace

std::vector<SidePrint> card_sides(const std::vector<js::Command>& commands) {
  std::vector<SidePrint> sides;
  std::size_t cards = 0;
  for (const js::Command& command : commands) {
    if (std::holds_alternative<js::CardStart>(command.body)) {
      sides.push_back(SidePrint{++cards, false, {}, false, {}});
    } else if (std::holds_alternative<js::CardTurn>(command.body)) {
      sides.push_back(SidePrint{cards, true, {}, false, {}});
    } else if (sides.empty()) {
      continue;
    } else if (const auto* panel = std::get_if<js::Panel>(&command.body)) {
      int index = panel_index(panel->panel);
      if (index < 0) continue;
      auto& canvas = sides.back().panels[std::size_t(index)];
      canvas.assign(std::size_t(kPanelColumns) * kPanelLines, 0);
      for (unsigned line = 0; line < panel->lines(); ++line) {
        for (unsigned column = 0; column < panel->line_width; ++column) {
          const unsigned y = panel->first_line + line;
          const unsigned x = panel->column + column;
          if (y < kPanelLines && x < kPanelColumns) {
            canvas[std::size_t(y) * kPanelColumns + x] =
                panel->data[std::size_t(line) * panel->line_width + column];
          }
        }
      }
    } else if (const auto* area = std::get_if<js::OverlayArea>(&command.body)) {
      sides.back().overlay_areas.push_back(*area);
    } else if (std::holds_alternative<js::OverlayTrailer>(command.body)) {
      sides.back().overlay = true;
    }
  }
  return sides;
}

std::vector<std::uint8_t> preview(const SidePrint& side) {
  const std::size_t pixels = std::size_t(kPanelColumns) * kPanelLines;
  std::vector<std::uint8_t> rgb(pixels * 3);
  auto ink = [&](int panel, std::size_t at) -> unsigned {
    const auto& canvas = side.panels[std::size_t(panel)];
    return canvas.empty() ? 0 : canvas[at];
  };
  for (std::size_t at = 0; at < pixels; ++at) {
    // Each ink takes away its complementary light; black takes from all.
    const unsigned remaining_black = 255 - ink(3, at);
    const unsigned light[3] = {255 - ink(2, at), 255 - ink(1, at), 255 - ink(0, at)};
    for (int c = 0; c < 3; ++c)
      rgb[at * 3 + std::size_t(c)] = std::uint8_t((light[c] * remaining_black + 127) / 255);
  }
  if (side.overlay) {
    auto outline = [&](unsigned x0, unsigned y0, unsigned x1, unsigned y1) {
      auto mark = [&](unsigned x, unsigned y) {
        if (x >= kPanelColumns || y >= kPanelLines) return;
        std::uint8_t* p = &rgb[(std::size_t(y) * kPanelColumns + x) * 3];
        p[0] = 0, p[1] = 170, p[2] = 255;
      };
      for (unsigned width = 0; width < 2; ++width) {
        for (unsigned x = x0; x <= x1; ++x) mark(x, y0 + width), mark(x, y1 - std::min(width, y1));
        for (unsigned y = y0; y <= y1; ++y) mark(x0 + width, y), mark(x1 - std::min(width, x1), y);
      }
    };
    if (side.overlay_areas.empty()) outline(0, 0, kPanelColumns - 1, kPanelLines - 1);
    for (const auto& area : side.overlay_areas) {
      outline(area.first_column, area.first_line, area.last_column, area.last_line);
    }
  }
  return rgb;
}

Picture held_preview(const SidePrint& side, bool landscape) {
  Picture portrait{kPanelColumns, kPanelLines, preview(side)};
  if (!landscape) return portrait;
  // A landscape page lies on the panel with its rows along the panel's
  // columns: the picture is the panel's transposed.
  Picture held{kPanelLines, kPanelColumns, std::vector<std::uint8_t>(portrait.rgb.size())};
  for (std::uint32_t line = 0; line < kPanelLines; ++line) {
    for (std::uint32_t column = 0; column < kPanelColumns; ++column) {
      const std::size_t from = (std::size_t(line) * kPanelColumns + column) * 3;
      const std::size_t to = (std::size_t(column) * kPanelLines + line) * 3;
      std::copy_n(&portrait.rgb[from], 3, &held.rgb[to]);
    }
  }
  return held;
}

std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw print::Error(folder.string(),
                       "cannot create the folder: " + (error ? error.message() : "not a folder"));
  }
  std::vector<std::filesystem::path> written;
  for (const SidePrint& side : sides) {
    const std::string name = side_name(side);
    for (std::size_t panel = 0; panel < 4; ++panel) {
      if (side.panels[panel].empty()) continue;
      std::vector<std::uint8_t> grey(side.panels[panel].size());
      for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = std::uint8_t(255 - side.panels[panel][i]);
      written.push_back(folder / (name + "-" + kPanelNames[panel] + ".png"));
      write_png(written.back(), kPanelColumns, kPanelLines, 1, grey);
    }
    if (side.overlay) {
      // The overlay as a panel: dark where it is laid.
      std::vector<std::uint8_t> grey(std::size_t(kPanelColumns) * kPanelLines,
                                     side.overlay_areas.empty() ? 0 : 255);
      for (const auto& area : side.overlay_areas) {
        for (unsigned y = area.first_line; y <= area.last_line && y < kPanelLines; ++y) {
          for (unsigned x = area.first_column; x <= area.last_column && x < kPanelColumns; ++x) {
            grey[std::size_t(y) * kPanelColumns + x] = 0;
          }
        }
      }
      written.push_back(folder / (name + "-overlay.png"));
      write_png(written.back(), kPanelColumns, kPanelLines, 1, grey);
    }
    written.push_back(folder / (name + ".png"));
    write_png(written.back(), kPanelColumns, kPanelLines, 3, preview(side));
  }
  return written;
}

}  // namespace ymcko::cards
