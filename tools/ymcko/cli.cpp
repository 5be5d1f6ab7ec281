// Command-line parsing and the three commands.
#include "ymcko/cli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cards/designs/card_template.h"
#include "cards/designs/render_check.h"
#include "cards/sides/card_source.h"
#include "cards/sides/decode_ahead.h"
#include "cards/sides/demo_card.h"
#include "cards/sides/manifest.h"
#include "cards/sides/row_choice.h"
#include "cards/sides/side_plan.h"
#include "cards/sides/test_card.h"
#include "print/card_settings.h"
#include "print/devmode.h"
#include "print/printer_store.h"
#include "print/session.h"
#include "ymcko/device_output.h"
#include "ymcko/errors.h"
#include "ymcko/inspect.h"
#include "ymcko/manual.h"
#include "ymcko/output_file.h"
#include "ymcko/preview_output.h"
#include "ymcko/print_job.h"
#include "ymcko/progress.h"

namespace ymcko::tool {
namespace {

using namespace cards;

// Sides decoded ahead of the job for page lists.
constexpr std::size_t kPageDecodeDepth = 2;

// A setting given as a flag: its key, the flag as given, and its texts.
struct FlagValue {
  std::string key;
  std::string flag;
  std::vector<std::string> texts;
};

// The settings flags shared by print and info, collected as given.
struct SettingsFlags {
  std::vector<FlagValue> values;
  std::string settings_file;
  std::string devmode_file;
  std::string printer_file;
};

std::string value_name(const print::Setting& setting) {
  switch (setting.kind) {
    case print::SettingKind::integer:
      return "N";
    case print::SettingKind::rectangle:
      return setting.held_of.empty() ? "X,Y,CX,CY" : "X,Y,WIDTH,HEIGHT";
    case print::SettingKind::overlay_list:
      return setting.held_of.empty() ? "KIND,X,Y,CX,CY" : "KIND,X,Y,WIDTH,HEIGHT";
    case print::SettingKind::text:
      return "TEXT";
    case print::SettingKind::choice: {
      std::string names;
      for (std::string_view choice : setting.choices)
        names += (names.empty() ? "" : "|") + std::string(choice);
      return names;
    }
    case print::SettingKind::boolean:
      return "";
  }
  return "VALUE";
}

// An integer written plainly: digits with an optional sign, nothing else.
CLI::Validator integer_text() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        std::int64_t value = 0;
        auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || at != text.data() + text.size()) {
          return "\"" + text + "\" is not an integer";
        }
        return {};
      },
      "");
}

// A file name, which cannot be empty.
CLI::Validator file_name() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return text.empty() ? "an empty name names no file" : std::string();
      },
      "");
}

// A --rows list, checked as the run reads it.
CLI::Validator row_list() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        try {
          RowChoice::parse(text, "--rows");
        } catch (const ToolError& error) {
          return error.what();
        }
        return {};
      },
      "");
}

// The settings table's own check of one flag text, for the kinds whose
// values have several parts (rectangles, overlay areas, track texts).
CLI::Validator table_check(const print::Setting& setting) {
  const std::string key(setting.key);
  return CLI::Validator(
      [key](std::string& text) -> std::string {
        print::CardSettings probe;
        print::Warnings ignored;
        try {
          print::set_from_text(probe, key, std::vector<std::string>{text}, key, ignored);
        } catch (const ToolError& error) {
          return error.what();
        }
        return {};
      },
      "");
}

// A setting's default as its flag writes it; "none" for an empty one.
std::string default_text(const print::Setting& setting) {
  struct Visit {
    std::string operator()(std::int64_t value) const { return std::to_string(value); }
    std::string operator()(bool value) const { return value ? "true" : "false"; }
    std::string operator()(const print::Rect& r) const {
      return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.cx) + "," +
             std::to_string(r.cy);
    }
    std::string operator()(const std::vector<print::OverlayArea>& areas) const {
      std::string text;
      for (const print::OverlayArea& a : areas) {
        text += (text.empty() ? "" : " ") + std::to_string(a.kind) + "," + std::to_string(a.x) +
                "," + std::to_string(a.y) + "," + std::to_string(a.cx) + "," + std::to_string(a.cy);
      }
      return text.empty() ? "none" : text;
    }
    std::string operator()(const std::string& text) const { return text.empty() ? "none" : text; }
  };
  return std::visit(Visit{}, print::default_value(setting));
}

