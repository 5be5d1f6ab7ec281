// Job listing, checks and previews.
#include "ymcko/inspect.h"

#include <nlohmann/json.hpp>

#include <variant>

#include "cards/jobs/job_stream.h"
#include "cards/jobs/previews.h"
#include "ymcko/errors.h"

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

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

void inspect_job(const std::filesystem::path& job, const InspectOptions& options,
                 std::ostream& out) {
  // The job is read as it comes: each command is listed (or kept as its
  // JSON, which holds no panel data) and each side's previews are written
  // once the side is whole, so no more than a card is held at a time.
  json commands = json::array();
  std::vector<std::filesystem::path> written;
  bool folder_made = false;
  const cards::PreviewFiles files{options.landscape, options.panels};
  cards::JobStream stream(
      cards::JobStream::Handlers{[&](const js::Command& command) {
                                   if (options.json) {
                                     commands.push_back(command_json(command));
                                   } else {
                                     out << js::describe(command) << "\n";
                                   }
                                 },
                                 [&](cards::SidePrint&& side) {
                                   if (!options.png_folder) return;
                                   if (!folder_made) {
                                     folder_made = !std::filesystem::exists(*options.png_folder);
                                     cards::make_preview_folder(*options.png_folder);
                                   }
                                   std::vector<std::filesystem::path> more =
                                       cards::write_side_previews(side, *options.png_folder, files);
                                   written.insert(written.end(), more.begin(), more.end());
                                 }});
  const std::optional<js::ReadError> error = cards::read_job_file(job, stream);
  if (error) {
    // A job found malformed late keeps no previews of its first cards.
    std::error_code ignored;
    for (const auto& path : written) std::filesystem::remove(path, ignored);
    if (folder_made) std::filesystem::remove(*options.png_folder, ignored);
    written.clear();
  }

  if (options.json) {
    json document = {{"job", job.string()}, {"bytes", stream.bytes()}, {"valid", !error}};
    document["commands"] = std::move(commands);
    if (error) {
      document["error"] = {{"offset", error->offset}, {"expected", error->expected}};
    } else {
      document["cards"] = stream.cards();
      document["sides"] = stream.sides();
      document["previews"] = json::array();
      for (const auto& path : written) document["previews"].push_back(path.string());
    }
    // A job's name or text that is not UTF-8 shows U+FFFD where its bytes were.
    out << document.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
  } else if (!error) {
    out << "valid job: " << plural(stream.commands(), "command", "commands") << ", "
        << plural(stream.cards(), "card", "cards") << ", "
        << plural(stream.sides(), "card side", "card sides") << ", "
        << plural(stream.bytes(), "byte", "bytes") << "\n";
    for (const auto& path : written) out << "preview: " << path.string() << "\n";
  }
  out.flush();
  if (error) {
    throw ToolError(job.string(), "malformed job at offset " + std::to_string(error->offset) +
                                      ": expected " + error->expected);
  }
}

}  // namespace ymcko::tool
