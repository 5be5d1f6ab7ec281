// The whole-job check: a job stream read and checked for more than its
// syntax, before it goes to a printer or is shown to a person.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "cards/jobs/command_reader.h"

namespace ymcko::cards {

// Reads a job and checks more than the reader's syntax: the job opens with
// the document header, panels and overlay areas come while a card is in the
// printer and lie inside the panel, overlay areas are numbered from 0 on
// each side, copy counts are at least 1, and the job ends with the card end.
// The first fault found is the result's error.
jobstream::ReadResult check_job(std::span<const std::uint8_t> job);

// The same checks beyond the syntax, one command at a time, for a job read
// as it comes: take() each command in order, until one gives a fault; end()
// when the stream is over.
class JobStructure {
 public:
  // The fault of this command, given the ones before it.
  std::optional<jobstream::ReadError> take(const jobstream::Command& command);
  // The fault at the end of the job: it must close with the card end.
  std::optional<jobstream::ReadError> end() const;

 private:
  std::size_t commands_ = 0;
  bool card_in_ = false;
  unsigned next_area_ = 0;
  std::size_t last_end_ = 0;
  bool last_is_card_end_ = false;
};

// Whether the first bytes of a document open a job: they begin with a whole
// document header, as every job does; for telling a job from other
// documents by its start.
bool opens_a_job(std::span<const std::uint8_t> start);

}  // namespace ymcko::cards
