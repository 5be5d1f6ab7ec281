// The tool's jobs over the print service.
#include "ymcko/print_job.h"

#include <nlohmann/json.hpp>

#include "ymcko/device_output.h"
#include "ymcko/errors.h"
#include "ymcko/write_behind.h"

namespace ymcko::tool {

namespace {

// The side as the session takes it.
print::Side session_side(const cards::CardSide& side) {
  if (!side.image) return {side.name, std::nullopt};
  const cards::Image& image = *side.image;
  return {side.name,
          print::ImageView{image.width, image.height, print::PixelFormat::rgba, image.rgba, 0}};
}

// One print session into `out`, fed by `feed`, then committed with the
// device mode file.
template <class Feed>
void print_job(const print::JobOptions& job, JobOutput& out,
               const std::optional<std::filesystem::path>& save_devmode, bool write_behind,
               Feed&& feed) {
  // The device mode's file is made first, so an unwritable folder is
  // reported before any card is drawn.
  std::unique_ptr<JobOutput> devmode_file;
  if (save_devmode) devmode_file = open_output(save_devmode->string());

  std::optional<WriteBehind> behind;
  if (write_behind) behind.emplace(out);
  print::Sink& sink = behind ? static_cast<print::Sink&>(*behind) : out;
  print::PrintSession session(sink, job);
  feed(session);
  session.finish();
  if (behind && !behind->flush()) {
    behind->discard();
    throw ToolError(out.name(), out.failure());
  }
  if (devmode_file) devmode_file->write(session.facts().devmode);
  out.commit();
  if (devmode_file) devmode_file->commit();
}

}  // namespace

void print_cards(const print::JobOptions& job, cards::SideSource& sides, JobOutput& out,
                 const std::optional<std::filesystem::path>& save_devmode, bool write_behind) {
  print_job(job, out, save_devmode, write_behind, [&](print::PrintSession& session) {
    while (std::optional<cards::CardSide> side = sides.next()) {
      const print::Side given = session_side(*side);
      if (given.image) {
        session.add_side(*given.image, given.name, side->stripe);
      } else {
        session.add_blank_side(given.name, side->stripe);
      }
    }
  });
}

void print_cards(const print::JobOptions& job, cards::CardSource& cards, JobOutput& out,
                 const std::optional<std::filesystem::path>& save_devmode, bool write_behind) {
  print_job(job, out, save_devmode, write_behind, [&](print::PrintSession& session) {
    while (std::optional<cards::Card> card = cards.next()) {
      std::optional<print::Side> back;
      if (card->back) back = session_side(*card->back);
      session.add_card(session_side(card->front), back, card->front.stripe);
    }
  });
}

void print_info(const print::JobOptions& job, bool json, std::ostream& out) {
  const print::DeviceFacts facts = print::describe_device(job);

  nlohmann::ordered_json info;
  info["resolution_dpi"] = facts.resolution_dpi;
  info["orientation"] = facts.landscape ? "landscape" : "portrait";
  info["page_dots"] = {facts.page_width, facts.page_height};
  info["page_micrometres"] = {facts.page_width_micrometres, facts.page_height_micrometres};
  info["paper_dots"] = {facts.paper_width, facts.paper_height};
  info["printable_offset_dots"] = {facts.printable_x, facts.printable_y};
  info["form"] = {{"name", facts.form_name},
                  {"page_size_option", facts.page_size_option},
                  {"paper_psreal", {facts.paper_psreal.first, facts.paper_psreal.second}},
                  {"printable_psreal", facts.printable_psreal}};
  info["copies"] = facts.copies;
  nlohmann::ordered_json features = nlohmann::ordered_json::array();
  for (const print::Feature& feature : facts.features) {
    nlohmann::ordered_json options = nlohmann::ordered_json::array();
    for (const print::FeatureOption& option : feature.options) {
      nlohmann::ordered_json entry{{"keyword", option.keyword}};
      if (option.name) entry["name"] = *option.name;
      if (option.paper_micrometres) {
        entry["paper_micrometres"] = {option.paper_micrometres->first,
                                      option.paper_micrometres->second};
      }
      options.push_back(entry);
    }
    features.push_back(
        {{"feature", feature.keyword}, {"default", feature.default_option}, {"options", options}});
  }
  info["features"] = features;

  if (json) {
    out << info.dump(2) << "\n";
    return;
  }
  out << "Resolution:      " << facts.resolution_dpi << " dpi\n"
      << "Orientation:     " << (facts.landscape ? "landscape" : "portrait") << "\n"
      << "Page:            " << facts.page_width << " x " << facts.page_height << " dots, "
      << facts.page_width_micrometres << " x " << facts.page_height_micrometres << " micrometres\n"
      << "Paper:           " << facts.paper_width << " x " << facts.paper_height
      << " dots, printable from (" << facts.printable_x << ", " << facts.printable_y << ")\n"
      << "Form:            " << facts.form_name << " (page size " << facts.page_size_option << ")\n"
      << "Copies:          " << facts.copies << "\n"
      << "Description:\n";
  for (const print::Feature& feature : facts.features) {
    out << "  " << feature.keyword << ":";
    for (const print::FeatureOption& option : feature.options) {
      out << " " << option.keyword;
      if (option.name) out << " (" << *option.name << ")";
    }
    out << "\n";
  }
}

}  // namespace ymcko::tool
