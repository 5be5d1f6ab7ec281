// The previews of a job being printed: its bytes read back as they go out,
// and each card side's held preview written once the side is whole.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cards/jobs/job_stream.h"
#include "ymcko/output_file.h"

namespace ymcko::tool {

// An output that passes every write on to `inner` and reads the job from
// the same bytes, writing each side's held preview (card-NNN-front.png,
// card-NNN-back.png) into `folder`, made when missing, as the card is held
// (`landscape` or portrait). A preview that cannot be written fails the job
// with the folder's name. The previews stay once the job is committed; a job
// that fails or is dropped takes them away.
class PreviewOutput final : public JobOutput {
 public:
  PreviewOutput(std::unique_ptr<JobOutput> inner, std::filesystem::path folder, bool landscape);
  ~PreviewOutput() override;

  bool write(std::span<const std::uint8_t> bytes) override;
  std::string name() const override;
  std::string failure() const override;
  void discard() override;
  void commit() override;

 private:
  void remove_previews();

  std::unique_ptr<JobOutput> inner_;
  std::filesystem::path folder_;
  bool landscape_;
  cards::JobStream stream_;
  std::vector<std::filesystem::path> written_;
  bool folder_made_ = false;
  bool committed_ = false;
  std::optional<std::string> preview_failure_;
};

}  // namespace ymcko::tool
