// Card sides for the job runner: the plan of which file and page make each
// side, and a worker thread that decodes sides ahead, in order, while the
// driver sends the ones before them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
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
// files' first bytes, and the PDFs' page counts.
std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files);

// Decodes the sides of a plan one after another; a PDF stays open while its
// pages follow each other.
class SideDecoder {
 public:
  explicit SideDecoder(std::vector<SidePlan> plan) : plan_(std::move(plan)) {}
  std::size_t size() const { return plan_.size(); }
  // The next side, or nothing after the last.
  std::optional<CardSide> next();

 private:
  std::vector<SidePlan> plan_;
  std::size_t at_ = 0;
  std::optional<std::filesystem::path> pdf_path_;
  std::unique_ptr<PdfDocument> pdf_;
};

// Runs `produce` on a worker thread, at most `depth` results ahead of the
// reader, and hands the results out in order. An exception from `produce`
// is thrown by next() in its place, after the results before it.
class DecodeAhead final : public SideSource {
 public:
  using Produce = std::function<std::optional<CardSide>()>;
  DecodeAhead(Produce produce, std::size_t depth);
  ~DecodeAhead() override;  // stops the worker and waits for it
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  std::optional<CardSide> next() override;

 private:
  void run();

  Produce produce_;
  std::size_t depth_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<CardSide> ready_;
  std::exception_ptr error_;
  bool finished_ = false;  // the worker has produced its last result or error
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace ymcko::tool
