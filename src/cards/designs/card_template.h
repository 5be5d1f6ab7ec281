// Card designs with variable data: an SVG template whose text holds
// {{column}} placeholders, filled from one row of a CSV data file, its photos
// embedded, rendered with librsvg onto the page, and its code rectangles
// drawn as whole-dot barcodes in pure black.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cards/designs/data_file.h"
#include "cards/images/image.h"
#include "cards/images/svg_renderer.h"
#include "cards/sides/card_source.h"
#include "print/errors.h"
#include "print/fit.h"
#include "print/stripe.h"

namespace ymcko::cards {

// A rectangle marked as a code: its symbology, its value as written (may
// hold placeholders) and its place in the template's user units.
struct CodeSlot {
  std::string kind;  // qr, code128, code39, pdf417, datamatrix, ean13
  std::string value;
  double x = 0, y = 0, width = 0, height = 0;
};

// A parsed template. Loading refuses, naming the template, an SVG that is
// not well formed, and a reference to anything but the document itself, a
// data: URI or a file, relative to the template, inside the template's or
// the data file's folder; files it names are read then.
class CardTemplate {
 public:
  CardTemplate(const std::filesystem::path& path, const std::filesystem::path& data_folder);

  const std::string& name() const { return name_; }
  // Every placeholder's column, in the order they first appear.
  const std::vector<std::string>& placeholders() const { return placeholders_; }
  const std::vector<CodeSlot>& codes() const { return codes_; }
  // The columns whose values name photos, relative to the data file's folder.
  const std::vector<std::string>& photo_columns() const { return photo_columns_; }

  // What would stop this row's card, one message per problem: a missing or
  // unreadable photo, a value a code cannot encode. Placeholders without a
  // column are the caller's to check against the header.
  std::vector<print::Error> row_problems(const DataRow& row) const;

  // The SVG text for a row: placeholders replaced (XML-escaped by the
  // writer), photos embedded as data: URIs, code rectangles taken out and
  // returned in `codes` with their values filled in.
  std::string fill(const DataRow& row, std::vector<CodeSlot>& codes) const;

  // The card side for a row, `width` x `height` pixels (300 dpi), opaque,
  // drawn by `renderer` within its bounds. Throws print::Error naming the
  // row for anything row_problems reports, and naming the template for a
  // side the renderer refuses or that is beyond its bounds.
  Image render(const DataRow& row, std::uint32_t width, std::uint32_t height, print::FitMode fit,
               SvgRenderer& renderer) const;

 private:
  std::string name_;
  std::filesystem::path folder_;
  std::string text_;  // the SVG as read
  std::vector<std::string> placeholders_;
  std::vector<CodeSlot> codes_;
  std::vector<std::string> photo_columns_;       // columns whose values name photos
  std::map<std::string, std::string> embedded_;  // a static image's reference: its data: URI
};

// A template run: the data file and the templates of the fronts and backs.
struct TemplateRun {
  DataFile data;
  std::shared_ptr<const CardTemplate> front;
  std::shared_ptr<const CardTemplate> back;  // none: white backs
};

// With `rows`, the run has only the data rows it chooses.
TemplateRun load_template_run(const std::filesystem::path& front,
                              const std::optional<std::filesystem::path>& back,
                              const std::filesystem::path& data, const RowChoice* rows = nullptr);

// Everything that would stop the run, one error per problem, in row order: a
// placeholder with no column, a photo that is missing or not an image, a
// value a code cannot encode, a stripe the printer or the job's stripe rules
// refuse (the row's tracks over `job_stripe`; `name` names the settings).
std::vector<print::Error> template_problems(const TemplateRun& run, const print::Stripe& job_stripe,
                                            const print::StripeRules& rules,
                                            print::SettingName name = print::key_name);

// The placeholders and codes of each template and the rows, as lines.
void list_template_run(const TemplateRun& run, std::ostream& out);

// A back template in a job of side mode 0, which prints every page on a
// new card, refused naming the template.
void check_template_backs(const TemplateRun& run, int side_mode);

// The page a run's sides are drawn on, and the bounds of each side.
struct TemplatePage {
  std::uint32_t width;
  std::uint32_t height;
  print::FitMode fit;
  RenderLimits limits{};
};

// The threads, each with its renderer, that render a run's sides.
std::size_t template_workers();

// The cards of the run in job order, rendered ahead on worker threads: per
// row a front with the row's stripe, and its back where the run has a back
// template (the print session prints the others white). A side refused
// ends the renderings under way with the run.
std::unique_ptr<CardSource> template_cards(std::shared_ptr<const TemplateRun> run,
                                           const print::Stripe& job_stripe,
                                           const print::StripeRules& rules, TemplatePage page,
                                           CardProgress progress);

}  // namespace ymcko::cards
