// Card sides read back from a job's panels, and their pictures.
#include "cards/jobs/previews.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <variant>

#include "cards/images/image.h"
#include "cards/images/png_write.h"
#include "cards/sides/demo_card.h"
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

std::optional<SidePrint> SideAssembler::take(const js::Command& command) {
  std::optional<SidePrint> done;
  if (std::holds_alternative<js::Stripe>(command.body)) {
    stripe_ahead_ = true;
  } else if (std::holds_alternative<js::CardStart>(command.body)) {
    done = std::exchange(side_, std::nullopt);
    side_ = SidePrint{++cards_, false, {}, false, {}, stripe_ahead_};
    stripe_ahead_ = false;
  } else if (std::holds_alternative<js::CardTurn>(command.body)) {
    done = std::exchange(side_, std::nullopt);
    side_ = SidePrint{cards_, true, {}, false, {}, done ? done->stripe : false};
  } else if (std::holds_alternative<js::CardEnd>(command.body)) {
    done = std::exchange(side_, std::nullopt);
  } else if (!side_) {
    return done;
  } else if (const auto* panel = std::get_if<js::Panel>(&command.body)) {
    int index = panel_index(panel->panel);
    if (index < 0) return done;
    auto& canvas = side_->panels[std::size_t(index)];
    canvas.assign(std::size_t(kPanelColumns) * kPanelLines, 0);
    const unsigned width = panel->column < kPanelColumns
                               ? std::min(panel->line_width, kPanelColumns - panel->column)
                               : 0;
    for (unsigned line = 0; line < panel->lines() && width > 0; ++line) {
      const unsigned y = panel->first_line + line;
      if (y >= kPanelLines) break;
      std::memcpy(&canvas[std::size_t(y) * kPanelColumns + panel->column],
                  &panel->data[std::size_t(line) * panel->line_width], width);
    }
  } else if (const auto* area = std::get_if<js::OverlayArea>(&command.body)) {
    side_->overlay_areas.push_back(*area);
  } else if (std::holds_alternative<js::OverlayTrailer>(command.body)) {
    side_->overlay = true;
  }
  return done;
}

std::optional<SidePrint> SideAssembler::finish() { return std::exchange(side_, std::nullopt); }

std::vector<SidePrint> card_sides(const std::vector<js::Command>& commands) {
  std::vector<SidePrint> sides;
  SideAssembler assembler;
  for (const js::Command& command : commands) {
    if (auto side = assembler.take(command)) sides.push_back(std::move(*side));
  }
  if (auto side = assembler.finish()) sides.push_back(std::move(*side));
  return sides;
}

