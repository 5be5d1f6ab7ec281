// SVG card templates: placeholders, embedded photos, rendering and codes.
#include "cards/designs/card_template.h"

#include <glib.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>

#include "cards/designs/code_symbol.h"
#include "cards/designs/svg_transform.h"
#include "cards/images/image_file.h"
#include "cards/images/svg_module.h"
#include "print/files.h"

namespace ymcko::cards {
namespace {

// A template may carry its fixed images within it.
constexpr print::FileLimit kTemplateFileLimit{16u << 20, "a template"};

using XmlDoc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

std::string text_of(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

const xmlChar* xml(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Parses SVG text without touching the network or loading any DTD; throws
// print::Error naming `name` with the parser's line and message.
XmlDoc parse_svg(const std::string& text, const std::string& name) {
  static const bool initialised = (xmlInitParser(), true);
  (void)initialised;
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                       xmlFreeParserCtxt);
  if (!context) throw print::Error(name, "out of memory");
  XmlDoc doc(xmlCtxtReadMemory(context.get(), text.data(), int(text.size()), nullptr, nullptr,
                               XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
             xmlFreeDoc);
  if (!doc) {
    const xmlError& error = context->lastError;
    std::string message = text_of(xml(error.message ? error.message : "unreadable"));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    throw print::Error(
        name, "not a well-formed SVG: line " + std::to_string(error.line) + ": " + message);
  }
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || text_of(root->name) != "svg")
    throw print::Error(name, "not an SVG: the document's root is not <svg>");
  if (doc->intSubset && doc->intSubset->entities)
    throw print::Error(name, "declares entities; save the template as plain SVG");
  return doc;
}

// Every node below `node`, parents before children.
void each_node(xmlNode* node, const std::function<void(xmlNode*)>& visit) {
  for (xmlNode* at = node; at; at = at->next) {
    visit(at);
    if (at->type == XML_ELEMENT_NODE) each_node(at->children, visit);
  }
}

// A placeholder: "{{ name }}" at [begin, end) with its column's name.
struct Placeholder {
  std::size_t begin, end;
  std::string column;
};

std::vector<Placeholder> placeholders_in(const std::string& text) {
  std::vector<Placeholder> found;
  for (std::size_t at = text.find("{{"); at != std::string::npos; at = text.find("{{", at)) {
    const std::size_t close = text.find("}}", at + 2);
    if (close == std::string::npos) break;
    std::string name = text.substr(at + 2, close - at - 2);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    found.push_back({at, close + 2, name});
    at = close + 2;
  }
  return found;
}

// `text` with each placeholder replaced by the row's value; a column the row
// lacks is refused naming the template.
std::string substitute(const std::string& text, const DataRow& row, const std::string& name) {
  std::string out;
  std::size_t from = 0;
  for (const Placeholder& p : placeholders_in(text)) {
    const auto value = row.value(p.column);
    if (!value) throw print::Error(name, "{{" + p.column + "}}: the data file has no such column");
    out.append(text, from, p.begin - from);
    out += *value;
    from = p.end;
  }
  return out + text.substr(from);
}

bool is_href(const xmlAttr* attribute) {
  return text_of(attribute->name) == "href" &&
         (!attribute->ns || text_of(attribute->ns->href) == "http://www.w3.org/1999/xlink");
}

// A lone placeholder, the whole of a reference: the column that names a photo.
std::optional<std::string> photo_column(const std::string& href) {
  std::vector<Placeholder> found = placeholders_in(href);
  std::size_t first = href.find_first_not_of(" \t");
  std::size_t last = href.find_last_not_of(" \t");
  if (found.size() == 1 && found[0].begin == first && found[0].end == last + 1)
    return found[0].column;
  return std::nullopt;
}

// The file a reference names, relative to `from`, when it lies inside one of
// `folders`; nothing when it leads out of them ("..", an absolute path
// elsewhere, or a link pointing elsewhere).
std::optional<std::filesystem::path> inside(const std::filesystem::path& from,
                                            const std::string& reference,
                                            std::initializer_list<std::filesystem::path> folders) {
  if (reference.empty()) return std::nullopt;
  std::error_code ignored;
  const std::filesystem::path full = std::filesystem::weakly_canonical(from / reference, ignored);
  for (const std::filesystem::path& folder : folders) {
    const std::filesystem::path rest =
        full.lexically_relative(std::filesystem::weakly_canonical(folder, ignored));
    if (!rest.empty() && *rest.begin() != ".." && rest != ".") return full;
  }
  return std::nullopt;
}

bool has_scheme(const std::string& reference) {
  const std::size_t colon = reference.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha((unsigned char)reference[0]))
    return false;
  return std::all_of(reference.begin(), reference.begin() + long(colon), [](char c) {
    return std::isalnum((unsigned char)c) || c == '+' || c == '-' || c == '.';
  });
}

// An image file's bytes, checked as any image of a card is before the
// renderer decodes them: its format, and its size by its header.
std::vector<std::uint8_t> checked_image(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = print::read_file(path, print::kImageFileLimit);
  check_image_header(bytes, path.string());
  return bytes;
}

// The file's bytes as a data: URI, or a message saying why not.
std::string data_uri(const std::filesystem::path& path) {
  // librsvg takes no colour profile into account: a photo that has one is
  // converted to sRGB first, as every image of a card is.
  const std::vector<std::uint8_t> bytes =
      without_colour_profile(checked_image(path), path.string());
  const ImageFormat format = sniff_format(bytes);
  std::unique_ptr<gchar, decltype(&g_free)> base64(g_base64_encode(bytes.data(), bytes.size()),
                                                   g_free);
  return std::string(format == ImageFormat::png ? "data:image/png;base64,"
                                                : "data:image/jpeg;base64,") +
         base64.get();
}

// The first url(...) in CSS text that points outside the document, if any.
std::optional<std::string> outside_url(const std::string& css) {
  std::string lower = css;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (lower.find("@import") != std::string::npos) return "@import";
  for (std::size_t at = lower.find("url("); at != std::string::npos;
       at = lower.find("url(", at + 4)) {
    std::size_t start = lower.find_first_not_of(" \t\n'\"", at + 4);
    if (start == std::string::npos || css[start] != '#') {
      const std::size_t close = css.find(')', at);
      return css.substr(at, close == std::string::npos ? std::string::npos : close - at + 1);
    }
  }
  return std::nullopt;
}

std::string attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, xml(name));
  std::string text = text_of(value);
  xmlFree(value);
  return text;
}

