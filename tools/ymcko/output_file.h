// The job's output file, written atomically: the bytes go to a temporary file
// in the same folder, which replaces the target only when the whole job was
// written. On any error no output is left and an existing file is untouched.
// "-" stands for standard output, as do /dev/stdout and its other names
// (standard error's names for standard error). A symbolic link is written
// through to what it points at and stays a link. A new file is made mode
// 0600, as a job holds personal data; a replaced file keeps its mode and
// owner.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "print/session.h"

namespace ymcko::tool {

// Where a job goes: the print session writes it, and the tool commits it
// once the job is whole. Throws ToolError naming the output.
class JobOutput : public print::Sink {
 public:
  virtual void commit() = 0;
};

// The system call that writes; tests route it elsewhere to make writes fail.
using WriteCall = std::function<ssize_t(int fd, const void* bytes, std::size_t count)>;

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of the outputs
// not yet committed and end the program with status 128 + the signal.
void remove_temporaries_on_interrupt();

class OutputFile final : public JobOutput {
 public:
  // Creates the temporary file beside `target` at once, so an unwritable
  // folder is reported before any work. Throws ToolError naming the target.
  explicit OutputFile(std::filesystem::path target, WriteCall write_call = {});
  ~OutputFile() override;  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Takes all of `bytes`, or fails and remembers why; after a failure every
  // later write fails too.
  bool write(std::span<const std::uint8_t> bytes) override;
  std::string name() const override { return target_.string(); }
  std::string failure() const override { return failure_.value_or("cannot be written"); }
  // Removes the temporary file; the target is left as it was.
  void discard() override;

  // Marks the job failed for a reason found outside this file (for example a
  // failed spooler write that the driver does not report).
  void fail(const std::string& reason);

  // Flushes the file to disk and renames it over the target. Throws
  // ToolError when a write failed or the rename is refused; the temporary
  // file is then removed.
  void commit() override;

  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporary() const { return temporary_; }

 private:
  std::filesystem::path target_;       // as given, for messages
  std::filesystem::path destination_;  // the file replaced: the target, its links followed
  std::filesystem::path temporary_;
  int fd_ = -1;
  int interrupt_slot_ = -1;  // where the signal handler finds the temporary file
  WriteCall write_call_;
  std::optional<std::string> failure_;
  bool committed_ = false;
};

}  // namespace ymcko::tool
