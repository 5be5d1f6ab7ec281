// Card sides for a print session: the plan of which file and page make each
// side, the sides decoded from it, and the sources that hand out sides, or
// whole cards, in job order.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cards/images/image.h"
#include "cards/images/pdf_document.h"
#include "print/stripe.h"

namespace ymcko::cards {

// What makes one side: a page of a file, a ready image, or nothing (white).
struct SidePlan {
  std::string name;  // for messages
  std::optional<std::filesystem::path> file;
  int page = 0;                        // PDF page, from 0
  bool single_page = false;            // refuse a PDF with more than one page
  std::shared_ptr<const Image> image;  // used when there is no file
  print::Stripe stripe;                // a card's front: the card's stripe
  // The file's bytes, read when it was planned: a pipe or a FIFO cannot be
  // opened again.
  std::shared_ptr<const std::vector<std::uint8_t>> bytes;
  std::string origin;  // in a batch: "manifest:line", which its errors name
  std::string label;   // in a batch: "card 3 front"
  bool back = false;   // in a batch: the back of the card planned before it
};

// One side of the job, decoded.
struct CardSide {
  std::string name;            // for messages: the file and page it came from
  std::optional<Image> image;  // opaque RGBA; none leaves the page white
  print::Stripe stripe;        // a card's front: the card's stripe
};

// One card: its front, carrying the card's stripe, and its own back if it
// has one (the print session prints a missing back white).
struct Card {
  CardSide front;
  std::optional<CardSide> back;
};

// Card sides in job order, produced as the job asks for them.
class SideSource {
 public:
  virtual ~SideSource() = default;
  // The next side, or nothing after the last. Throws print::Error for a
  // side that cannot be made.
  virtual std::optional<CardSide> next() = 0;
};

// Whole cards in job order.
class CardSource {
 public:
  virtual ~CardSource() = default;
  // The next card, or nothing after the last. Throws print::Error for a
  // card that cannot be made.
  virtual std::optional<Card> next() = 0;
};

// One side per PNG or JPEG file and per PDF page, in order. Reads only the
// files' first bytes, and the PDFs' page counts; an input that is not a
// regular file is read whole, as it can be read only once.
std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files);

// The plan of side `index`, made when the side is decoded; nothing past the
// last side.
using PlanSide = std::function<std::optional<SidePlan>(std::size_t index)>;

// Decodes the sides of a plan, each once, in any order and on several
// threads at a time; each worker keeps a PDF open while its pages follow.
class SideDecoder {
 public:
  explicit SideDecoder(std::vector<SidePlan> plan, std::size_t workers = 1,
                       std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  explicit SideDecoder(PlanSide plan, std::size_t workers = 1,
                       std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  // Side `index` decoded by worker `worker`, or nothing past the last side.
  std::optional<CardSide> decode(std::size_t index, std::size_t worker);

 private:
  struct OpenPdf {
    std::optional<std::filesystem::path> path;
    std::unique_ptr<PdfDocument> document;
  };
  PlanSide plan_;
  std::vector<OpenPdf> open_;  // one a worker
  std::chrono::milliseconds pdf_page_time_limit_;
};

}  // namespace ymcko::cards