std::string columns_of(const std::string& value) {
  std::string names;
  for (const Placeholder& p : placeholders_in(value))
    names += (names.empty() ? "" : ", ") + p.column;
  return names.empty() ? "the code's value" : names;
}

}  // namespace

CardTemplate::CardTemplate(const std::filesystem::path& path,
                           const std::filesystem::path& data_folder)
    : name_(path.string()), folder_(data_folder) {
  std::vector<std::uint8_t> bytes = print::read_file(path, kTemplateFileLimit);
  text_.assign(bytes.begin(), bytes.end());
  XmlDoc doc = parse_svg(text_, name_);
  xmlNode* root = xmlDocGetRootElement(doc.get());

  auto note_placeholders = [&](const std::string& text) {
    for (const Placeholder& p : placeholders_in(text)) {
      if (std::find(placeholders_.begin(), placeholders_.end(), p.column) == placeholders_.end())
        placeholders_.push_back(p.column);
    }
  };
  each_node(root, [&](xmlNode* node) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      const std::string text = text_of(node->content);
      note_placeholders(text);
      if (node->parent && text_of(node->parent->name) == "style") {
        if (auto url = outside_url(text))
          throw print::Error(name_, "a style refers to " + *url + ": a template loads no files");
      }
      return;
    }
    if (node->type != XML_ELEMENT_NODE) return;
    const std::string element = text_of(node->name);
    for (xmlAttr* a = node->properties; a; a = a->next) {
      xmlChar* raw = xmlNodeListGetString(doc.get(), a->children, 1);
      const std::string value = text_of(raw);
      xmlFree(raw);
      note_placeholders(value);
      if (auto url = outside_url(value))
        throw print::Error(name_,
                           "<" + element + "> refers to " + *url + ": a template loads no files");
      if (!is_href(a)) continue;
      if (!placeholders_in(value).empty()) {
        const auto column = photo_column(value);
        if (element != "image" || !column) {
          throw print::Error(name_, "<" + element + "> href \"" + value +
                                        "\": a placeholder stands in a reference only as the "
                                        "whole href of an <image>");
        }
        if (std::find(photo_columns_.begin(), photo_columns_.end(), *column) ==
            photo_columns_.end())
          photo_columns_.push_back(*column);
        continue;
      }
      if (value.empty() || value[0] == '#' || value.rfind("data:", 0) == 0) continue;
      if (has_scheme(value) || value[0] == '/') {
        throw print::Error(name_, "<" + element + "> refers to " + value +
                                      ": a template loads nothing from the network or an absolute "
                                      "path");
      }
      // Relative to the template, as any SVG viewer takes it, and kept to
      // its folder or the data file's.
      const std::filesystem::path own = path.has_parent_path() ? path.parent_path() : ".";
      const auto file = inside(own, value, {own, folder_});
      if (!file) {
        throw print::Error(name_, "<" + element + "> refers to " + value +
                                      ", outside the template's and the data file's folders");
      }
      if (element != "image")
        throw print::Error(name_,
                           "<" + element + "> refers to " + value + ": only images load files");
      try {
        embedded_[value] = data_uri(*file);
      } catch (const print::Error& error) {
        throw print::Error(name_, "<image> " + value + ": " + error.what());
      }
    }
    // A code rectangle: its kind, value and place, in the root's user units.
    if (element != "rect" || !xmlHasProp(node, xml("data-ymcko-code"))) return;
    CodeSlot code{attribute(node, "data-ymcko-code"), attribute(node, "data-ymcko-value")};
    const std::string id = attribute(node, "id");
    const std::string label = "code rectangle" + (id.empty() ? "" : " \"" + id + "\"");
    if (!std::set<std::string>{"qr", "code128", "code39", "pdf417", "datamatrix", "ean13"}.count(
            code.kind)) {
      throw print::Error(name_, label + ": unknown code \"" + code.kind +
                                    "\"; the codes are qr, code128, code39, pdf417, datamatrix, "
                                    "ean13");
    }
    if (code.value.empty()) throw print::Error(name_, label + ": data-ymcko-value is empty");
    // The transforms of the rectangle and its groups (an editor's layers
    // carry them) map it into the root's units; codes stay upright.
    Affine place;
    for (xmlNode* up = node; up && up->type == XML_ELEMENT_NODE; up = up->parent) {
      if (up != node && text_of(up->name) == "svg" &&
          (up != root || xmlHasProp(up, xml("transform")))) {
        throw print::Error(name_, label +
                                      ": a nested <svg> or a transform on the root around it is "
                                      "not supported for codes");
      }
      if (up == root || !xmlHasProp(up, xml("transform"))) continue;
      const std::string text = attribute(up, "transform");
      const auto m = parse_transform(text);
      if (!m) throw print::Error(name_, label + ": transform \"" + text + "\" cannot be read");
      place = place.then(*m);
    }
    if (place.a == 0 || place.d == 0)
      throw print::Error(name_, label + ": a transform around it scales it to nothing");
    const double tilt = 1e-9 * (std::abs(place.a) + std::abs(place.d));
    if (std::abs(place.b) > tilt || std::abs(place.c) > tilt) {
      throw print::Error(name_, label +
                                    ": it is rotated or skewed; a code is drawn upright, so place "
                                    "its rectangle without rotation");
    }
    const char* names[] = {"x", "y", "width", "height"};
    double box[4];
    for (int i = 0; i < 4; ++i) {
      const std::string text = attribute(node, names[i]);
      auto length = user_length(text.empty() && i < 2 ? "0" : text);
      if (!length || (i >= 2 && *length <= 0)) {
        throw print::Error(
            name_, label + ": " + names[i] + " \"" + text + "\" is not a length in user units");
      }
      box[i] = *length;
    }
    const double x0 = place.a * box[0] + place.e, x1 = place.a * (box[0] + box[2]) + place.e;
    const double y0 = place.d * box[1] + place.f, y1 = place.d * (box[1] + box[3]) + place.f;
    code.x = std::min(x0, x1);
    code.y = std::min(y0, y1);
    code.width = std::abs(x1 - x0);
    code.height = std::abs(y1 - y0);
    codes_.push_back(code);
  });
}

