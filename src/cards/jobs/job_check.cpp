// The job's structure over the commands the reader accepted.
#include "cards/jobs/job_check.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include "print/card_geometry.h"
#include "print/card_settings.h"

namespace ymcko::cards {
namespace {

namespace js = jobstream;

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

using print::kPanelColumns;
using print::kPanelLines;

// A trailer's copy count within the range the settings give copies.
bool copies_in_range(const std::string& count) {
  static const print::Setting& copies = *print::find_setting("copies");
  const long value = std::strtol(count.c_str(), nullptr, 10);
  return value >= copies.min && value <= copies.max;
}

std::string copies_range() {
  const print::Setting& copies = *print::find_setting("copies");
  return "a copy count of " + std::to_string(copies.min) + " to " + std::to_string(copies.max);
}

}  // namespace

std::optional<js::ReadError> JobStructure::take(const js::Command& command) {
  auto fault = [&](std::string what) { return js::ReadError{command.offset, std::move(what)}; };
  const bool first = commands_++ == 0;
  last_end_ = command.offset + command.length;
  last_is_card_end_ = std::holds_alternative<js::CardEnd>(command.body);
  const bool is_header = std::holds_alternative<js::DocumentHeader>(command.body);
  if (first && !is_header) return fault("the document header (ESC \"R\") opening the job");
  if (!first && is_header) return fault("one document header only, at the start");
  return std::visit(
      Overloaded{
          [&](const js::CardStart&) -> std::optional<js::ReadError> {
            if (card_in_) return fault("a card end before the next card start");
            card_in_ = true;
            return std::nullopt;
          },
          [&](const js::CardEnd&) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card start before the card end");
            card_in_ = false;
            return std::nullopt;
          },
          [&](const js::CardTurn&) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card in the printer to turn");
            return std::nullopt;
          },
          [&](const js::PanelClear& c) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card in the printer before panel commands");
            if (c.panel == 'O') next_area_ = 0;
            return std::nullopt;
          },
          [&](const js::Panel& c) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card in the printer before panel data");
            if (c.column + c.line_width > kPanelColumns) {
              return fault("panel lines within 656 columns (column " + std::to_string(c.column) +
                           " + width " + std::to_string(c.line_width) + ")");
            }
            if (c.first_line + c.lines() > kPanelLines) {
              return fault("panel lines within 1024 lines (first line " +
                           std::to_string(c.first_line) + " + " + std::to_string(c.lines()) +
                           " lines)");
            }
            if (!copies_in_range(c.count)) return fault(copies_range() + " in the panel trailer");
            return std::nullopt;
          },
          [&](const js::OverlayArea& c) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card in the printer before overlay areas");
            if (c.number != next_area_)
              return fault("overlay area number " + std::to_string(next_area_));
            ++next_area_;
            if (c.first_line > c.last_line || c.last_line >= kPanelLines ||
                c.first_column > c.last_column || c.last_column >= kPanelColumns) {
              return fault("an overlay area with first before last inside 656 x 1024");
            }
            if (c.flag > 1) return fault("an overlay area flag of 0 or 1");
            return std::nullopt;
          },
          [&](const js::OverlayTrailer& c) -> std::optional<js::ReadError> {
            if (!card_in_) return fault("a card in the printer before the overlay end");
            if (!copies_in_range(c.count)) return fault(copies_range() + " in the overlay end");
            next_area_ = 0;
            return std::nullopt;
          },
          [](const auto&) -> std::optional<js::ReadError> { return std::nullopt; },
      },
      command.body);
}

std::optional<js::ReadError> JobStructure::end() const {
  if (commands_ > 0 && !last_is_card_end_)
    return js::ReadError{last_end_, "the card end (ESC 0x04 CR) closing the job"};
  return std::nullopt;
}

js::ReadResult check_job(std::span<const std::uint8_t> job) {
  js::ReadResult result = js::read_commands(job);
  if (job.empty()) {
    result.error = js::ReadError{0, "at least one command (the file is empty)"};
  } else if (!result.error) {
    JobStructure structure;
    for (const js::Command& command : result.commands) {
      result.error = structure.take(command);
      if (result.error) break;
    }
    if (!result.error) result.error = structure.end();
  }
  return result;
}

bool opens_a_job(std::span<const std::uint8_t> start) {
  const js::ReadResult read = js::read_commands(start);
  return !read.commands.empty() &&
         std::holds_alternative<js::DocumentHeader>(read.commands.front().body);
}

}  // namespace ymcko::cards
