// The whole-job check: a job stream read and checked for more than its
// syntax, before it goes to a printer or is shown to a person.
#pragma once

#include <cstdint>
#include <span>

#include "cards/jobs/command_reader.h"

namespace ymcko::cards {

// Reads a job and checks more than the reader's syntax: the job opens with
// the document header, panels and overlay areas come while a card is in the
// printer and lie inside the panel, overlay areas are numbered from 0 on
// each side, copy counts are at least 1, and the job ends with the card end.
// The first fault found is the result's error.
jobstream::ReadResult check_job(std::span<const std::uint8_t> job);

// Whether the first bytes of a document open a job: they begin with a whole
// document header, as every job does; for telling a job from other
// documents by its start.
bool opens_a_job(std::span<const std::uint8_t> start);

}  // namespace ymcko::cards
