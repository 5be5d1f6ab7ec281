// Side plans, decoding, and the decode-ahead worker.
#include "ymcko/side_source.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "print/files.h"
#include "ymcko/errors.h"

namespace ymcko::tool {
namespace {

// The first bytes of a file, enough to tell its format.
std::vector<std::uint8_t> file_head(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    throw ToolError(path.string(), "is a folder, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    throw ToolError(path.string(), std::string("cannot be opened: ") + std::strerror(errno));
  std::vector<std::uint8_t> head(16);
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  return head;
}

}  // namespace

std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files) {
  std::vector<SidePlan> plan;
  for (const auto& path : files) {
    switch (sniff_format(file_head(path))) {
      case ImageFormat::png:
      case ImageFormat::jpeg:
        plan.push_back({path.string(), path, 0, false, nullptr, {}});
        break;
      case ImageFormat::pdf: {
        PdfDocument document(print::read_file(path), path.string());
        for (int page = 0; page < document.pages(); ++page) {
          plan.push_back({path.string() + " page " + std::to_string(page + 1),
                          path,
                          page,
                          false,
                          nullptr,
                          {}});
        }
        break;
      }
      case ImageFormat::unknown:
        throw ToolError(path.string(), "not a PNG, JPEG or PDF file");
    }
  }
  return plan;
}

std::optional<CardSide> SideDecoder::next() {
  if (at_ >= plan_.size()) return std::nullopt;
  SidePlan& plan = plan_[at_++];
  CardSide side{plan.name, std::nullopt, std::move(plan.stripe)};
  if (!plan.file) {
    if (plan.image) side.image = *plan.image;
    return side;
  }
  if (pdf_path_ == plan.file && pdf_) {
    side.image = pdf_->render(plan.page);
    return side;
  }
  std::vector<std::uint8_t> bytes = print::read_file(*plan.file);
  const std::string name = plan.file->string();
  switch (sniff_format(bytes)) {
    case ImageFormat::png:
      side.image = decode_png(bytes, name);
      break;
    case ImageFormat::jpeg:
      side.image = decode_jpeg(bytes, name);
      break;
    case ImageFormat::pdf:
      pdf_ = std::make_unique<PdfDocument>(std::move(bytes), name);
      pdf_path_ = plan.file;
      if (plan.single_page && pdf_->pages() != 1) {
        throw ToolError(
            name, "has " + std::to_string(pdf_->pages()) + " pages; one card side takes one page");
      }
      side.image = pdf_->render(plan.page);
      break;
    case ImageFormat::unknown:
      throw ToolError(name, "not a PNG, JPEG or PDF file");
  }
  return side;
}

DecodeAhead::DecodeAhead(Produce produce, std::size_t depth)
    : produce_(std::move(produce)), depth_(depth == 0 ? 1 : depth), worker_([this] { run(); }) {}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void DecodeAhead::run() {
  while (true) {
    {
      std::unique_lock guard(lock_);
      changed_.wait(guard, [this] { return stopping_ || ready_.size() < depth_; });
      if (stopping_) return;
    }
    std::optional<CardSide> side;
    std::exception_ptr error;
    try {
      side = produce_();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard guard(lock_);
      if (side) {
        ready_.push_back(std::move(*side));
      } else {
        error_ = error;
        finished_ = true;
      }
    }
    changed_.notify_all();
    if (!side) return;
  }
}

std::optional<CardSide> DecodeAhead::next() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return !ready_.empty() || finished_; });
  if (!ready_.empty()) {
    CardSide side = std::move(ready_.front());
    ready_.pop_front();
    guard.unlock();
    changed_.notify_all();
    return side;
  }
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  return std::nullopt;
}

}  // namespace ymcko::tool
