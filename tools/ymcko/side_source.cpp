// Side plans, decoding, and the decode-ahead worker.
#include "ymcko/side_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "print/files.h"
#include "ymcko/errors.h"

namespace ymcko::tool {
std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files) {
  std::vector<SidePlan> plan;
  for (const auto& path : files) {
    ImageInput input(path);
    const ImageFormat format = input.format();
    if (format == ImageFormat::unknown)
      throw ToolError(input.name(), "not a PNG, JPEG or PDF file");
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    if (!input.regular() || format == ImageFormat::pdf)
      bytes = std::make_shared<const std::vector<std::uint8_t>>(input.read_all());
    if (format != ImageFormat::pdf) {
      plan.push_back({input.name(), path, 0, false, nullptr, {}, bytes, {}, {}});
      continue;
    }
    PdfDocument document(*bytes, input.name());
    for (int page = 0; page < document.pages(); ++page) {
      plan.push_back({input.name() + " page " + std::to_string(page + 1),
                      path,
                      page,
                      false,
                      nullptr,
                      {},
                      bytes,
                      {},
                      {}});
    }
  }
  return plan;
}

SideDecoder::SideDecoder(std::vector<SidePlan> plan, std::size_t workers,
                         std::chrono::milliseconds pdf_page_time_limit)
    : plan_(std::move(plan)),
      open_(std::max<std::size_t>(1, workers)),
      pdf_page_time_limit_(pdf_page_time_limit) {}

std::optional<CardSide> SideDecoder::decode(std::size_t index, std::size_t worker) {
  if (index >= plan_.size()) return std::nullopt;
  SidePlan& plan = plan_[index];  // this worker's alone: each side is decoded once
  CardSide side{plan.name, std::nullopt, std::move(plan.stripe)};
  if (!plan.file) {
    if (plan.image) side.image = *plan.image;
    return side;
  }
  OpenPdf& pdf = open_[worker];
  if (pdf.path == plan.file && pdf.document) {
    side.image = pdf.document->render(plan.page);
    return side;
  }
  // The file is opened once, unless its bytes were read when it was planned.
  const std::string name = plan.file->string();
  std::optional<ImageInput> input;
  if (!plan.bytes) {
    input.emplace(*plan.file);
    if (input->format() != ImageFormat::pdf) {
      side.image = input->decode();
      return side;
    }
  }
  std::vector<std::uint8_t> bytes = plan.bytes ? *plan.bytes : input->read_all();
  plan.bytes.reset();
  switch (sniff_format(bytes)) {
    case ImageFormat::png:
      side.image = decode_png(bytes, name);
      break;
    case ImageFormat::jpeg:
      side.image = decode_jpeg(bytes, name);
      break;
    case ImageFormat::pdf:
      pdf.document = std::make_unique<PdfDocument>(std::move(bytes), name, pdf_page_time_limit_);
      pdf.path = plan.file;
      if (plan.single_page && pdf.document->pages() != 1) {
        throw ToolError(name, "has " + std::to_string(pdf.document->pages()) +
                                  " pages; one card side takes one page");
      }
      side.image = pdf.document->render(plan.page);
      break;
    case ImageFormat::unknown:
      throw ToolError(name, "not a PNG, JPEG or PDF file");
  }
  return side;
}

namespace {

std::size_t pixel_bytes(const std::optional<CardSide>& side) {
  return side && side->image ? side->image->rgba.size() : 0;
}

}  // namespace

DecodeAhead::DecodeAhead(Produce produce, std::size_t depth, std::size_t workers,
                         std::size_t budget)
    : produce_(std::move(produce)), depth_(std::max<std::size_t>(1, depth)), budget_(budget) {
  for (std::size_t w = 0; w < std::max<std::size_t>(1, workers); ++w)
    workers_.emplace_back([this, w] { run(w); });
}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void DecodeAhead::run(std::size_t worker) {
  while (true) {
    std::size_t index;
    {
      std::unique_lock guard(lock_);
      changed_.wait(guard, [this] {
        return stopping_ || claimed_ >= end_ ||
               (claimed_ - taken_ < depth_ && waiting_bytes_ < budget_);
      });
      if (stopping_ || claimed_ >= end_) return;
      index = claimed_++;
    }
    Result result;
    try {
      result.side = produce_(index, worker);
    } catch (...) {
      result.error = std::current_exception();
    }
    {
      std::lock_guard guard(lock_);
      if (!result.side) end_ = std::min(end_, index);
      waiting_bytes_ += pixel_bytes(result.side);
      done_.emplace(index, std::move(result));
    }
    changed_.notify_all();
  }
}

std::optional<CardSide> DecodeAhead::next() {
  std::unique_lock guard(lock_);
  if (finished_) return std::nullopt;
  changed_.wait(guard, [this] { return done_.count(taken_) != 0; });
  auto found = done_.find(taken_);
  Result result = std::move(found->second);
  done_.erase(found);
  if (!result.side) {
    finished_ = true;
    if (result.error) std::rethrow_exception(result.error);
    return std::nullopt;
  }
  ++taken_;
  waiting_bytes_ -= pixel_bytes(result.side);
  guard.unlock();
  changed_.notify_all();
  return std::move(result.side);
}

std::size_t decode_workers() {
  return std::clamp<std::size_t>(std::thread::hardware_concurrency() / 2, 1, 4);
}

}  // namespace ymcko::tool
