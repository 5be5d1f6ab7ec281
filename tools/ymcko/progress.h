// The progress bar shown on a terminal while the cards of a batch or a
// template run print.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace ymcko::tool {

// A progress bar on a terminal: "[#####.....]  12/200 cards", redrawn in
// place; silent when not enabled.
class Progress {
 public:
  Progress(std::ostream& out, bool enabled, std::size_t total, std::string_view unit);
  // Ends the line, so that an error printed after the bar starts a line of its own.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void update(std::size_t done);
  void finish();  // ends the line

 private:
  std::ostream& out_;
  bool enabled_;
  std::size_t total_;
  std::string unit_;
  std::optional<std::size_t> shown_;
};

}  // namespace ymcko::tool