// Help that ends each description with the option's default, "[default:
// X]", in place of CLI11's "=X" after the value's name, and names a boolean
// flag's negation without CLI11's "{false}", which reads as its default.
class DefaultsHelp final : public CLI::Formatter {
 public:
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string name = CLI::Formatter::make_option_name(option, positional);
    for (std::size_t open = name.find('{'); open != std::string::npos; open = name.find('{', open))
      name.erase(open, name.find('}', open) - open + 1);
    return name;
  }
  std::string make_option_opts(const CLI::Option* option) const override {
    std::string opts = CLI::Formatter::make_option_opts(option);
    const std::string given = "=" + option->get_default_str();
    const std::size_t at = opts.find(given);
    if (given.size() > 1 && at != std::string::npos) opts.erase(at, given.size());
    return opts;
  }
  std::string make_option_desc(const CLI::Option* option) const override {
    const std::string fallback = option->get_default_str();
    return CLI::Formatter::make_option_desc(option) +
           (fallback.empty() ? "" : " [default: " + fallback + "]");
  }
};

void add_settings_options(CLI::App* app, SettingsFlags& flags) {
  app->formatter(std::make_shared<DefaultsHelp>());
  app->add_option("--settings", flags.settings_file,
                  "card-job settings from a JSON file; flags override it")
      ->type_name("FILE.json")
      ->check(file_name());
  app->add_option("--devmode", flags.devmode_file,
                  "merge this binary device mode as an application's")
      ->type_name("FILE")
      ->check(file_name());
  app->add_option("--printer", flags.printer_file,
                  "the host printer's stored values: printer properties by field name, "
                  "\"halftone\", \"forms\"")
      ->type_name("FILE.json")
      ->check(file_name());
  for (const print::Setting& setting : print::settings_table()) {
    const std::string key(setting.key);
    const std::string help(setting.help);
    const std::string flag = flag_for(setting);
    auto given = [&flags, key](std::string flag_given, std::string text) {
      flags.values.push_back({key, std::move(flag_given), {std::move(text)}});
    };
    switch (setting.kind) {
      case print::SettingKind::boolean: {
        // One option with its negation: +1 for "--x", -1 for "--no-x".
        const std::string off = "--no-" + flag.substr(2);
        app->add_flag_function(
               flag + ",!" + off,
               [given, flag, off](std::int64_t count) {
                 if (count == 0)
                   throw CLI::ValidationError(flag, "give " + flag + " or " + off + ", not both");
                 given(count > 0 ? flag : off, count > 0 ? "true" : "false");
               },
               help)
            ->default_str(default_text(setting));
        break;
      }
      case print::SettingKind::choice:
        if (key == "orientation") {
          // One flag per orientation, as the page's shape is usually given.
          std::vector<CLI::Option*> shapes;
          for (std::string_view choice : setting.choices) {
            const std::string name(choice);
            const bool fallback = std::get<std::string>(print::default_value(setting)) == name;
            shapes.push_back(app->add_flag_callback(
                "--" + name, [given, name] { given("--" + name, name); },
                name + " page" +
                    (name == "portrait" ? ", 656 x 1024 pixels" : ", 1024 x 656 pixels") +
                    (fallback ? " (the default)" : "")));
          }
          shapes[0]->excludes(shapes[1]);
          shapes[1]->excludes(shapes[0]);
          break;
        }
        app->add_option_function<std::string>(
               flag, [given, flag](const std::string& text) { given(flag, text); }, help)
            ->type_name(value_name(setting))
            ->default_str(default_text(setting))
            ->check(CLI::IsMember(
                        std::vector<std::string>(setting.choices.begin(), setting.choices.end()))
                        .description(""));
        break;
      case print::SettingKind::integer:
        app->add_option_function<std::string>(
               flag, [given, flag](const std::string& text) { given(flag, text); }, help)
            ->type_name(value_name(setting))
            ->default_str(default_text(setting))
            ->check(integer_text())
            ->check(CLI::Range(setting.min, setting.max).description(""));
        break;
      case print::SettingKind::overlay_list:
        app->add_option_function<std::vector<std::string>>(
               flag,
               [&flags, key, flag](const std::vector<std::string>& texts) {
                 flags.values.push_back({key, flag, texts});
               },
               help + " (repeat for more areas)")
            ->type_name(value_name(setting))
            ->default_str(default_text(setting))
            ->allow_extra_args(false)
            ->check(table_check(setting));
        break;
      case print::SettingKind::rectangle:
      case print::SettingKind::text:
        app->add_option_function<std::string>(
               flag, [given, flag](const std::string& text) { given(flag, text); }, help)
            ->type_name(value_name(setting))
            ->default_str(default_text(setting))
            ->check(table_check(setting));
        break;
    }
  }
}

