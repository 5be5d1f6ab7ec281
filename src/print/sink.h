// Where a job's bytes go: the one interface between the engine's spool
// writes and a front end's output (a file, a device, a socket, memory).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ymcko::print {

class Sink {
 public:
  virtual ~Sink() = default;
  // Takes all of the bytes, or fails; after a failure the job stops.
  virtual bool write(std::span<const std::uint8_t> bytes) = 0;
  // The output as named in messages, and why its last write failed.
  virtual std::string name() const { return "output"; }
  virtual std::string failure() const { return "cannot be written"; }
  // The job failed: drop what was written, where that can be done.
  virtual void discard() {}
};

// Keeps the job in memory; a failed job leaves it empty.
class MemorySink final : public Sink {
 public:
  bool write(std::span<const std::uint8_t> bytes) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  }
  void discard() override { bytes_.clear(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace ymcko::print
