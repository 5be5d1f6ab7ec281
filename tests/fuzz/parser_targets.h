// The bodies of the parser fuzz targets, shared by the targets and the test
// that replays their kept inputs. Each takes arbitrary bytes as one input of
// a front end and returns true when the parser accepted them or refused them
// with its own error; any other exception is let through, so that the fuzzer
// stops on it and the test reports it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "jobstream/command_reader.h"
#include "print/devmode.h"
#include "print/errors.h"
#include "print/printer_store.h"
#include "print/session.h"
#include "print/settings.h"
#include "rastertoymcko/filter.h"
#include "ymcko/batch.h"
#include "ymcko/image_io.h"

namespace ymcko::testing {
namespace parser_targets {

inline std::string_view text_of(std::span<const std::uint8_t> input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// The driver takes the options and describes its device: the merged device
// mode must come back whole and checked.
inline bool driver_takes(const print::JobOptions& job) {
  const print::DeviceFacts facts = print::describe_device(job);
  print::check_devmode(facts.devmode, "merged device mode");
  return facts.page_width > 0 && facts.page_height > 0;
}

}  // namespace parser_targets

// The job-stream reader: every command lies inside the stream, in order, and
// an error lies at or after the last command.
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
  return !read.error || (read.error->offset >= end && read.error->offset <= input.size());
}

// The CSV manifest of a batch, in each side mode: parsed and planned, or
// refused naming the manifest.
inline bool run_manifest(std::span<const std::uint8_t> input) {
  for (int side_mode : {0, 1}) {
    try {
      print::Warnings warnings;
      const tool::Manifest manifest = tool::parse_manifest(parser_targets::text_of(input),
                                                           "/nonexistent", "cards.csv", warnings);
      const auto plan = tool::plan_batch(manifest, side_mode, {}, "cards.csv");
      if (plan.size() != manifest.cards.size() * (side_mode == 0 ? 1 : 2)) return false;
    } catch (const print::Error& error) {
      if (error.input().find("cards.csv") != 0) return false;
    }
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
  const int side_mode = print::side_mode_of(input);
  if (side_mode < 0 || side_mode > 2) return false;
  print::JobOptions job;
  job.devmode =
      print::application_devmode({}, std::vector<std::uint8_t>(input.begin(), input.end()));
  return parser_targets::driver_takes(job);
}

// A settings file: refused naming it, or its settings written into a device
// mode the driver takes.
inline bool run_settings_json(std::span<const std::uint8_t> input) {
  print::CardSettings settings;
  try {
    print::Warnings warnings;
    settings = print::parse_settings(parser_targets::text_of(input), "settings.json", warnings);
  } catch (const print::Error& error) {
    return error.input().find("settings.json") == 0;
  }
  print::JobOptions job;
  job.devmode = print::application_devmode(settings, std::nullopt);
  print::apply_to_printer_store(settings, job.printer);
  return parser_targets::driver_takes(job);
}

// A printer file: refused naming it, or its stored values taken by the driver.
inline bool run_printer_file(std::span<const std::uint8_t> input) {
  print::JobOptions job;
  try {
    job.printer = print::parse_printer_file(parser_targets::text_of(input), "printer.json");
  } catch (const print::Error& error) {
    return error.input().find("printer.json") == 0;
  }
  return parser_targets::driver_takes(job);
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
inline bool image_is_whole(const tool::Image& image) {
  if (image.width == 0 || image.height == 0 ||
      std::uint64_t(image.width) * image.height > tool::kMaxImagePixels ||
      image.rgba.size() != std::size_t(image.width) * image.height * 4)
    return false;
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 0xFF) return false;
  }
  return true;
}

inline bool run_png_image(std::span<const std::uint8_t> input) {
  try {
    return image_is_whole(tool::decode_png(input, "card.png"));
  } catch (const print::Error& error) {
    return error.input() == "card.png";
  }
}

inline bool run_jpeg_image(std::span<const std::uint8_t> input) {
  try {
    return image_is_whole(tool::decode_jpeg(input, "card.jpg"));
  } catch (const print::Error& error) {
    return error.input() == "card.jpg";
  }
}

}  // namespace ymcko::testing
