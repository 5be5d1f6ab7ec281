// The bodies of the parser fuzz targets, shared by the targets and the test
// that replays their kept inputs. Each takes arbitrary bytes as one input of
// a front end and returns true when the parser accepted them or refused them
// with its own error; any other exception is let through, so that the fuzzer
// stops on it and the test reports it.
#pragma once

#include <libxml/parser.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cards/designs/card_template.h"
#include "cards/images/image.h"
#include "cards/images/jpeg_decode.h"
#include "cards/images/png_decode.h"
#include "cards/jobs/command_reader.h"
#include "cards/jobs/job_check.h"
#include "cards/jobs/job_stream.h"
#include "cards/sides/csv.h"
#include "cards/sides/decode_ahead.h"
#include "cards/sides/manifest.h"
#include "engine/engine.h"
#include "engine/hooks.h"
#include "output/devmode_merge.h"
#include "ppdimage/ppd_pack.h"
#include "print/card_settings.h"
#include "print/devmode.h"
#include "print/errors.h"
#include "print/printer_store.h"
#include "print/session.h"
#include "rastertoymcko/filter.h"

namespace ymcko::testing {
namespace parser_targets {

inline std::string_view text_of(std::span<const std::uint8_t> input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// The driver's merge of an application's device mode over its defaults
// gives its engine memory back.
inline bool merge_agrees(std::span<const std::uint8_t> devmode) {
  static DWORD image_size = 0;
  static PPDDATA* const image = PpdCreate(u"card", &image_size);
  const ppd_view card(image, image_size);
  if (!card.valid()) return false;
  const auto at_start = engine::outstanding_total();
  // The merge reads the record in place: a copy of its exact length, aligned.
  std::unique_ptr<BYTE[]> given(new BYTE[devmode.size() + 1]);
  if (!devmode.empty()) std::memcpy(given.get(), devmode.data(), devmode.size());
  auto merged = std::make_unique<DRVDEVMODE>();
  SetDefaultDevMode(merged.get(), u"Card printer", card, false);
  ValidateSetDevMode(merged.get(), reinterpret_cast<const DEVMODEW*>(given.get()), devmode.size(),
                     card);
  const auto at_end = engine::outstanding_total();
  return at_end.blocks == at_start.blocks && at_end.bytes == at_start.bytes;
}

}  // namespace parser_targets

// The job-stream reader: every command lies inside the stream, in order, an
// error lies at or after the last command, and the reader fed in pieces
// gives the whole-job check's commands and fault.
inline bool run_jobstream(std::span<const std::uint8_t> input) {
  const jobstream::ReadResult read = jobstream::read_commands(input);
  std::size_t end = 0;
  for (const jobstream::Command& command : read.commands) {
    if (command.offset < end || command.length == 0 || command.length > input.size() ||
        command.offset > input.size() - command.length)
      return false;
    end = command.offset + command.length;
    if (const auto* panel = std::get_if<jobstream::Panel>(&command.body)) {
      if (panel->data.size() > command.length || panel->data.data() < input.data() ||
          panel->data.data() + panel->data.size() > input.data() + input.size())
        return false;
    }
    if (jobstream::describe(command).empty()) return false;
  }
  if (read.error && (read.error->offset < end || read.error->offset > input.size())) return false;
  // Fed in pieces (their size from the first byte), the job gives the whole
  // job check's commands and fault.
  const std::optional<jobstream::ReadError> whole = cards::check_job(input).error;
  const std::size_t piece = input.empty() ? 1 : input[0] % 61 + 1;
  std::size_t commands = 0;
  cards::JobStream stream({[&](const jobstream::Command&) { ++commands; }, {}});
  for (std::size_t at = 0; at < input.size(); at += piece)
    stream.feed(input.subspan(at, std::min(piece, input.size() - at)));
  const std::optional<jobstream::ReadError> fed = stream.finish();
  return commands == read.commands.size() && fed.has_value() == whole.has_value() &&
         (!fed || (fed->offset == whole->offset && fed->expected == whole->expected));
}

// The CSV manifest of a batch: parsed and planned, a front for every card
// and a back for every back image, or refused naming the manifest.
inline bool run_manifest(std::span<const std::uint8_t> input) {
  try {
    const cards::Manifest manifest =
        cards::parse_manifest(parser_targets::text_of(input), "/nonexistent", "cards.csv");
    std::size_t backs = 0;
    for (std::size_t i = 0; i < manifest.size(); ++i) backs += manifest.card(i).back.has_value();
    const cards::BatchPlan plan =
        cards::plan_batch(manifest, {}, {true, print::StripeFormat::raw, 'W'}, "cards.csv");
    if (plan.size() != manifest.size() + backs || !plan.side(plan.size() - 1) ||
        plan.side(plan.size()))
      return false;
  } catch (const print::Error& error) {
    if (error.input().find("cards.csv") != 0) return false;
  }
  return true;
}

// An application's device-mode file: refused, or checked and then merged by
// the driver.
inline bool run_devmode(std::span<const std::uint8_t> input) {
  try {
    print::check_devmode(input, "app.devmode");
  } catch (const print::Error& error) {
    return error.input() == "app.devmode";
  }
  if (!parser_targets::merge_agrees(input)) return false;
  // The tool's settings written over it make a record that passes the check again.
  const std::vector<std::uint8_t> job =
      print::application_devmode({}, std::vector<std::uint8_t>(input.begin(), input.end()));
  print::check_devmode(job, "job device mode");
  return parser_targets::merge_agrees(job);
}

// A settings file: refused naming it, or its settings written into a device
// mode that passes the check and that the driver's merge reads as the front
// ends do.
inline bool run_settings_json(std::span<const std::uint8_t> input) {
  print::CardSettings settings;
  try {
    print::Warnings warnings;
    settings = print::parse_settings(parser_targets::text_of(input), "settings.json", warnings);
  } catch (const print::Error& error) {
    return error.input().find("settings.json") == 0;
  }
  const std::vector<std::uint8_t> devmode = print::application_devmode(settings, std::nullopt);
  print::check_devmode(devmode, "job device mode");
  print::PrinterStore store;
  print::apply_to_printer_store(settings, store);
  return parser_targets::merge_agrees(devmode) &&
         store.properties.has_value() ==
             (settings.has("mag_encoder") || settings.has("job_r_value"));
}

// A printer file: refused naming it, or read into whole records.
inline bool run_printer_file(std::span<const std::uint8_t> input) {
  print::PrinterStore store;
  try {
    store = print::parse_printer_file(parser_targets::text_of(input), "printer.json");
  } catch (const print::Error& error) {
    return error.input().find("printer.json") == 0;
  }
  // The stored settings written over what was read keep the records whole.
  print::Warnings warnings;
  print::CardSettings settings;
  settings.set("job_r_value", std::int64_t(7), "test", warnings);
  print::apply_to_printer_store(settings, store);
  return store.properties.has_value() && warnings.empty();
}

// The CUPS filter's raster input, read from a memory file as from CUPS's
// pipe: the job is made whole, or the filter says why on one ERROR line and
// leaves no output.
inline bool run_raster(std::span<const std::uint8_t> input) {
  const int fd = memfd_create("raster", MFD_CLOEXEC);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < input.size()) {
    const ssize_t n = ::write(fd, input.data() + written, input.size() - written);
    if (n <= 0) break;
    written += std::size_t(n);
  }
  ::lseek(fd, 0, SEEK_SET);
  filter::Arguments arguments;
  arguments.job_id = "1";
  arguments.user = "fuzz";
  arguments.title = "raster";
  print::MemorySink out;
  std::ostringstream log;
  static const volatile std::sig_atomic_t not_cancelled = 0;
  const int status = filter::run(arguments, fd, out, log, nullptr, not_cancelled);
  ::close(fd);
  if (written != input.size()) return false;
  if (status == 0) return !out.bytes().empty();
  // A refusal names its input; a bare exception text would not.
  const std::string text = log.str();
  const std::size_t error = text.find("ERROR: ");
  return status == 1 && out.bytes().empty() && error != std::string::npos &&
         (text.compare(error, 13, "ERROR: raster") == 0 ||
          text.compare(error, 12, "ERROR: page ") == 0 ||
          text.compare(error, 14, "ERROR: options") == 0);
}

// A decoded image holds exactly its pixels, opaque.
inline bool image_is_whole(const cards::Image& image) {
  if (image.width == 0 || image.height == 0 ||
      std::uint64_t(image.width) * image.height > cards::kMaxImagePixels ||
      image.rgba.size() != std::size_t(image.width) * image.height * 4)
    return false;
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 0xFF) return false;
  }
  return true;
}