namespace {

// The inks multiplied on white, in the panel's frame.
std::vector<std::uint8_t> inked(const SidePrint& side) {
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
  return rgb;
}

constexpr std::uint8_t kOverlayColour[3] = {0, 170, 255};
constexpr std::uint8_t kStripeColour[3] = {110, 70, 20};

void set_pixel(std::vector<std::uint8_t>& rgb, unsigned x, unsigned y, const std::uint8_t* colour) {
  if (x >= kPanelColumns || y >= kPanelLines) return;
  std::uint8_t* p = &rgb[(std::size_t(y) * kPanelColumns + x) * 3];
  p[0] = colour[0], p[1] = colour[1], p[2] = colour[2];
}

// The overlay areas outlined two pixels wide inside their edges, in the
// panel's frame; the whole card when the overlay has no areas.
void outline_overlay(const SidePrint& side, std::vector<std::uint8_t>& rgb) {
  if (!side.overlay) return;
  auto outline = [&](unsigned x0, unsigned y0, unsigned x1, unsigned y1) {
    auto mark = [&](unsigned x, unsigned y) { set_pixel(rgb, x, y, kOverlayColour); };
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

// The stripe's band on the back, in the panel's frame: tinted, with its long
// edges drawn, dashed and faint when the card had no stripe command.
void mark_stripe(const SidePrint& side, std::vector<std::uint8_t>& rgb) {
  const unsigned alpha = side.stripe ? 110 : 40;  // of 255
  for (unsigned y = 0; y < kPanelLines; ++y) {
    for (unsigned x = kStripeFirstColumn; x < kStripeEndColumn; ++x) {
      std::uint8_t* p = &rgb[(std::size_t(y) * kPanelColumns + x) * 3];
      for (int c = 0; c < 3; ++c)
        p[c] = std::uint8_t((p[c] * (255 - alpha) + kStripeColour[c] * alpha + 127) / 255);
    }
    if (!side.stripe && y % 16 >= 8) continue;
    const unsigned width = side.stripe ? 2 : 1;
    for (unsigned w = 0; w < width; ++w) {
      set_pixel(rgb, kStripeFirstColumn + w, y, kStripeColour);
      set_pixel(rgb, kStripeEndColumn - 1 - w, y, kStripeColour);
    }
  }
}

void fill(Image& image, std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
          const std::uint8_t* colour) {
  for (std::uint32_t row = y; row < y + height && row < image.height; ++row) {
    for (std::uint32_t column = x; column < x + width && column < image.width; ++column) {
      std::uint8_t* p = image.pixel(column, row);
      p[0] = colour[0], p[1] = colour[1], p[2] = colour[2];
    }
  }
}

// The legend strip under the card: the side, then a swatch and a word for
// each mark the picture shows.
void draw_legend(const SidePrint& side, Image& image, std::uint32_t top) {
  constexpr std::uint32_t kScale = 2, kAdvance = 6 * kScale, kGap = 16, kSwatch = 16;
  const std::uint8_t ground[3] = {232, 232, 232};
  fill(image, 0, top, image.width, kHeldLegendHeight, ground);
  const std::uint32_t text_y = top + (kHeldLegendHeight - 7 * kScale) / 2;
  std::uint32_t x = 8;
  auto word = [&](const std::string& text) {
    draw_text(image, x, text_y, text, kScale, 40, 40, 40);
    x += std::uint32_t(text.size()) * kAdvance + kGap;
  };
  word("CARD " + std::to_string(side.card) + (side.back ? " BACK" : " FRONT"));
  if (side.overlay) {
    fill(image, x, text_y + 5, kSwatch, 4, kOverlayColour);
    x += kSwatch + 6;
    word("OVERLAY");
  }
  if (side.back) {
    const std::uint8_t light[3] = {200, 185, 165};
    fill(image, x, text_y, kSwatch, 7 * kScale, side.stripe ? kStripeColour : light);
    x += kSwatch + 6;
    word(side.stripe ? "STRIPE SENT" : "STRIPE");
  } else if (side.stripe) {
    word("STRIPE SENT - ON BACK");
  }
}

}  // namespace

std::vector<std::uint8_t> preview(const SidePrint& side) {
  std::vector<std::uint8_t> rgb = inked(side);
  outline_overlay(side, rgb);
  return rgb;
}

HeldPoint held_point(bool landscape, std::uint32_t column, std::uint32_t line) {
  // The page turned a quarter clockwise onto the panel, turned back: panel
  // line l is page column l, panel column c page row 655 - c.
  if (landscape) return {line, kPanelColumns - 1 - column};
  return {column, line};
}

Picture held_preview(const SidePrint& side, bool landscape) {
  std::vector<std::uint8_t> rgb = inked(side);
  if (side.back) mark_stripe(side, rgb);
  outline_overlay(side, rgb);
  const std::uint32_t width = print::page_width(landscape);
  const std::uint32_t card_height = print::page_height(landscape);
  Picture picture{width, card_height + kHeldLegendHeight, {}};
  picture.rgb.resize(std::size_t(width) * picture.height * 3);
  if (landscape) {
    // Held row y is panel column 655 - y, its pixels the panel's lines.
    for (std::uint32_t y = 0; y < card_height; ++y) {
      std::uint8_t* row = &picture.rgb[std::size_t(y) * width * 3];
      const std::uint8_t* column = &rgb[std::size_t(kPanelColumns - 1 - y) * 3];
      for (std::uint32_t x = 0; x < width; ++x, row += 3, column += std::size_t(kPanelColumns) * 3)
        row[0] = column[0], row[1] = column[1], row[2] = column[2];
    }
  } else {
    std::memcpy(picture.rgb.data(), rgb.data(), rgb.size());
  }
  Image legend = filled_image(width, kHeldLegendHeight, 255, 255, 255);
  draw_legend(side, legend, 0);
  std::uint8_t* out = &picture.rgb[std::size_t(card_height) * width * 3];
  for (std::size_t i = 0, n = std::size_t(width) * kHeldLegendHeight; i < n; ++i)
    std::memcpy(out + i * 3, &legend.rgba[i * 4], 3);
  return picture;
}

void make_preview_folder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw print::Error(folder.string(),
                       "cannot create the folder: " + (error ? error.message() : "not a folder"));
  }
}

std::vector<std::filesystem::path> write_side_previews(const SidePrint& side,
                                                       const std::filesystem::path& folder,
                                                       const PreviewFiles& files) {
  std::vector<std::filesystem::path> written;
  const std::string name = side_name(side);
  if (files.panels) {
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
  }
  const Picture held = held_preview(side, files.landscape);
  written.push_back(folder / (name + ".png"));
  write_png(written.back(), held.width, held.height, 3, held.rgb);
  return written;
}

std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder,
                                                  const PreviewFiles& files) {
  make_preview_folder(folder);
  std::vector<std::filesystem::path> written;
  for (const SidePrint& side : sides) {
    std::vector<std::filesystem::path> more = write_side_previews(side, folder, files);
    written.insert(written.end(), more.begin(), more.end());
  }
  return written;
}

}  // namespace ymcko::cards