std::string CardTemplate::fill(const DataRow& row, std::vector<CodeSlot>& codes) const {
  // Every value goes into the document as the text or the attribute it
  // fills, and the writer escapes it: no value can reach another's place.
  XmlDoc doc = parse_svg(text_, name_);
  std::vector<xmlNode*> code_nodes;
  each_node(xmlDocGetRootElement(doc.get()), [&](xmlNode* node) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      const std::string text = text_of(node->content);
      if (text.find("{{") != std::string::npos)
        xmlNodeSetContent(node, xml(substitute(text, row, name_).c_str()));
      return;
    }
    if (node->type != XML_ELEMENT_NODE) return;
    if (text_of(node->name) == "rect" && xmlHasProp(node, xml("data-ymcko-code")))
      code_nodes.push_back(node);
    for (xmlAttr* a = node->properties; a; a = a->next) {
      xmlChar* raw = xmlNodeListGetString(doc.get(), a->children, 1);
      const std::string value = text_of(raw);
      xmlFree(raw);
      std::string filled;
      if (is_href(a) && embedded_.count(value)) {
        filled = embedded_.at(value);
      } else if (auto column = is_href(a) ? photo_column(value) : std::nullopt) {
        // The row's photo, relative to the data file; an empty cell shows none.
        const std::string photo(row.value(*column).value());
        if (!photo.empty()) {
          const auto file = inside(folder_, photo, {folder_});
          if (!file) {
            throw print::Error(row.where(), *column + ": " + (folder_ / photo).string() +
                                                ": lies outside the data file's folder");
          }
          try {
            filled = data_uri(*file);
          } catch (const print::Error& error) {
            throw print::Error(row.where(),
                               *column + ": " + (folder_ / photo).string() + ": " + error.what());
          }
        }
      } else if (value.find("{{") != std::string::npos) {
        filled = substitute(value, row, name_);
      } else {
        continue;
      }
      xmlSetNsProp(node, a->ns, a->name, xml(filled.c_str()));
    }
  });
  codes = codes_;
  for (CodeSlot& code : codes) code.value = substitute(code.value, row, name_);
  for (xmlNode* node : code_nodes) {
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
  xmlChar* out = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc.get(), &out, &size, "UTF-8");
  std::string svg(reinterpret_cast<const char*>(out), std::size_t(size));
  xmlFree(out);
  return svg;
}