// Settings from the file (after `base`), then the flags over them. A flag
// that does not check out is a usage error naming the flag.
print::CardSettings gather_settings(const SettingsFlags& flags, print::CardSettings base,
                                    Warnings& warnings) {
  if (!flags.settings_file.empty())
    base.override_with(print::read_settings_file(flags.settings_file, warnings));
  print::CardSettings given;
  for (const FlagValue& value : flags.values) {
    const std::size_t before = warnings.size();
    try {
      print::set_from_text(given, value.key, value.texts, value.flag, warnings);
    } catch (const ToolError& error) {
      throw UsageError(value.flag, error.what());
    }
    // The flag already names the key.
    for (std::size_t i = before; i < warnings.size(); ++i) {
      if (warnings[i].what.rfind(value.key + ": ", 0) == 0)
        warnings[i].what.erase(0, value.key.size() + 2);
    }
  }
  base.override_with(given);
  return base;
}

print::JobOptions job_options(const SettingsFlags& flags, const print::CardSettings& settings) {
  std::optional<std::vector<std::uint8_t>> given;
  if (!flags.devmode_file.empty()) given = print::read_devmode_file(flags.devmode_file);
  print::PrinterStore printer;
  if (!flags.printer_file.empty()) printer = print::read_printer_file(flags.printer_file);
  return print::job_options(settings, given, std::move(printer));
}

// Runs `check`, reporting stripe data the settings cannot write as the
// usage error it is.
template <class Check>
void as_usage(const Check& check) {
  try {
    check();
  } catch (const print::SettingNeeded& error) {
    throw UsageError(error.input(), error.what());
  }
}

// The job's own stripe, refused naming where its track was given: a flag
// as a usage error, a settings file as an error of the file's.
void check_job_stripe(const SettingsFlags& flags, const print::Stripe& stripe,
                      const print::StripeRules& rules) {
  as_usage([&] {
    try {
      print::check_stripe(stripe, rules, flag_for);
    } catch (const print::SettingNeeded&) {
      throw;
    } catch (const ToolError& error) {
      for (const FlagValue& value : flags.values) {
        if (value.key == error.input()) throw UsageError(value.flag, error.what());
      }
      throw ToolError(flags.settings_file, error.input() + ": " + error.what());
    }
  });
}

void print_warnings(const Warnings& warnings, std::ostream& err) {
  for (const Warning& warning : warnings) err << warning_line(warning) << "\n";
}

struct PrintOptions {
  SettingsFlags settings;
  std::vector<std::string> pages;
  std::string output;
  std::string fit;  // empty: cover, and for a template its viewBox fills the page
  std::string save_devmode;
  std::string batch;
  std::string front_template;
  std::string back_template;
  std::string data;
  std::string rows;  // empty: every row
  bool demo = false;
  bool test_card = false;
  std::string preview;  // a folder for the job's held previews, when given
  int pdf_timeout = int(kPdfPageTimeLimit.count());  // seconds a PDF page may take to render
  int socket_timeout = int(kSocketTimeout.count());  // seconds a printer may read nothing
  int render_memory = int(kSideMemoryMib);           // MiB a template's side may use to render
};

// The --render-memory option of print and template check.
void add_render_memory_option(CLI::App* app, int& mib) {
  app->add_option("--render-memory", mib,
                  "refuse a template's side whose rendering needs more memory than this (default " +
                      std::to_string(kSideMemoryMib) + ")")
      ->type_name("MIB")
      ->check(CLI::Range(16, 65536).description(""));
}

