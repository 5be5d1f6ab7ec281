// The print service's job: one document on a sink, made by the driver as the
// graphics engine would drive it. Cards come whole, front and back with the
// card's stripe; card sides come whole or line by line, the session saying
// which is a front. The facts of the device come with the job, or alone for
// a front end that only describes the printer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "print/fit.h"
#include "print/printer_store.h"
#include "print/sink.h"
#include "print/stripe.h"

namespace ymcko::print {

// What a job asks of the driver.
struct JobOptions {
  // Handed to device enable as the application's device mode (see
  // application_devmode); empty: none.
  std::vector<std::uint8_t> devmode;
  PrinterStore printer;  // the printer's stored values
  FitMode fit = FitMode::cover;
  std::u16string document_name = u"ymcko job";
  // Whether the job can write a stripe, and the format of its texts: every
  // card's stripe is checked against them before the card is sent.
  StripeRules stripe;
};

// The options of a job with these card settings: the device mode an
// application would hand the driver (`given` with the settings written in,
// see application_devmode) and the printer's stored values with the
// settings' printer properties applied, and the stripe rules these make.
JobOptions job_options(const CardSettings& settings,
                       const std::optional<std::vector<std::uint8_t>>& given = std::nullopt,
                       PrinterStore printer = {});

// One option of a feature of the printer's description.
struct FeatureOption {
  std::string keyword;
  std::optional<std::string> name;                                         // its display text
  std::optional<std::pair<std::int32_t, std::int32_t>> paper_micrometres;  // page sizes
};

struct Feature {
  std::string keyword;
  std::uint32_t default_option = 0;  // Resolution: dots per inch
  std::vector<FeatureOption> options;
};

// The device as the driver makes it for a job's settings.
struct DeviceFacts {
  int resolution_dpi = 0;
  bool landscape = false;
  std::uint32_t page_width = 0;  // dots, the page bitmap
  std::uint32_t page_height = 0;
  std::int32_t page_width_micrometres = 0;
  std::int32_t page_height_micrometres = 0;
  std::int32_t paper_width = 0;  // dots
  std::int32_t paper_height = 0;
  std::int32_t printable_x = 0;  // dots from the paper's corner
  std::int32_t printable_y = 0;
  std::string form_name;
  std::string page_size_option;
  std::pair<std::int32_t, std::int32_t> paper_psreal;  // 1/256 point
  std::array<std::int32_t, 4> printable_psreal;        // left, lower, right, upper
  int copies = 1;
  int side_mode = 0;
  std::vector<Feature> features;
  std::vector<std::uint8_t> devmode;  // the merged device mode, whole
};

// The device facts for these options, without a job. Throws Error.
DeviceFacts describe_device(const JobOptions& options);

// 8-bit pixels as front ends deliver them; rgba is straight alpha, composited over white.
enum class PixelFormat { gray, rgb, rgba };

std::size_t bytes_per_pixel(PixelFormat format);

// Straight-alpha RGBA pixels blended over white in place and made opaque.
void composite_over_white(std::span<std::uint8_t> rgba);

// A card side's pixels: rows from the top, `stride` bytes apart.
struct ImageView {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  PixelFormat format = PixelFormat::rgba;
  std::span<const std::uint8_t> pixels;
  std::size_t stride = 0;  // 0: width * bytes per pixel
};

// A card side given whole: its pixels, or none for a side left white; `name`
// names it in messages.
struct Side {
  std::string name;
  std::optional<ImageView> image;
};

// One document on a sink. A side of the page's exact size is drawn pixel
// for pixel, any other size through the engine's stretch as the fit mode
// says. Every failure throws Error naming its cause; a failed or abandoned
// job is ended for the printer and dropped from the sink where the sink
// can, so no half document stays behind.
//
// A card's stripe goes to the printer before the card's front; a stripe
// the job's rules refuse (check_stripe) is refused before the card starts. In side mode
// 0 every side is a card of its own; in side modes 1 and 2 a card is a
// front and a back.
class PrintSession {
 public:
  // Makes the device instance for the options and starts the document.
  PrintSession(Sink& sink, const JobOptions& options);
  ~PrintSession();
  PrintSession(const PrintSession&) = delete;
  PrintSession& operator=(const PrintSession&) = delete;

  const DeviceFacts& facts() const;

  // A whole card: the front with the card's stripe, then in side modes 1
  // and 2 the back, white when there is none. A back in side mode 0 is
  // refused naming it, before anything of the card is sent.
  void add_card(const Side& front, const std::optional<Side>& back, const Stripe& stripe = {});

  // Whether the side that comes next is a card's front.
  bool next_side_is_front() const;

  // How the sides that follow are placed on the page when they are not of
  // its size (the options' fit mode until it is set).
  void set_fit(FitMode fit);

  // A whole side, the next of the document; a front takes the card's
  // stripe, a back none.
  void add_side(const ImageView& image, const std::string& name, const Stripe& card_stripe = {});
  // A side left white.
  void add_blank_side(const std::string& name, const Stripe& card_stripe = {});

  // A side line by line: `height` lines of `width` pixels, each given whole.
  void begin_side(std::uint32_t width, std::uint32_t height, PixelFormat format,
                  const std::string& name, const Stripe& card_stripe = {});
  void write_line(std::span<const std::uint8_t> line);
  void end_side();

  // Ends the document; the job is complete on the sink.
  void finish();

  // Sides sent so far.
  std::size_t sides() const;

 private:
  struct Job;
  std::unique_ptr<Job> job_;
};

}  // namespace ymcko::print
