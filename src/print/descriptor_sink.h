// A job written to an open file descriptor: a device node, a FIFO, a
// socket or standard output. What reached it cannot be taken back, so a
// failure says how many bytes did.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "print/sink.h"

namespace ymcko::print {

class DescriptorSink final : public Sink {
 public:
  // `fd` is borrowed; `name` names the output in messages.
  DescriptorSink(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

  // Writes all of the bytes, going on after short writes and interruptions;
  // after a failure every later write fails too.
  bool write(std::span<const std::uint8_t> bytes) override;
  std::string name() const override { return name_; }
  std::string failure() const override;

  std::uint64_t bytes_written() const { return written_; }

 private:
  int fd_;
  std::string name_;
  std::uint64_t written_ = 0;
  std::optional<int> error_;
};

}  // namespace ymcko::print
