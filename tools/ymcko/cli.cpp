// Command-line parsing and the three commands.
#include "ymcko/cli.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/devmode.h"
#include "ymcko/batch.h"
#include "ymcko/demo_card.h"
#include "ymcko/devmode_file.h"
#include "ymcko/errors.h"
#include "ymcko/inspect.h"
#include "ymcko/job_settings.h"
#include "ymcko/output_file.h"
#include "ymcko/print_job.h"
#include "ymcko/printer_file.h"
#include "ymcko/side_source.h"

namespace ymcko::tool {
namespace {

// Sides decoded ahead of the job runner for page lists.
constexpr std::size_t kPageDecodeDepth = 2;

// A setting given as a flag, before it is checked.
struct FlagValue {
  std::string key;
  std::string flag;
  std::string text;
};

// The settings flags shared by print and info, collected as given.
struct SettingsFlags {
  std::vector<FlagValue> values;
  std::vector<std::string> overlays;
  std::string settings_file;
  std::string devmode_file;
  std::string printer_file;
};

std::string flag_for(std::string_view key) {
  std::string flag = "--" + std::string(key);
  for (char& c : flag) {
    if (c == '_') c = '-';
  }
  return flag;
}

std::string value_name(SettingKind kind, std::string_view key) {
  switch (kind) {
    case SettingKind::integer:
      return "N";
    case SettingKind::rectangle:
      return "X,Y,CX,CY";
    case SettingKind::overlay_list:
      return "KIND,X,Y,CX,CY";
    case SettingKind::text:
      return "TEXT";
    case SettingKind::choice:
      return key == "mag_mode" ? "Q|R|W" : "NAME";
    case SettingKind::boolean:
      return "";
  }
  return "VALUE";
}

void add_settings_options(CLI::App* app, SettingsFlags& flags) {
  app->add_option("--settings", flags.settings_file,
                  "card-job settings from a JSON file; flags override it")
      ->type_name("FILE.json");
  app->add_option("--devmode", flags.devmode_file,
                  "merge this binary device mode as an application's")
      ->type_name("FILE");
  app->add_option("--printer", flags.printer_file,
                  "the host printer's stored values: printer properties by field name, "
                  "\"halftone\", \"forms\"")
      ->type_name("FILE.json");
  for (const SettingKey& setting : setting_keys()) {
    const std::string key(setting.key);
    const std::string help(setting.help);
    if (setting.kind == SettingKind::boolean) {
      // One option with its negation: +1 for "--x", -1 for "--no-x".
      const std::string on = flag_for(key);
      const std::string both = on + ",!--no-" + on.substr(2);
      app->add_flag_function(
          both,
          [&flags, key, on](std::int64_t count) {
            if (count == 0)
              throw CLI::ValidationError(on,
                                         "give " + on + " or --no-" + on.substr(2) + ", not both");
            flags.values.push_back(
                {key, count > 0 ? on : "--no-" + on.substr(2), count > 0 ? "true" : "false"});
          },
          help);
    } else if (setting.kind == SettingKind::overlay_list) {
      app->add_option("--overlay", flags.overlays, help + " (repeat for more areas)")
          ->type_name(value_name(setting.kind, key))
          ->allow_extra_args(false);
    } else if (key == "orientation") {
      CLI::Option* portrait = app->add_flag_callback(
          "--portrait",
          [&flags] {
            flags.values.push_back({"orientation", "--portrait", "portrait"});
          },
          "portrait page, 656 x 1024 pixels");
      CLI::Option* landscape = app->add_flag_callback(
          "--landscape",
          [&flags] {
            flags.values.push_back({"orientation", "--landscape", "landscape"});
          },
          "landscape page, 1024 x 656 pixels (the default)");
      portrait->excludes(landscape);
      landscape->excludes(portrait);
    } else {
      const std::string flag = flag_for(key);
      app->add_option_function<std::string>(
             flag,
             [&flags, key, flag](const std::string& text) {
               flags.values.push_back({key, flag, text});
             },
             help)
          ->type_name(value_name(setting.kind, key));
    }
  }
}

// Settings from the file (after `base`), then the flags over them. A flag
// that does not check out is a usage error naming the flag.
JobSettings gather_settings(const SettingsFlags& flags, JobSettings base, Warnings& warnings) {
  if (!flags.settings_file.empty())
    override_settings(base, read_settings_file(flags.settings_file, warnings));
  JobSettings given;
  auto set = [&](const std::string& key, const std::string& flag, const nlohmann::json& value) {
    const std::size_t before = warnings.size();
    try {
      set_setting(given, key, value, flag, warnings);
    } catch (const SettingError& error) {
      throw UsageError(flag, error.what());
    }
    // The flag already names the key.
    for (std::size_t i = before; i < warnings.size(); ++i) {
      if (warnings[i].what.rfind(key + ": ", 0) == 0) warnings[i].what.erase(0, key.size() + 2);
    }
  };
  for (const FlagValue& value : flags.values) {
    nlohmann::json json_value;
    try {
      json_value = flag_value(value.key, value.text);
    } catch (const SettingError& error) {
      throw UsageError(value.flag, error.what());
    }
    set(value.key, value.flag, json_value);
  }
  if (!flags.overlays.empty()) {
    nlohmann::json areas = nlohmann::json::array();
    for (const std::string& text : flags.overlays) {
      try {
        areas.push_back(flag_value("overlay_areas", text)[0]);
      } catch (const SettingError& error) {
        throw UsageError("--overlay", error.what());
      }
    }
    set("overlay_areas", "--overlay", areas);
  }
  override_settings(base, given);
  return base;
}

PrintRequest build_request(const SettingsFlags& flags, const JobSettings& settings) {
  PrintRequest request;
  std::optional<std::vector<BYTE>> given;
  if (!flags.devmode_file.empty()) given = read_devmode_file(flags.devmode_file);
  request.devmode = application_devmode(settings, given);
  if (!flags.printer_file.empty()) request.printer = read_printer_file(flags.printer_file);
  apply_to_printer_store(settings, request.printer);
  return request;
}

void print_warnings(const Warnings& warnings, std::ostream& err) {
  for (const Warning& warning : warnings) err << warning_line(warning) << "\n";
}

struct PrintOptions {
  SettingsFlags settings;
  std::vector<std::string> pages;
  std::string output;
  std::string fit = "cover";
  std::string save_devmode;
  std::string batch;
  bool demo = false;
};

void run_print(const PrintOptions& options, std::ostream& err, bool stderr_is_terminal) {
  const int sources = int(!options.pages.empty()) + int(options.demo) + int(!options.batch.empty());
  if (sources != 1) {
    throw UsageError("print",
                     sources == 0
                         ? "give the card images (PAGE...), --batch MANIFEST or --demo"
                         : "give only one of: card images (PAGE...), --batch MANIFEST, --demo");
  }
  Warnings warnings;
  JobSettings settings =
      gather_settings(options.settings, options.demo ? demo_settings() : JobSettings{}, warnings);
  PrintRequest request = build_request(options.settings, settings);
  request.fit = *parse_fit_mode(options.fit);
  if (!options.save_devmode.empty()) request.save_devmode = options.save_devmode;
  const StripeData stripe = stripe_data(settings);
  if ((stripe.tracks[0] || stripe.tracks[1] || stripe.tracks[2]) &&
      stripe.mode.value_or('Q') == 'Q') {
    warnings.push_back(
        {"print", "track texts are written only in stripe mode R or W (--mag-mode)"});
  }

  std::vector<SidePlan> plan;
  std::size_t sides_per_card = 1;
  if (options.demo) {
    plan.push_back({"demo card", std::nullopt, 0, false, std::make_shared<const Image>(demo_card()),
                    stripe_escapes(stripe)});
  } else if (!options.batch.empty()) {
    Manifest manifest = read_manifest(options.batch, warnings);
    const WORD side_mode = side_mode_of(request.devmode);
    plan = plan_batch(manifest, side_mode, stripe, options.batch);
    sides_per_card = side_mode == SIDE_MODE_SINGLE ? 1 : 2;
  } else {
    std::vector<std::filesystem::path> files(options.pages.begin(), options.pages.end());
    plan = plan_pages(files);
    plan.front().escapes = stripe_escapes(stripe);
  }
  print_warnings(warnings, err);

  OutputFile output(options.output);
  const std::size_t cards = (plan.size() + sides_per_card - 1) / sides_per_card;
  Progress progress(err, stderr_is_terminal && !options.batch.empty(), cards, "cards");
  std::unique_ptr<SideSource> sides;
  if (!options.batch.empty()) {
    sides = std::make_unique<BatchSource>(std::move(plan), sides_per_card, progress);
  } else {
    auto decoder = std::make_shared<SideDecoder>(std::move(plan));
    sides = std::make_unique<DecodeAhead>([decoder] { return decoder->next(); }, kPageDecodeDepth);
  }
  print_cards(request, *sides, output);
  output.commit();
}

void run_info(const SettingsFlags& flags, bool json, std::ostream& out, std::ostream& err) {
  Warnings warnings;
  JobSettings settings = gather_settings(flags, {}, warnings);
  PrintRequest request = build_request(flags, settings);
  print_warnings(warnings, err);
  print_info(request, json, out);
}

std::string settings_keys_footer() {
  std::string text = "Settings file keys (JSON object, all optional):\n ";
  std::size_t column = 1;
  for (const SettingKey& setting : setting_keys()) {
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

}  // namespace

int run_tool(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
             bool stderr_is_terminal) {
  CLI::App app("Print card images to a card printer job, and inspect and preview jobs.", "ymcko");
  app.require_subcommand(1);
  app.footer("Exit status: 0 success, 1 a runtime or input error, 2 a usage error.");

  PrintOptions print_options;
  CLI::App* print =
      app.add_subcommand("print", "print card sides (PNG, JPEG, PDF pages) to a printer job file");
  print
      ->add_option("PAGE", print_options.pages,
                   "card sides in order; with side mode 1 or 2 front, back, front, ...")
      ->type_name("PAGE");
  print
      ->add_option("-o,--output", print_options.output,
                   "the job file, written whole or not at all; - is standard output")
      ->type_name("OUT")
      ->required();
  print
      ->add_option("--fit", print_options.fit,
                   "how an image of another size fills the page: cover (crop, default), contain "
                   "(white bars), "
                   "stretch; an image of the page's exact size is drawn pixel for pixel")
      ->type_name("MODE")
      ->check(CLI::IsMember({"cover", "contain", "stretch"}));
  print
      ->add_option("--batch", print_options.batch,
                   "many cards: a CSV file with the columns front, back, track1, track2, track3 "
                   "(header row; "
                   "paths relative to it)")
      ->type_name("MANIFEST.csv");
  print->add_flag("--demo", print_options.demo, "print the built-in demo card");
  print
      ->add_option("--save-devmode", print_options.save_devmode,
                   "write the instance's merged device mode")
      ->type_name("FILE");
  add_settings_options(print, print_options.settings);
  print->footer(settings_keys_footer());

  std::string inspect_job_path;
  InspectOptions inspect_options;
  std::string png_folder;
  CLI::App* inspect = app.add_subcommand("inspect", "list, check and preview a printer job");
  inspect->add_option("JOB", inspect_job_path, "the job file")->required();
  inspect
      ->add_option(
          "--png", png_folder,
          "write each card side's panels as greyscale PNGs and a colour preview into this folder")
      ->type_name("DIR");
  inspect->add_flag("--json", inspect_options.json, "one JSON document instead of lines");

  SettingsFlags info_flags;
  bool info_json = false;
  CLI::App* info =
      app.add_subcommand("info", "the device's capabilities, form and printer description");
  info->add_flag("--json", info_json, "one JSON document instead of text");
  add_settings_options(info, info_flags);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      out << app.help();
      return 0;
    }
    std::string message = error.what();
    err << "ymcko: error: command line: " << message << "\n";
    return 2;
  }

  try {
    if (print->parsed()) {
      run_print(print_options, err, stderr_is_terminal);
    } else if (inspect->parsed()) {
      if (!png_folder.empty()) inspect_options.png_folder = png_folder;
      inspect_job(inspect_job_path, inspect_options, out);
    } else if (info->parsed()) {
      run_info(info_flags, info_json, out, err);
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
  return 0;
}

}  // namespace ymcko::tool
