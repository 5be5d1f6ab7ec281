// Previews written from a job's bytes on their way out.
#include "ymcko/preview_output.h"

#include <exception>
#include <system_error>

#include "ymcko/errors.h"

namespace ymcko::tool {

PreviewOutput::PreviewOutput(std::unique_ptr<JobOutput> inner, std::filesystem::path folder,
                             bool landscape)
    : inner_(std::move(inner)),
      folder_(std::move(folder)),
      landscape_(landscape),
      stream_(cards::JobStream::Handlers{
          {}, [this](cards::SidePrint&& side) {
            if (!folder_made_) {
              folder_made_ = !std::filesystem::exists(folder_);
              cards::make_preview_folder(folder_);
            }
            auto more = cards::write_side_previews(side, folder_, {landscape_, false});
            written_.insert(written_.end(), more.begin(), more.end());
          }}) {}

PreviewOutput::~PreviewOutput() {
  if (!committed_) remove_previews();
}

bool PreviewOutput::write(std::span<const std::uint8_t> bytes) {
  if (preview_failure_ || !inner_->write(bytes)) return false;
  try {
    stream_.feed(bytes);
  } catch (const std::exception& error) {
    preview_failure_ = error.what();
    return false;
  }
  return true;
}

std::string PreviewOutput::name() const {
  return preview_failure_ ? folder_.string() : inner_->name();
}

std::string PreviewOutput::failure() const {
  return preview_failure_ ? "the previews cannot be written: " + *preview_failure_
                          : inner_->failure();
}

void PreviewOutput::discard() {
  inner_->discard();
  remove_previews();
}

void PreviewOutput::commit() {
  std::optional<jobstream::ReadError> fault;
  try {
    fault = stream_.finish();
  } catch (const std::exception& error) {
    throw ToolError(folder_.string(),
                    std::string("the previews cannot be written: ") + error.what());
  }
  if (fault) {
    throw ToolError(folder_.string(), "the job read back is malformed at offset " +
                                          std::to_string(fault->offset) + ": expected " +
                                          fault->expected);
  }
  inner_->commit();
  committed_ = true;
}

void PreviewOutput::remove_previews() {
  std::error_code ignored;
  for (const auto& path : written_) std::filesystem::remove(path, ignored);
  if (folder_made_) std::filesystem::remove(folder_, ignored);
  written_.clear();
  folder_made_ = false;
}

}  // namespace ymcko::tool
