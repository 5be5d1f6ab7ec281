// Side plans and their decoding.
#include "cards/sides/side_plan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "cards/images/image_file.h"
#include "cards/images/jpeg_decode.h"
#include "cards/images/png_decode.h"
#include "print/errors.h"
#include "print/files.h"

namespace ymcko::cards {

std::vector<SidePlan> plan_pages(const std::vector<std::filesystem::path>& files) {
  std::vector<SidePlan> plan;
  for (const auto& path : files) {
    ImageInput input(path);
    const ImageFormat format = input.format();
    if (format == ImageFormat::unknown)
      throw print::Error(input.name(), "not a PNG, JPEG or PDF file");
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    if (!input.regular() || format == ImageFormat::pdf)
      bytes = std::make_shared<const std::vector<std::uint8_t>>(input.read_all());
    if (format != ImageFormat::pdf) {
      plan.push_back({input.name(), path, 0, false, nullptr, {}, bytes, {}, {}, false});
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
                      {},
                      false});
    }
  }
  return plan;
}

SideDecoder::SideDecoder(std::vector<SidePlan> plan, std::size_t workers,
                         std::chrono::milliseconds pdf_page_time_limit)
    : SideDecoder(
          // Each side is decoded once: its plan is handed over, and with it
          // the bytes of a file read when it was planned.
          [plan = std::make_shared<std::vector<SidePlan>>(std::move(plan))](
              std::size_t index) -> std::optional<SidePlan> {
            if (index >= plan->size()) return std::nullopt;
            return std::move((*plan)[index]);
          },
          workers, pdf_page_time_limit) {}

SideDecoder::SideDecoder(PlanSide plan, std::size_t workers,
                         std::chrono::milliseconds pdf_page_time_limit)
    : plan_(std::move(plan)),
      open_(std::max<std::size_t>(1, workers)),
      pdf_page_time_limit_(pdf_page_time_limit) {}

std::optional<CardSide> SideDecoder::decode(std::size_t index, std::size_t worker) {
  std::optional<SidePlan> planned = plan_(index);
  if (!planned) return std::nullopt;
  SidePlan& plan = *planned;
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
        throw print::Error(name, "has " + std::to_string(pdf.document->pages()) +
                                     " pages; one card side takes one page");
      }
      side.image = pdf.document->render(plan.page);
      break;
    case ImageFormat::unknown:
      throw print::Error(name, "not a PNG, JPEG or PDF file");
  }
  return side;
}

}  // namespace ymcko::cards
