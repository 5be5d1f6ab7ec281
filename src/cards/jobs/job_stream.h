// A job read as its bytes come, from a file in chunks or fed by whoever
// sends it: each command and each complete card side is handed on as soon as
// it is read, with the whole-job check's faults at the same offsets, and no
// more held than the command being read and the side being built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "cards/jobs/command_reader.h"
#include "cards/jobs/job_check.h"
#include "cards/jobs/previews.h"

namespace ymcko::cards {

class JobStream {
 public:
  struct Handlers {
    // Each command read, in order; a panel's data lasts for the call only.
    std::function<void(const jobstream::Command&)> command;
    // Each card side once complete (at its card turn or card end), for as
    // long as the job has shown no fault.
    std::function<void(SidePrint&&)> side;
  };

  explicit JobStream(Handlers handlers);

  // The next bytes of the stream, of any size from one byte on.
  void feed(std::span<const std::uint8_t> bytes);

  // The stream is over: reads what is left and gives the job's fault as
  // check_job gives it for the whole stream (a fault of the syntax before
  // any of the structure; an empty stream is a fault), or none.
  std::optional<jobstream::ReadError> finish();

  // The first fault found so far, of the syntax or the structure, as soon as
  // it is read; a job with one is not sent on. finish() may name a later
  // fault of the syntax instead, as the whole-job check does.
  const std::optional<jobstream::ReadError>& fault() const { return fault_; }

  std::size_t bytes() const { return fed_; }          // fed so far
  std::size_t commands() const { return commands_; }  // read so far
  std::size_t sides() const { return sides_; }        // handed on so far
  std::size_t cards() const { return cards_; }        // started so far
  // Bytes kept for a command not yet whole.
  std::size_t pending() const { return buffer_.size() + (seek_ ? seek_->prefix.size() : 0); }

 private:
  // A text longer than any command's: its fault is known once its end byte
  // comes, or the stream ends without it; only its start is kept meanwhile.
  struct Seek {
    std::vector<std::uint8_t> prefix;  // the command up to some of its text
    std::size_t offset;                // of the command
    std::uint8_t stop;
  };

  std::size_t read(std::span<const std::uint8_t> bytes, std::size_t offset, bool last);
  void seek(std::span<const std::uint8_t> bytes);
  void take(const jobstream::Command& command);
  void syntax_fault(const jobstream::ReadError& error);

  Handlers handlers_;
  std::vector<std::uint8_t> buffer_;  // the stream's bytes from buffer_offset_ on
  std::size_t buffer_offset_ = 0;
  std::size_t fed_ = 0;
  std::size_t commands_ = 0;
  std::size_t sides_ = 0;
  std::size_t cards_ = 0;
  std::optional<Seek> seek_;
  std::optional<jobstream::ReadError> syntax_;
  std::optional<jobstream::ReadError> structure_fault_;
  std::optional<jobstream::ReadError> fault_;
  JobStructure structure_;
  SideAssembler assembler_;
};

// Reads the job in `file` through `stream` in chunks of `chunk` bytes and
// finishes it: the job's fault, or none. A print::Error when the file cannot
// be opened or read.
std::optional<jobstream::ReadError> read_job_file(const std::filesystem::path& file,
                                                  JobStream& stream,
                                                  std::size_t chunk = std::size_t{1} << 20);

}  // namespace ymcko::cards
