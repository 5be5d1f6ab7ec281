// The progress bar.
#include "ymcko/progress.h"

#include <algorithm>

namespace ymcko::tool {

Progress::Progress(std::ostream& out, bool enabled, std::size_t total, std::string_view unit)
    : out_(out), enabled_(enabled && total > 0), total_(total), unit_(unit) {}

void Progress::update(std::size_t done) {
  if (!enabled_ || shown_ == done) return;
  shown_ = done;
  constexpr std::size_t width = 30;
  std::size_t filled = std::min(done, total_) * width / total_;
  std::string digits = std::to_string(total_);
  std::string count = std::to_string(done);
  out_ << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] "
       << std::string(digits.size() - std::min(digits.size(), count.size()), ' ') << count << "/"
       << digits << " " << unit_ << std::flush;
}

Progress::~Progress() { finish(); }

void Progress::finish() {
  if (!enabled_ || !shown_) return;
  out_ << "\n" << std::flush;
  shown_.reset();
}

}  // namespace ymcko::tool
