// Card sides for the job runner: the plan of which file and page make each
// side, and worker threads that decode sides ahead while the driver sends
// the ones before them, handing them out in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "print/stripe.h"
#include "ymcko/image_io.h"

namespace ymcko::tool {

// What makes one side: a page of a file, a ready image, or nothing (white).
struct SidePlan {
  std::string name;  // for messages
  std::optional<std::filesystem::path> file;
  int page = 0;                        // PDF page, from 0
  bool single_page = false;            // refuse a PDF with more than one page
  std::shared_ptr<const Image> image;  // used when there is no file
  print::Stripe stripe;                // sent before this side starts
  // The file's bytes, read when it was planned: a pipe or a FIFO cannot be
  // opened again.
  std::shared_ptr<const std::vector<std::uint8_t>> bytes;
  std::string origin;  // in a batch: "manifest:line", which its errors name
  std::string label;   // in a batch: "card 3 front"
};

// One side of the job, decoded.
struct CardSide {
  std::string name;            // for messages: the file and page it came from
  std::optional<Image> image;  // opaque RGBA; none leaves the page white
  print::Stripe stripe;        // sent before this side starts
};

// Card sides in job order, produced as the job asks for them.
class SideSource {
 public:
  virtual ~SideSource() = default;
  // The next side, or nothing after the last. Throws ToolError for a side
  // that cannot be made.
  virtual std::optional<CardSide> next() = 0;
};

// One side per PNG or JPEG file and per PDF page, in order. Reads only the
// files' first bytes, and the PDFs' page counts; an input that is not a
// regular file is read whole, as it can be read only once.
std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files);

// Decodes the sides of a plan, each once, in any order and on several
// threads at a time; each worker keeps a PDF open while its pages follow.
class SideDecoder {
 public:
  explicit SideDecoder(std::vector<SidePlan> plan, std::size_t workers = 1,
                       std::chrono::milliseconds pdf_page_time_limit = kPdfPageTimeLimit);
  std::size_t size() const { return plan_.size(); }
  // Side `index` decoded by worker `worker`, or nothing past the last side.
  std::optional<CardSide> decode(std::size_t index, std::size_t worker);

 private:
  struct OpenPdf {
    std::optional<std::filesystem::path> path;
    std::unique_ptr<PdfDocument> document;
  };
  std::vector<SidePlan> plan_;
  std::vector<OpenPdf> open_;  // one a worker
  std::chrono::milliseconds pdf_page_time_limit_;
};

// Sides made on worker threads, at most `depth` ahead of the reader, handed
// out in order: produce(index, worker) makes side `index` (nothing once it
// is past the last) on worker `worker`. No new side is begun while the
// finished ones waiting hold `budget` bytes of pixels or more. An exception
// from `produce` is thrown by next() in its place, after the sides before it.
class DecodeAhead final : public SideSource {
 public:
  using Produce = std::function<std::optional<CardSide>(std::size_t index, std::size_t worker)>;
  DecodeAhead(Produce produce, std::size_t depth, std::size_t workers = 1,
              std::size_t budget = std::size_t{32} << 20);
  ~DecodeAhead() override;  // stops the workers and waits for them
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  std::optional<CardSide> next() override;

 private:
  struct Result {
    std::optional<CardSide> side;  // nothing: the end, or the error
    std::exception_ptr error;
  };
  void run(std::size_t worker);

  Produce produce_;
  std::size_t depth_;
  std::size_t budget_;
  std::size_t waiting_bytes_ = 0;  // pixels of the finished sides not yet taken
  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::size_t, Result> done_;  // by index, until taken
  std::size_t claimed_ = 0;             // sides handed to the workers
  std::size_t taken_ = 0;               // sides handed out by next()
  std::size_t end_ = SIZE_MAX;          // the first index without a side, once known
  bool finished_ = false;               // next() has reached the end
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// Decoding threads for this machine: one for two cores, two for four, at most four.
std::size_t decode_workers();

}  // namespace ymcko::tool