// The progress bar's view of the cards done: the line ends after the last.
CardProgress follow(Progress& progress, std::size_t cards) {
  return [&progress, cards](std::size_t done) {
    progress.update(done);
    if (done == cards) progress.finish();
  };
}

// The job's output, and with --preview the held previews of what it gets,
// the card held as the settings print it.
std::unique_ptr<JobOutput> open_print_output(const PrintOptions& options,
                                             const print::JobOptions& job) {
  std::unique_ptr<JobOutput> output =
      open_output(options.output, std::chrono::seconds(options.socket_timeout));
  if (options.preview.empty()) return output;
  return std::make_unique<PreviewOutput>(std::move(output), options.preview,
                                         print::describe_device(job).landscape);
}

// The settings a built-in card brings, under the file's and the flags':
// the test card writes its stripe when the job says the printer has an
// encoder.
print::CardSettings built_in_settings(const PrintOptions& options) {
  if (options.demo) return demo_settings();
  if (!options.test_card) return {};
  Warnings repeated;  // the job's own gathering reports them
  const bool encoder =
      gather_settings(options.settings, {}, repeated).get<bool>("mag_encoder").value_or(false);
  return test_card_settings(encoder);
}

void run_print(const PrintOptions& options, std::ostream& err, bool stderr_is_terminal) {
  Warnings warnings;
  print::CardSettings settings =
      gather_settings(options.settings, built_in_settings(options), warnings);
  print::JobOptions job = job_options(options.settings, settings);
  const bool templated = !options.front_template.empty();
  std::optional<RowChoice> rows;
  if (!options.rows.empty()) {
    if (!templated && options.batch.empty()) {
      throw UsageError("--rows",
                       "chooses rows of a --batch manifest or of a --template's --data; a single "
                       "image, PDF or built-in card has none");
    }
    rows = RowChoice::parse(options.rows, "--rows");
  }
  std::optional<std::filesystem::path> save_devmode;
  if (!options.save_devmode.empty()) save_devmode = options.save_devmode;
  job.fit = *print::parse_fit_mode(options.fit.empty() ? "cover" : options.fit);
  const print::Stripe stripe = settings.stripe();
  check_job_stripe(options.settings, stripe, job.stripe);

  if (templated) {
    if (options.data.empty()) throw UsageError("--template", "needs --data with the cards' rows");
    std::optional<std::filesystem::path> back;
    if (!options.back_template.empty()) back = options.back_template;
    auto run = std::make_shared<const TemplateRun>(
        load_template_run(options.front_template, back, options.data, rows ? &*rows : nullptr));
    as_usage([&] {
      for (const DataRow& row : run->data.rows) row_stripe(row, stripe, job.stripe, flag_for);
    });
    std::vector<ToolError> problems = template_problems(*run, stripe, job.stripe, flag_for);
    if (!problems.empty()) throw problems.front();
    const print::DeviceFacts facts = print::describe_device(job);
    check_template_backs(*run, facts.side_mode);
    const TemplatePage page{
        std::uint32_t(facts.page_width),
        std::uint32_t(facts.page_height),
        options.fit.empty() ? print::FitMode::stretch : *print::parse_fit_mode(options.fit),
        {std::chrono::seconds(options.pdf_timeout), std::uint32_t(options.render_memory)}};
    Progress progress(err, stderr_is_terminal, run->data.rows.size(), "cards");
    std::unique_ptr<CardSource> cards =
        template_cards(run, stripe, job.stripe, page, follow(progress, run->data.rows.size()));
    print_warnings(warnings, err);
    std::unique_ptr<JobOutput> output = open_print_output(options, job);
    print_cards(job, *cards, *output, save_devmode, true);
    return;
  }
  if (!options.data.empty() || !options.back_template.empty())
    throw UsageError(options.data.empty() ? "--back-template" : "--data", "needs --template");

  const std::chrono::seconds pdf_time_limit(options.pdf_timeout);
  if (!options.batch.empty()) {
    const Manifest manifest = read_manifest(options.batch, rows ? &*rows : nullptr);
    BatchPlan plan;
    as_usage([&] { plan = plan_batch(manifest, stripe, job.stripe, options.batch, flag_for); });
    check_manifest_files(manifest, options.batch);
    check_manifest_backs(manifest, print::describe_device(job).side_mode, options.batch);
    print_warnings(warnings, err);
    std::unique_ptr<JobOutput> output = open_print_output(options, job);
    Progress progress(err, stderr_is_terminal, manifest.size(), "cards");
    BatchSource cards([&plan](std::size_t index) { return plan.side(index); },
                      follow(progress, manifest.size()), pdf_time_limit);
    // A batch writes behind its drawing.
    print_cards(job, cards, *output, save_devmode, true);
    return;
  }

  std::vector<SidePlan> plan;
  if (options.demo || options.test_card) {
    SidePlan card;
    card.name = options.demo ? "demo card" : "test card";
    card.image = std::make_shared<const Image>(options.demo ? demo_card() : test_card());
    card.stripe = stripe;
    plan.push_back(std::move(card));
  } else {
    std::vector<std::filesystem::path> files(options.pages.begin(), options.pages.end());
    plan = plan_pages(files);
    plan.front().stripe = stripe;
  }
  print_warnings(warnings, err);
  std::unique_ptr<JobOutput> output = open_print_output(options, job);
  auto decoder = std::make_shared<SideDecoder>(std::move(plan), decode_workers(), pdf_time_limit);
  DecodeAhead sides(
      [decoder](std::size_t index, std::size_t worker) { return decoder->decode(index, worker); },
      kPageDecodeDepth, decode_workers());
  // A few pages are not worth a writing thread.
  print_cards(job, sides, *output, save_devmode, false);
}