inline bool run_png_image(std::span<const std::uint8_t> input) {
  try {
    return image_is_whole(cards::decode_png(input, "card.png"));
  } catch (const print::Error& error) {
    return error.input() == "card.png";
  }
}

inline bool run_jpeg_image(std::span<const std::uint8_t> input) {
  try {
    return image_is_whole(cards::decode_jpeg(input, "card.jpg"));
  } catch (const print::Error& error) {
    return error.input() == "card.jpg";
  }
}

// A card template: refused naming the template, or parsed and filled for a
// row whose values are markup, into an SVG that parses again (or the row is
// refused, naming it, for a photo it cannot load).
inline bool run_template(std::span<const std::uint8_t> input) {
  // A folder of its own, removed when the process ends.
  static const struct Scratch {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("ymcko-template-fuzz-" + std::to_string(::getpid()));
    Scratch() { std::filesystem::create_directories(path); }
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  } scratch;
  const std::filesystem::path& folder = scratch.path;
  const std::filesystem::path path = folder / "t.svg";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
  try {
    const cards::CardTemplate design(path, folder);
    // One row with a value for each placeholder that can be a column.
    std::string header = "\" \"", values = "\"\"";
    for (const std::string& column : design.placeholders()) {
      if (column.empty() || column.size() > 4096) continue;
      std::string quoted;
      for (char c : column) quoted += c == '"' ? "\"\"" : std::string(1, c);
      header += ",\"" + quoted + "\"";
      values += ",\"<&\"\"'>]]>\"";
    }
    const std::string text = header + "\n" + values + "\n";
    const cards::DataFile data =
        cards::parse_data_file({text.begin(), text.end()}, "d.csv", folder);
    const cards::DataRow row = data.rows[0];
    design.row_problems(row);
    std::vector<cards::CodeSlot> codes;
    const std::string svg = design.fill(row, codes);
    xmlDocPtr doc = xmlReadMemory(svg.data(), int(svg.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(doc);
    return doc != nullptr && codes.size() == design.codes().size();
  } catch (const print::Error& error) {
    return error.input() == path.string() || error.input().starts_with("d.csv:");
  }
}

}  // namespace ymcko::testing
