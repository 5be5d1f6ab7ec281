// Jobs sent to a printer as they are made: an existing character device
// (a USB printer's node), a FIFO or a local socket is written straight into,
// and "socket://HOST[:PORT]" is a TCP connection to the printer's raw port.
// Nothing is put in their place, and a failure part-way says how many bytes
// reached the printer.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "print/descriptor_sink.h"
#include "ymcko/output_file.h"

namespace ymcko::tool {

// The raw port card printers listen on, and how long a connection may take.
inline constexpr int kRawPort = 9100;
inline constexpr std::chrono::seconds kConnectTimeout{10};

// The output for `-o TARGET`: "-" standard output, socket://HOST[:PORT] a
// TCP connection, an existing character device, FIFO or socket streamed into,
// anything else an atomically written file. Throws ToolError naming the target.
std::unique_ptr<JobOutput> open_output(const std::string& target);

// A job streamed into an open descriptor, closed at commit.
class StreamOutput final : public JobOutput {
 public:
  StreamOutput(int fd, std::string name) : fd_(fd), sink_(fd, std::move(name)) {}
  ~StreamOutput() override;
  StreamOutput(const StreamOutput&) = delete;
  StreamOutput& operator=(const StreamOutput&) = delete;

  bool write(std::span<const std::uint8_t> bytes) override { return sink_.write(bytes); }
  std::string name() const override { return sink_.name(); }
  std::string failure() const override { return sink_.failure(); }
  // What reached the printer stays there; the session has ended the document.
  void discard() override {}
  // Ends the stream (a socket is shut for writing first, so the printer
  // sees the job's end); throws ToolError when the close reports an error.
  void commit() override;

 private:
  int fd_;
  print::DescriptorSink sink_;
};

}  // namespace ymcko::tool
