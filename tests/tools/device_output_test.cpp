// Jobs sent to printers as they are made: a FIFO's reader and a TCP or local
// socket listener get exactly the job file's bytes, a device node stays a
// device node, and an unreachable, vanishing or stalled printer is one clear
// error.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <cstring>
#include <future>

#include "cards/images/image.h"
#include "cards/images/png_write.h"
#include "support/listener.h"
#include "support/scratch.h"

namespace {

using ymcko::testing::Listener;
using ymcko::testing::ProcessResult;

class DeviceOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessResult made = run({"print", "--demo", "-o", "job.prn"});
    ASSERT_EQ(made.status, 0) << made.err;
    job_ = ymcko::testing::read_text(folder_ / "job.prn");
  }
  ProcessResult run(const std::vector<std::string>& args) {
    return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder_.path());
  }
  ymcko::testing::ScratchFolder folder_;
  std::string job_;
};

TEST_F(DeviceOutput, StreamsGetTheWholeJob) {
  struct Case {
    const char* name;
    std::function<std::pair<std::string, std::future<std::string>>()> open;
  };
  std::optional<Listener> tcp, local;
  const std::filesystem::path socket_path = folder_ / "printer.sock";
  const std::filesystem::path fifo = folder_ / "printer.fifo";
  const Case cases[] = {
      {"a FIFO",
       [&] {
         ::mkfifo(fifo.c_str(), 0600);
         auto read =
             std::async(std::launch::async, [&] { return ymcko::testing::read_text(fifo); });
         return std::make_pair(fifo.string(), std::move(read));
       }},
      {"socket:// on loopback",
       [&] {
         tcp.emplace();
         return std::make_pair("socket://127.0.0.1:" + std::to_string(tcp->port()), tcp->take());
       }},
      {"a local socket",
       [&] {
         local.emplace(&socket_path);
         return std::make_pair(socket_path.string(), local->take());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto [target, received] = c.open();
    ProcessResult result = run({"print", "--demo", "-o", target});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(received.get() == job_) << "the reader got the job file's bytes";
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo)) << "the FIFO stays a FIFO";
}

TEST_F(DeviceOutput, ADeviceNodeStaysADeviceNode) {
  // A node for the system's null device, made where the test may.
  const std::filesystem::path node = folder_ / "lp0";
  if (::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
    GTEST_SKIP() << "device nodes need root";
  ProcessResult result = run({"print", "--demo", "-o", node.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(std::filesystem::is_character_file(node));
  EXPECT_EQ(ymcko::testing::folder_entries(folder_.path()),
            (std::vector<std::string>{"job.prn", "lp0"}))
      << "no temporary file beside it";
}

TEST_F(DeviceOutput, APrinterThatCannotTakeTheJobIsOneError) {
  Listener dropping;
  auto half = dropping.take(1000);
  std::string refused;
  {
    Listener gone;  // a port that listened a moment ago
    refused = "socket://127.0.0.1:" + std::to_string(gone.port());
  }
  // Printers that stop reading; the tool's time-out ends the hold long before this.
  Listener stalled_job, stalled_card;
  auto held_job = stalled_job.hold(std::chrono::seconds(20));
  auto held_card = stalled_card.hold(std::chrono::seconds(20));
  // A job far larger than the sockets' buffers, so that it cannot all be
  // on its way before the printer drops the connection.
  ymcko::cards::Image grey = ymcko::cards::filled_image(1024, 656, 128, 128, 128);
  ymcko::cards::write_png(folder_ / "grey.png", 1024, 656, 4, grey.rgba);
  std::vector<std::string> large = {"print"};
  for (int page = 0; page < 16; ++page) large.push_back("grey.png");
  struct Case {
    const char* name;
    std::string target;
    int status;
    std::string what;
    bool large = false;
    std::string then = {};  // what the line says after `what`
  };
  const std::string stall = "the printer has read nothing for 1 s (--socket-timeout); ";
  const Case cases[] = {
      {"nobody listens", refused, 1, refused + ": cannot reach the printer: Connection refused"},
      {"the printer drops the connection", "socket://127.0.0.1:" + std::to_string(dropping.port()),
       1, "bytes were sent: ", true},
      {"the printer stops reading", "socket://127.0.0.1:" + std::to_string(stalled_job.port()), 1,
       stall, true, " bytes were sent\n"},
      // The sockets' buffers on loopback take the one card's job whole, and
      // its last bytes are never acknowledged.
      {"the printer reads none of a card",
       "socket://127.0.0.1:" + std::to_string(stalled_card.port()), 1,
       stall + "all " + std::to_string(job_.size()) + " bytes were sent, the last "},
      {"a port out of range", "socket://127.0.0.1:70000", 2,
       "the port must be a number from 1 to 65535"},
      {"no host", "socket://:9100", 2, "no printer is named"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.large ? large : std::vector<std::string>{"print", "--demo"};
    args.insert(args.end(), {"--socket-timeout", "1", "-o", c.target});
    ProcessResult result = run(args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err.rfind("ymcko: error: " + c.target + ": ", 0), 0u) << result.err;
    const std::size_t what = result.err.find(c.what);
    EXPECT_NE(what, std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.then, what), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_EQ(half.get().size(), 1000u);
}

}  // namespace
