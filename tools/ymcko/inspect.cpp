// Job listing, checks and previews.
#include "ymcko/inspect.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "print/files.h"
#include "ymcko/errors.h"
#include "ymcko/image_io.h"

namespace ymcko::tool {
namespace {

namespace js = jobstream;
using nlohmann::json;

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

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

bool positive_count(const std::string& count) {
  return count.find_first_not_of("0") != std::string::npos;
}

// The structural check over commands the reader accepted; the first fault.
std::optional<js::ReadError> check_structure(const std::vector<js::Command>& commands) {
  bool card_in = false;
  unsigned next_area = 0;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const js::Command& command = commands[i];
    auto fault = [&](std::string what) { return js::ReadError{command.offset, std::move(what)}; };
    const bool is_header = std::holds_alternative<js::DocumentHeader>(command.body);
    if (i == 0 && !is_header) return fault("the document header (ESC \"R\") opening the job");
    if (i > 0 && is_header) return fault("one document header only, at the start");
    std::optional<js::ReadError> error = std::visit(
        Overloaded{
            [&](const js::CardStart&) -> std::optional<js::ReadError> {
              if (card_in) return fault("a card end before the next card start");
              card_in = true;
              return std::nullopt;
            },
            [&](const js::CardEnd&) -> std::optional<js::ReadError> {
              card_in = false;
              return std::nullopt;
            },
            [&](const js::CardTurn&) -> std::optional<js::ReadError> {
              if (!card_in) return fault("a card in the printer to turn");
              return std::nullopt;
            },
            [&](const js::PanelClear& c) -> std::optional<js::ReadError> {
              if (!card_in) return fault("a card in the printer before panel commands");
              if (c.panel == 'O') next_area = 0;
              return std::nullopt;
            },
            [&](const js::Panel& c) -> std::optional<js::ReadError> {
              if (!card_in) return fault("a card in the printer before panel data");
              if (c.column + c.line_width > kPanelColumns) {
                return fault("panel lines within 656 columns (column " + std::to_string(c.column) +
                             " + width " + std::to_string(c.line_width) + ")");
              }
              if (c.first_line + c.lines() > kPanelLines) {
                return fault("panel lines within 1024 lines (first line " +
                             std::to_string(c.first_line) + " + " + std::to_string(c.lines()) +
                             " lines)");
              }
              if (!positive_count(c.count))
                return fault("a copy count of at least 1 in the panel trailer");
              return std::nullopt;
            },
            [&](const js::OverlayArea& c) -> std::optional<js::ReadError> {
              if (!card_in) return fault("a card in the printer before overlay areas");
              if (c.number != next_area)
                return fault("overlay area number " + std::to_string(next_area));
              ++next_area;
              if (c.first_line > c.last_line || c.last_line >= kPanelLines ||
                  c.first_column > c.last_column || c.last_column >= kPanelColumns) {
                return fault("an overlay area with first before last inside 656 x 1024");
              }
              if (c.flag > 1) return fault("an overlay area flag of 0 or 1");
              return std::nullopt;
            },
            [&](const js::OverlayTrailer& c) -> std::optional<js::ReadError> {
              if (!card_in) return fault("a card in the printer before the overlay end");
              if (!positive_count(c.count))
                return fault("a copy count of at least 1 in the overlay end");
              next_area = 0;
              return std::nullopt;
            },
            [](const auto&) -> std::optional<js::ReadError> { return std::nullopt; },
        },
        command.body);
    if (error) return error;
  }
  if (!commands.empty() && !std::holds_alternative<js::CardEnd>(commands.back().body)) {
    const js::Command& last = commands.back();
    return js::ReadError{last.offset + last.length, "the card end (ESC 0x04 CR) closing the job"};
  }
  return std::nullopt;
}

json command_json(const js::Command& command) {
  json out = {{"offset", command.offset}, {"length", command.length}};
  std::visit(Overloaded{
                 [&](const js::DocumentHeader& c) {
                   out["command"] = "document header", out["number"] = c.number;
                 },
                 [&](const js::PCommand& c) {
                   out["command"] = "P command", out["form"] = std::string(1, c.form);
                 },
                 [&](const js::ParameterCommand& c) {
                   out["command"] = c.letter == 'D' ? "D parameters" : "d parameters";
                   out["text"] = c.text;
                   if (c.fields) out["fields"] = *c.fields;
                 },
                 [&](const js::CardStart&) { out["command"] = "card start"; },
                 [&](const js::CardTurn&) { out["command"] = "card turn"; },
                 [&](const js::CardEnd&) { out["command"] = "card end"; },
                 [&](const js::Stripe& c) {
                   // Track bytes are ISO-8859-1; JSON carries them as the same code points.
                   auto latin1 = [](const std::string& bytes) {
                     std::string utf8;
                     for (unsigned char b : bytes) {
                       if (b < 0x80) {
                         utf8 += char(b);
                       } else {
                         utf8 += char(0xC0 | b >> 6);
                         utf8 += char(0x80 | (b & 0x3F));
                       }
                     }
                     return utf8;
                   };
                   out["command"] = "magnetic stripe";
                   out["mode"] = std::string(1, c.mode);
                   if (c.mode != 'Q') {
                     out["tracks"] = {latin1(c.track1), latin1(c.track2), latin1(c.track3)};
                   }
                 },
                 [&](const js::PanelClear& c) {
                   out["command"] = "panel clear", out["panel"] = std::string(1, c.panel);
                 },
                 [&](const js::Panel& c) {
                   out["command"] = "panel";
                   out["panel"] = std::string(1, c.panel);
                   out["column"] = c.column;
                   out["first_line"] = c.first_line;
                   out["lines"] = c.lines();
                   out["line_width"] = c.line_width;
                   out["data_bytes"] = c.data.size();
                   out["copies"] = c.count;
                 },
                 [&](const js::OverlayArea& c) {
                   out["command"] = "overlay area";
                   out["number"] = c.number;
                   out["first_line"] = c.first_line;
                   out["first_column"] = c.first_column;
                   out["last_line"] = c.last_line;
                   out["last_column"] = c.last_column;
                   out["flag"] = c.flag;
                 },
                 [&](const js::OverlayTrailer& c) {
                   out["command"] = "overlay end", out["copies"] = c.count;
                 },
             },
             command.body);
  return out;
}

std::string side_name(const SidePrint& side) {
  char name[32];
  std::snprintf(name, sizeof name, "card-%03zu-%s", side.card, side.back ? "back" : "front");
  return name;
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

js::ReadResult check_job(std::span<const std::uint8_t> job) {
  js::ReadResult result = js::read_commands(job);
  if (job.empty()) {
    result.error = js::ReadError{0, "at least one command (the file is empty)"};
  } else if (!result.error) {
    result.error = check_structure(result.commands);
  }
  return result;
}

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

std::vector<std::filesystem::path> write_previews(const std::vector<SidePrint>& sides,
                                                  const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw ToolError(folder.string(),
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

void inspect_job(const std::filesystem::path& job, const InspectOptions& options,
                 std::ostream& out) {
  std::vector<std::uint8_t> bytes = print::read_file(job, print::kJobFileLimit);
  js::ReadResult result = check_job(bytes);
  std::vector<SidePrint> sides;
  if (!result.error) sides = card_sides(result.commands);
  std::size_t cards = 0;
  for (const SidePrint& side : sides) cards = std::max(cards, side.card);

  std::vector<std::filesystem::path> written;
  if (!result.error && options.png_folder) written = write_previews(sides, *options.png_folder);

  if (options.json) {
    json document = {{"job", job.string()}, {"bytes", bytes.size()}, {"valid", !result.error}};
    document["commands"] = json::array();
    for (const auto& command : result.commands)
      document["commands"].push_back(command_json(command));
    if (result.error) {
      document["error"] = {{"offset", result.error->offset}, {"expected", result.error->expected}};
    } else {
      document["cards"] = cards;
      document["sides"] = sides.size();
      document["previews"] = json::array();
      for (const auto& path : written) document["previews"].push_back(path.string());
    }
    // A job's name or text that is not UTF-8 shows U+FFFD where its bytes were.
    out << document.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
  } else {
    for (const auto& command : result.commands) out << js::describe(command) << "\n";
    if (!result.error) {
      out << "valid job: " << plural(result.commands.size(), "command", "commands") << ", "
          << plural(cards, "card", "cards") << ", "
          << plural(sides.size(), "card side", "card sides") << ", "
          << plural(bytes.size(), "byte", "bytes") << "\n";
      for (const auto& path : written) out << "preview: " << path.string() << "\n";
    }
  }
  out.flush();
  if (result.error) {
    throw ToolError(job.string(), "malformed job at offset " +
                                      std::to_string(result.error->offset) + ": expected " +
                                      result.error->expected);
  }
}

}  // namespace ymcko::tool
