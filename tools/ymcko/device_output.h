// Jobs sent to a printer as they are made: an existing character device
// (a USB printer's node), a FIFO or a local socket is written straight into,
// and "socket://HOST[:PORT]" is a TCP connection to the printer's raw port.
// Nothing is put in their place, and a failure part-way says how many bytes
// reached the device or were sent to the printer. A printer on a connection
// that reads nothing for the socket time-out fails the job.
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

// How long a printer on a connection may read nothing before the job fails.
// A card printer stops reading while it prints a card, which takes up to
// about a minute (four or five panels, a turn for the back, the stripe), and
// before the first card it may warm up and find its ribbon; twice the
// longest card leaves room for that, and a printer that has really stopped
// is still reported within two minutes.
inline constexpr std::chrono::seconds kSocketTimeout{120};

// The output for `-o TARGET`: "-" standard output, socket://HOST[:PORT] a
// TCP connection, an existing character device, FIFO or socket streamed into,
// anything else an atomically written file. A connection fails the job when
// for `socket_timeout` no byte can be sent or, after the last, the printer
// acknowledges none more of them. Throws ToolError naming the target.
std::unique_ptr<JobOutput> open_output(const std::string& target,
                                       std::chrono::seconds socket_timeout = kSocketTimeout);

// A job streamed into an open device, FIFO or local socket, closed at commit.
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