std::vector<print::Error> CardTemplate::row_problems(const DataRow& row) const {
  // Photos as the run checks them, by their headers.
  std::vector<print::Error> problems;
  for (const std::string& column : photo_columns_) {
    const std::string photo(row.value(column).value_or(""));
    if (photo.empty()) continue;
    const auto file = inside(folder_, photo, {folder_});
    const std::string named = (folder_ / photo).string();
    try {
      if (!file) throw print::Error(named, "lies outside the data file's folder");
      checked_image(*file);
    } catch (const print::Error& error) {
      problems.emplace_back(row.where(), column + ": " + named + ": " + error.what());
    }
  }
  for (const CodeSlot& code : codes_) {
    const std::string where = row.where() + ": " + columns_of(code.value);
    try {
      check_code(code.kind, substitute(code.value, row, name_), where);
    } catch (const print::Error& error) {
      problems.push_back(error);
    }
  }
  return problems;
}

Image CardTemplate::render(const DataRow& row, std::uint32_t width, std::uint32_t height,
                           print::FitMode fit, SvgRenderer& renderer) const {
  std::vector<CodeSlot> codes;
  const std::string svg = fill(row, codes);

  svg::Page shape{width, height,
                  fit == print::FitMode::cover     ? svg::cover
                  : fit == print::FitMode::contain ? svg::contain
                                                   : svg::stretch};
  Image page = renderer.render(svg, shape, name_);
  const double sx = shape.sx, sy = shape.sy, tx = shape.tx, ty = shape.ty;

  for (std::size_t i = 0; i < codes.size(); ++i) {
    const CodeSlot& code = codes[i];
    const long left = std::lround(tx + code.x * sx), top = std::lround(ty + code.y * sy);
    const long right = std::lround(tx + (code.x + code.width) * sx);
    const long bottom = std::lround(ty + (code.y + code.height) * sy);
    draw_code(page, code.kind, code.value, int(left), int(top), int(right - left),
              int(bottom - top), row.where() + ": " + columns_of(codes_[i].value));
  }
  return page;
}

TemplateRun load_template_run(const std::filesystem::path& front,
                              const std::optional<std::filesystem::path>& back,
                              const std::filesystem::path& data, const RowChoice* rows) {
  TemplateRun run{read_data_file(data, rows), nullptr, nullptr};
  run.front = std::make_shared<const CardTemplate>(front, run.data.folder);
  if (back) run.back = std::make_shared<const CardTemplate>(*back, run.data.folder);
  return run;
}