void run_info(const SettingsFlags& flags, bool json, std::ostream& out, std::ostream& err) {
  Warnings warnings;
  print::CardSettings settings = gather_settings(flags, {}, warnings);
  print::JobOptions job = job_options(flags, settings);
  print_warnings(warnings, err);
  print_info(job, json, out);
}

std::string settings_keys_footer() {
  std::string text = "Settings file keys (JSON object, all optional):\n ";
  std::size_t column = 1;
  for (const print::Setting& setting : print::settings_table()) {
    std::string item = " " + std::string(setting.key);
    if (column + item.size() > 78) {
      text += "\n ";
      column = 1;
    }
    text += item;
    column += item.size();
  }
  return text + "\n";
}

// What a command prints is its result: output that could not be written (a
// full disk, a closed descriptor) makes the command fail with one line.
bool output_written(std::ostream& out, std::ostream& err) {
  errno = 0;
  out.flush();
  const int error = errno;
  if (out) return true;
  err << "ymcko: error: standard output: cannot be written"
      << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
  return false;
}

}  // namespace

std::string flag_for(const print::Setting& setting) {
  if (!setting.flag.empty()) return "--" + std::string(setting.flag);
  return "--" + print::dashed_key(setting.key);
}

int run_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
             bool stderr_is_terminal) {
  CLI::App app("Print card images to a card printer job, and inspect and preview jobs.", "ymcko");
  app.require_subcommand(1);
  app.footer("Exit status: 0 success, 1 a runtime or input error, 2 a usage error.");
  app.set_version_flag("--version", std::string("ymcko ") + YMCKO_VERSION, "print the version");

  PrintOptions print_options;
  CLI::App* print =
      app.add_subcommand("print", "print card sides (PNG, JPEG, PDF pages) to a printer job file");
  CLI::Option_group* source =
      print->add_option_group("card sides", "what to print: exactly one of these");
  source
      ->add_option("PAGE", print_options.pages,
                   "card sides in order; with side mode 1 or 2 front, back, front, ...")
      ->type_name("PAGE");
  source
      ->add_option("--batch", print_options.batch,
                   "many cards: a CSV file with the columns front, back, track1, track2, track3 "
                   "(header row; paths relative to it)")
      ->type_name("MANIFEST.csv")
      ->check(file_name());
  source->add_flag("--demo", print_options.demo, "print the built-in demo card");
  source->add_flag("--test-card", print_options.test_card,
                   "print the built-in test card: colour swatches, grey ramp, fine lines, a code "
                   "and the overlay area; with --mag-encoder a test stripe too");
  source
      ->add_option("--template", print_options.front_template,
                   "many cards from an SVG design: one card per row of --data, its {{column}} "
                   "placeholders filled from the row")
      ->type_name("FRONT.svg")
      ->check(file_name());
  source->require_option(1);
  print
      ->add_option("--back-template", print_options.back_template,
                   "the SVG design of the cards' backs (side mode 1 or 2)")
      ->type_name("BACK.svg")
      ->check(file_name());
  print
      ->add_option("--data", print_options.data,
                   "the rows of a template run: a CSV file with a header naming its columns; "
                   "track1, track2, track3 feed the stripe; photos are relative to it")
      ->type_name("DATA.csv")
      ->check(file_name());
  print
      ->add_option("--rows", print_options.rows,
                   "reprint only these rows of --batch or --data, by the lines messages name them "
                   "with: numbers and ranges, such as 5-7,12; the cards keep the file's order")
      ->type_name("LINES")
      ->check(row_list());
  print
      ->add_option("-o,--output", print_options.output,
                   "the job file, written whole or not at all; - is standard output; a printer's "
                   "device node, a FIFO or socket://HOST[:PORT] (port 9100 when none) gets the job "
                   "as it is made")
      ->type_name("OUT")
      ->required()
      ->check(file_name());
  print
      ->add_option(
          "--fit", print_options.fit,
          "how an image of another size fills the page: cover (crop, default), contain "
          "(white bars), stretch; an image of the page's exact size is drawn pixel for pixel; "
          "a template's viewBox fills the page unless this is given")
      ->type_name("MODE")
      ->check(CLI::IsMember({"cover", "contain", "stretch"}).description(""));
  print
      ->add_option("--pdf-timeout", print_options.pdf_timeout,
                   "refuse a PDF page or a template's side that takes longer than this to render "
                   "(default 30)")
      ->type_name("SECONDS")
      ->check(CLI::Range(1, 86400).description(""));
  add_render_memory_option(print, print_options.render_memory);
  print
      ->add_option("--socket-timeout", print_options.socket_timeout,
                   "with socket://, fail the job when the printer reads nothing for this long, "
                   "its last bytes included")
      ->type_name("SECONDS")
      ->default_str(std::to_string(kSocketTimeout.count()))
      ->check(integer_text())
      ->check(CLI::Range(1, 86400).description(""));
  print
      ->add_option("--preview", print_options.preview,
                   "write each card side's colour preview, as the card is held, into this folder")
      ->type_name("DIR")
      ->check(file_name());
  print
      ->add_option("--save-devmode", print_options.save_devmode,
                   "write the instance's merged device mode, whole, once the job succeeded")
      ->type_name("FILE")
      ->check(file_name());
  add_settings_options(print, print_options.settings);
  print->footer(settings_keys_footer());

  std::string inspect_job_path;
  InspectOptions inspect_options;
  std::string png_folder;
  CLI::App* inspect = app.add_subcommand("inspect", "list, check and preview a printer job");
  inspect->add_option("JOB", inspect_job_path, "the job file")->required()->check(file_name());
  CLI::Option* png_option =
      inspect
          ->add_option(
              "--png", png_folder,
              "write each card side's colour preview, as the card is held, into this folder, "
              "card by card")
          ->type_name("DIR")
          ->check(file_name());
  inspect
      ->add_flag("--panels", inspect_options.panels,
                 "with --png, also each sent panel as a greyscale PNG in the panel's frame")
      ->needs(png_option);
  bool inspect_landscape = false, inspect_portrait = false;
  CLI::Option* held_landscape = inspect->add_flag("--landscape", inspect_landscape,
                                                  "the previews hold the card landscape (default)");
  inspect->add_flag("--portrait", inspect_portrait, "the previews hold the card portrait")
      ->excludes(held_landscape);
  inspect->add_flag("--json", inspect_options.json, "one JSON document instead of lines");

  std::string check_front, check_back, check_data;
  CLI::App* template_command =
      app.add_subcommand("template", "check card templates against their data");
  template_command->require_subcommand(1);
  CLI::App* check = template_command->add_subcommand(
      "check",
      "list a template's placeholders and codes and report every problem of its data, and "
      "everything print would warn about in it, before any card is printed (exit 1 if any)");
  check->add_option("TEMPLATE", check_front, "the front's SVG design")
      ->required()
      ->check(file_name());
  check->add_option("--back-template", check_back, "the back's SVG design")
      ->type_name("BACK.svg")
      ->check(file_name());
  check->add_option("--data", check_data, "the CSV data file")
      ->type_name("DATA.csv")
      ->required()
      ->check(file_name());
  SettingsFlags check_flags;
  int check_timeout = int(kPdfPageTimeLimit.count());
  int check_memory = int(kSideMemoryMib);
  add_settings_options(check, check_flags);
  check
      ->add_option("--pdf-timeout", check_timeout,
                   "refuse a side that takes longer than this to render (default 30)")
      ->type_name("SECONDS")
      ->check(CLI::Range(1, 86400).description(""));
  add_render_memory_option(check, check_memory);

  SettingsFlags info_flags;
  bool info_json = false;
  CLI::App* info =
      app.add_subcommand("info", "the device's capabilities, form and printer description");
  info->add_flag("--json", info_json, "one JSON document instead of text");
  add_settings_options(info, info_flags);

  std::string shell;
  CLI::App* completion =
      app.add_subcommand("completion", "print the shell's completion script: completion bash");
  completion->add_option("SHELL", shell, "the shell")
      ->required()
      ->check(CLI::IsMember({"bash"}).description(""));
  // The manual page, which the build installs; no group: not in the help.
  CLI::App* manual = app.add_subcommand("manual", "print the manual page (roff)")->group("");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << "\n";
    return output_written(out, err) ? 0 : 1;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      out << app.help();
      return output_written(out, err) ? 0 : 1;
    }
    // A value a check refused names its option ("--flag: what is wrong");
    // anything else is about the command line as a whole.
    const bool names_option = dynamic_cast<const CLI::ValidationError*>(&error) != nullptr;
    err << "ymcko: error: " << (names_option ? "" : "command line: ") << error.what() << "\n";
    return 2;
  }

  try {
    if (print->parsed()) {
      run_print(print_options, err, stderr_is_terminal);
    } else if (inspect->parsed()) {
      if (!png_folder.empty()) inspect_options.png_folder = png_folder;
      inspect_options.landscape = !inspect_portrait;
      inspect_job(inspect_job_path, inspect_options, out);
    } else if (info->parsed()) {
      run_info(info_flags, info_json, out, err);
    } else if (completion->parsed()) {
      write_bash_completion(app, out);
    } else if (manual->parsed()) {
      write_manual(app, out);
    } else if (check->parsed()) {
      std::optional<std::filesystem::path> back;
      if (!check_back.empty()) back = check_back;
      // The run checked as print would take it with these settings; what
      // print would warn about counts as a problem here.
      Warnings warnings;
      const print::CardSettings settings = gather_settings(check_flags, {}, warnings);
      const print::JobOptions job = job_options(check_flags, settings);
      const TemplateRun run = load_template_run(check_front, back, check_data);
      list_template_run(run, out);
      std::vector<ToolError> problems =
          template_problems(run, settings.stripe(), job.stripe, flag_for);
      const print::DeviceFacts facts = print::describe_device(job);
      try {
        check_template_backs(run, facts.side_mode);
      } catch (const ToolError& error) {
        problems.push_back(error);
      }
      // The sides are rendered on the page and within the bounds print has.
      const TemplatePage page{std::uint32_t(facts.page_width),
                              std::uint32_t(facts.page_height),
                              print::FitMode::stretch,
                              {std::chrono::seconds(check_timeout), std::uint32_t(check_memory)}};
      for (ToolError& problem : template_render_problems(run, page))
        problems.push_back(std::move(problem));
      print_warnings(warnings, err);
      for (const ToolError& problem : problems) err << error_line(problem) << "\n";
      if (!problems.empty() || !warnings.empty()) return 1;
    }
  } catch (const UsageError& error) {
    err << error_line(error) << "\n";
    return 2;
  } catch (const ToolError& error) {
    err << error_line(error) << "\n";
    return 1;
  } catch (const std::exception& error) {
    err << "ymcko: error: " << error.what() << "\n";
    return 1;
  }
  return output_written(out, err) ? 0 : 1;
}

}  // namespace ymcko::tool