std::vector<print::Error> template_problems(const TemplateRun& run, const print::Stripe& job_stripe,
                                            const print::StripeRules& rules,
                                            print::SettingName name) {
  std::vector<print::Error> problems;
  std::vector<const CardTemplate*> templates{run.front.get()};
  if (run.back) templates.push_back(run.back.get());
  for (const CardTemplate* t : templates) {
    for (const std::string& column : t->placeholders()) {
      if (std::find(run.data.columns.begin(), run.data.columns.end(), column) ==
          run.data.columns.end()) {
        problems.emplace_back(t->name(),
                              "{{" + column + "}}: " + run.data.name + " has no such column");
      }
    }
  }
  if (!problems.empty()) return problems;
  for (const DataRow& row : run.data.rows) {
    for (const CardTemplate* t : templates) {
      for (print::Error& problem : t->row_problems(row)) problems.push_back(std::move(problem));
    }
    try {
      row_stripe(row, job_stripe, rules, name);
    } catch (const print::Error& error) {
      problems.push_back(error);
    }
  }
  return problems;
}

void list_template_run(const TemplateRun& run, std::ostream& out) {
  std::vector<const CardTemplate*> templates{run.front.get()};
  if (run.back) templates.push_back(run.back.get());
  for (const CardTemplate* t : templates) {
    out << t->name() << ": placeholders:";
    for (const std::string& column : t->placeholders()) out << " {{" << column << "}}";
    out << (t->placeholders().empty() ? " none\n" : "\n");
    for (const CodeSlot& code : t->codes()) {
      out << t->name() << ": code " << code.kind << " \"" << code.value << "\" at " << code.x << ","
          << code.y << " size " << code.width << "x" << code.height << "\n";
    }
  }
  out << run.data.name << ": " << run.data.rows.size() << " rows; columns:";
  for (const std::string& column : run.data.columns) out << " " << column;
  out << "\n";
}

void check_template_backs(const TemplateRun& run, int side_mode) {
  if (side_mode == 0 && run.back) {
    throw print::Error(run.back->name(),
                       "a back template needs side mode 1 or 2; side mode 0 prints every page on a "
                       "new card");
  }
}

namespace {

// The cards of a template run. When the run ends before its last card, the
// renderings under way end with it rather than being waited for.
class TemplateCards final : public CardSource {
 public:
  TemplateCards(std::shared_ptr<SvgRenderers> renderers, std::unique_ptr<CardSource> cards)
      : renderers_(std::move(renderers)), cards_(std::move(cards)) {}
  ~TemplateCards() override {
    renderers_->stop();
    cards_.reset();
  }
  std::optional<Card> next() override { return cards_->next(); }

 private:
  std::shared_ptr<SvgRenderers> renderers_;
  std::unique_ptr<CardSource> cards_;
};

}  // namespace

std::size_t template_workers() {
  // Rendering a side outweighs the driver's share of it: one worker more
  // than for decoding images.
  return decode_workers() + 1;
}

std::unique_ptr<CardSource> template_cards(std::shared_ptr<const TemplateRun> run,
                                           const print::Stripe& job_stripe,
                                           const print::StripeRules& rules, TemplatePage page,
                                           CardProgress progress) {
  // A row's front, then its back when the run has a back template. Every
  // row's stripe is checked before the first card, and made again with its
  // front: nothing is held a row.
  for (const DataRow& row : run->data.rows) row_stripe(row, job_stripe, rules);
  const std::size_t sides_per_row = run->back ? 2 : 1;
  auto origins = [run, sides_per_row](std::size_t index) -> std::optional<SideOrigin> {
    const std::size_t card = index / sides_per_row;
    if (card >= run->data.rows.size()) return std::nullopt;
    const bool front = index % sides_per_row == 0;
    return SideOrigin{run->data.rows[card].where(),
                      "card " + std::to_string(card + 1) + (front ? " front" : " back"), !front};
  };
  auto renderers = std::make_shared<SvgRenderers>(template_workers(), page.limits);
  auto produce = [run, job_stripe, rules, page, sides_per_row, renderers](
                     std::size_t index, std::size_t worker) -> std::optional<CardSide> {
    const std::size_t card = index / sides_per_row;
    if (card >= run->data.rows.size()) return std::nullopt;
    const DataRow& row = run->data.rows[card];
    const bool front = index % sides_per_row == 0;
    const CardTemplate& design = front ? *run->front : *run->back;
    return CardSide{row.where() + (front ? " front" : " back"),
                    design.render(row, page.width, page.height, page.fit, (*renderers)[worker]),
                    front ? row_stripe(row, job_stripe, rules) : print::Stripe{}};
  };
  return std::make_unique<TemplateCards>(
      renderers, std::make_unique<BatchSource>(std::move(origins), std::move(produce),
                                               template_workers(), std::move(progress)));
}

}  // namespace ymcko::cards
