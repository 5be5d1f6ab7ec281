// The printer application as a client meets it: a server on loopback with
// its state in a scratch folder, a printer on a file device, jobs sent by
// ipptool, and the web interface as Chromium renders it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "app/app.h"
#include "app/vendor_attributes.h"
#include "cards/images/png_write.h"
#include "cards/jobs/command_reader.h"
#include "cards/jobs/previews.h"
#include "support/cupsd.h"
#include "support/listener.h"
#include "support/raster.h"
#include "support/scratch.h"
#include "support/test_support.h"
// After the engine's records: libjpeg's header defines TRUE and FALSE.
#include "support/image_files.h"

namespace {

namespace js = ymcko::jobstream;
using ymcko::testing::ProcessResult;
using ymcko::testing::run_program;

// The test server's state file, in its root.
constexpr const char* kStateFile = "state/ymcko-app.state";

// How long the test server lets a document stall, in seconds.
constexpr int kDocumentTimeout = 10;

// ymcko-app on 127.0.0.1 with all its state in `root` (SNAP_COMMON, for the
// client subcommands too; the state file in its folder state/, as the
// service names its own), stopped by its pid.
class PrinterApp {
 public:
  explicit PrinterApp(const std::filesystem::path& root)
      : root_(root), port_(ymcko::testing::free_port()) {
    ::setenv("SNAP_COMMON", root_.c_str(), 1);
    // Sanitizer builds pass over what PAPPL itself does.
    for (const char* sanitizer : {"LSAN", "TSAN"}) {
      const std::string name = std::string(sanitizer) + "_OPTIONS";
      const char* given = std::getenv(name.c_str());
      const std::string file = std::string(YMCKO_TEST_DATA_DIR) + "/app/" +
                               (sanitizer[0] == 'L' ? "lsan" : "tsan") + ".supp";
      ::setenv(
          name.c_str(),
          ((given != nullptr ? std::string(given) + ":" : "") + "suppressions=" + file).c_str(), 1);
    }
    std::vector<std::string> args = {
        YMCKO_APP_PATH, "server",
        "-o",           "server-port=" + std::to_string(port_),
        "-o",           "listen-hostname=127.0.0.1",
        "-o",           "log-level=info",
        "-o",           "document-timeout=" + std::to_string(kDocumentTimeout),
        "-o",           "file-device-folder=" + root_.string(),
        "-o",           "state-file=" + (root_ / kStateFile).string(),
        "-o",           "log-file=" + (root_ / "log").string()};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    for (int attempt = 0; attempt < 200 && pid_ != 0 && !ymcko::testing::port_answers(port_);
         ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
  }
  ~PrinterApp() {
    stop();
    ::unsetenv("SNAP_COMMON");
  }
  // Stops the server; its exit status, or -1 when it did not exit by itself
  // (a crash, a leak report, or a shutdown held for too long).
  int stop() {
    if (pid_ == 0) return exit_status_;
    ::kill(pid_, SIGTERM);
    // A client connection left open can hold a shutdown: wait a while, then end it.
    int status = 0;
    pid_t ended = 0;
    for (int attempt = 0; attempt < 200 && (ended = ::waitpid(pid_, &status, WNOHANG)) == 0;
         ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
    pid_ = 0;
    exit_status_ = ended != 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_status_;
  }
  // Ends the server at once, as a crash would.
  void crash() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
    exit_status_ = 0;
  }
  bool running() const { return pid_ != 0 && ymcko::testing::port_answers(port_); }
  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string uri(const std::string& printer) const {
    return "ipp://" + host() + "/ipp/print/" + printer;
  }
  std::string log() const { return ymcko::testing::read_text(root_ / "log"); }

  // A printer whose jobs land in `folder`, one file per job.
  ProcessResult add_printer(const std::string& name, const std::filesystem::path& folder) const {
    std::filesystem::create_directories(folder);
    return run_program(
        YMCKO_APP_PATH,
        {"add", "-d", name, "-m", ymcko::app::kDriverName, "-v", "file://" + folder.string()},
        root_);
  }
  // Runs an ipptool test file (of this folder, or by its absolute path)
  // against the printer (none: the system), as root or as the user nobody.
  ProcessResult ipptool(const std::string& printer, const std::string& test,
                        const std::vector<std::string>& defines, bool as_nobody = false) const {
    std::vector<std::string> args = {"-tv"};
    if (as_nobody)
      args = {"--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/ipptool", "-tv"};
    args.insert(args.end(), defines.begin(), defines.end());
    args.push_back(printer.empty() ? "ipp://" + host() + "/ipp/system" : uri(printer));
    args.push_back(test.starts_with("/") ? test
                                         : std::string(YMCKO_TEST_DATA_DIR) + "/app/" + test);
    return run_program(as_nobody ? "/usr/bin/setpriv" : "/usr/bin/ipptool", args, root_);
  }

 private:
  std::filesystem::path root_;
  int port_;
  pid_t pid_ = 0;
  int exit_status_ = -1;
};

std::vector<std::uint8_t> file_bytes(const std::filesystem::path& path) {
  const std::string text = ymcko::testing::read_text(path);
  return {text.begin(), text.end()};
}

template <class T>
std::size_t count(const js::ReadResult& read) {
  std::size_t found = 0;
  for (const auto& command : read.commands) found += std::holds_alternative<T>(command.body);
  return found;
}

// The colour preview of the job's first card side (RGB, the card portrait).
std::vector<std::uint8_t> first_side_preview(const std::vector<std::uint8_t>& job) {
  const js::ReadResult read = js::read_commands(job);
  const std::vector<ymcko::cards::SidePrint> sides = ymcko::cards::card_sides(read.commands);
  return sides.empty() ? std::vector<std::uint8_t>{} : ymcko::cards::preview(sides[0]);
}

// The share of a preview's pixels that are not the card's white.
double coloured_share(const std::vector<std::uint8_t>& preview) {
  std::size_t coloured = 0;
  for (std::size_t i = 0; i + 2 < preview.size(); i += 3)
    coloured += preview[i] < 230 || preview[i + 1] < 230 || preview[i + 2] < 230;
  return preview.empty() ? 0 : double(coloured) * 3 / double(preview.size());
}

// A started application with one printer, "card", printing into jobs/.
class App : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app_.running()) << app_.log();
    const ProcessResult added = app_.add_printer("card", folder_ / "jobs");
    ASSERT_EQ(added.status, 0) << added.out << added.err << app_.log();
  }
  void TearDown() override { EXPECT_EQ(app_.stop(), 0) << app_.log(); }
  // Prints the file and waits for its job to end; `defines` as ipptool's
  // -d (state=N for a job that is to end otherwise than completed).
  ProcessResult print(const std::string& file, const std::string& format,
                      const std::string& job_name, int intensity, int side_mode,
                      const std::vector<std::string>& defines = {}) {
    std::vector<std::string> args = {"-f", (folder_ / file).string(),
                                     "-d", "format=" + format,
                                     "-d", "jobname=" + job_name,
                                     "-d", "intensity=" + std::to_string(intensity),
                                     "-d", "sidemode=" + std::to_string(side_mode)};
    for (const std::string& define : defines) args.insert(args.end(), {"-d", define});
    return app_.ipptool("card", "print-job.test", args);
  }
  // The steps of media_page.py, in one browser.
  ProcessResult browse(const std::vector<std::string>& steps) {
    std::vector<std::string> args = {std::string(YMCKO_TEST_DATA_DIR) + "/app/media_page.py",
                                     "http://" + app_.host(), (folder_ / "selenium").string()};
    args.insert(args.end(), steps.begin(), steps.end());
    return run_program("/usr/bin/python3", args, folder_.path());
  }

  ymcko::testing::ScratchFolder folder_;
  PrinterApp app_{folder_.path()};
};

TEST_F(App, PrintsAPngAsTheToolDoesAndATwoPagePdfAsCardSides) {
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 7 / 3);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  ymcko::testing::write_bytes(folder_ / "cards.pdf",
                              ymcko::testing::pdf_with_pages({"1 0 0", "0 0 1"}));

  // The PNG arrives as the page, 1024 x 656 at 300 dpi, pixel for pixel.
  const ProcessResult png = print("card.png", "image/png", "png", 40, 0);
  ASSERT_EQ(png.status, 0) << png.out << app_.log();
  const ProcessResult tool =
      run_program(YMCKO_TOOL_PATH, {"print", "card.png", "--intensity", "40", "-o", "tool.prn"},
                  folder_.path());
  ASSERT_EQ(tool.status, 0) << tool.err;
  EXPECT_EQ(file_bytes(folder_ / "jobs/png.prn"), file_bytes(folder_ / "tool.prn"));

  // Two pages as front and back of one card.
  const ProcessResult pdf = print("cards.pdf", "application/pdf", "pdf", 70, 1);
  ASSERT_EQ(pdf.status, 0) << pdf.out << app_.log();
  const std::vector<std::uint8_t> job = file_bytes(folder_ / "jobs/pdf.prn");
  const js::ReadResult read = js::read_commands(job);
  ASSERT_FALSE(read.error.has_value()) << read.error->expected;
  EXPECT_EQ(count<js::CardStart>(read), 1u);
  EXPECT_EQ(count<js::CardTurn>(read), 1u);
  EXPECT_EQ(count<js::CardEnd>(read), 1u);

  // A job the tool made goes to the printer as it is.
  const ProcessResult raw = print("tool.prn", ymcko::app::kJobFormat, "raw", 70, 0);
  ASSERT_EQ(raw.status, 0) << raw.out << app_.log();
  EXPECT_EQ(file_bytes(folder_ / "jobs/raw.prn"), file_bytes(folder_ / "tool.prn"));

  // A photo with a wide-gamut profile, of another size than the card, is
  // converted and fitted as the tool does it, PNG and JPEG alike.
  const std::vector<std::uint8_t> profile =
      ymcko::testing::rgb_profile(ymcko::testing::kWidePrimaries, 2.2);
  std::vector<std::uint8_t> photo(160 * 100 * 3);
  for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = std::uint8_t(i * 5 / 7 + i % 3 * 60);
  ymcko::testing::write_bytes(
      folder_ / "wide.png",
      ymcko::testing::with_chunk(ymcko::cards::encode_png("wide.png", 160, 100, 3, photo), "iCCP",
                                 ymcko::testing::iccp(profile)));
  ymcko::testing::write_bytes(folder_ / "wide.jpg",
                              ymcko::testing::jpeg_of(photo, 160, 3, JCS_RGB, profile));
  for (const auto& [file, format] :
       {std::pair{"wide.png", "image/png"}, std::pair{"wide.jpg", "image/jpeg"}}) {
    SCOPED_TRACE(file);
    const std::string job_name = std::string("photo-") + (format[6] == 'p' ? "png" : "jpeg");
    const ProcessResult printed = print(file, format, job_name, 70, 0);
    ASSERT_EQ(printed.status, 0) << printed.out << app_.log();
    const ProcessResult made =
        run_program(YMCKO_TOOL_PATH, {"print", file, "-o", job_name + ".prn"}, folder_.path());
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(file_bytes(folder_ / ("jobs/" + job_name + ".prn")),
              file_bytes(folder_ / (job_name + ".prn")));
  }
}

// Ten clients print six cards each at once, each client at an intensity of
// its own: one printer prints one job at a time, whole, so that every job
// is the tool's job for its image and intensity.
TEST_F(App, TenClientsPrintingAtOnceEachGetTheirOwnCards) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
  constexpr int kRounds = 2;  // as many clients at once, fewer jobs: each is slow to watch
#else
  constexpr int kRounds = 6;
#endif
  constexpr int kClients = 10;
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 13 / 7);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  for (int client = 0; client < kClients; ++client) {
    const std::string intensity = std::to_string(30 + client);
    const ProcessResult tool = run_program(
        YMCKO_TOOL_PATH, {"print", "card.png", "--intensity", intensity, "-o", intensity + ".prn"},
        folder_.path());
    ASSERT_EQ(tool.status, 0) << tool.err;
  }
  std::vector<std::thread> clients;
  std::vector<int> statuses(kClients * kRounds, -1);
  for (int client = 0; client < kClients; ++client) {
    clients.emplace_back([&, client] {
      for (int round = 0; round < kRounds; ++round) {
        const std::string name = "c" + std::to_string(client) + "-" + std::to_string(round);
        statuses[client * kRounds + round] =
            print("card.png", "image/png", name, 30 + client, 0).status;
      }
    });
  }
  for (std::thread& client : clients) client.join();
  for (int client = 0; client < kClients; ++client) {
    const std::vector<std::uint8_t> expected =
        file_bytes(folder_ / (std::to_string(30 + client) + ".prn"));
    for (int round = 0; round < kRounds; ++round) {
      const std::string name = "c" + std::to_string(client) + "-" + std::to_string(round);
      EXPECT_EQ(statuses[client * kRounds + round], 0) << name;
      EXPECT_TRUE(file_bytes(folder_ / ("jobs/" + name + ".prn")) == expected) << name;
    }
  }
  EXPECT_TRUE(app_.running()) << app_.log();
}

// Documents as broken or hostile clients send them: each job ends as its
// row says, and the printer gets nothing of a job that fails.
TEST_F(App, JobsEndAsTheirDocumentsDeserve) {
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 3 / 5);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  const std::vector<std::uint8_t> raster = ymcko::testing::make_raster(
      {{1024, 656, CUPS_CSPACE_SRGB, rgb}}, ymcko::testing::RasterFormat::pwg);
  ymcko::testing::write_bytes(folder_ / "card.pwg", raster);
  ymcko::testing::write_bytes(folder_ / "cut.pwg",
                              std::vector<std::uint8_t>(raster.begin(), raster.end() - 1000));
  std::vector<std::uint8_t> inks(160 * 100 * 4);
  for (std::size_t i = 0; i < inks.size(); ++i) inks[i] = std::uint8_t(i * 7 % 200);
  ymcko::testing::write_bytes(folder_ / "cmyk.jpg",
                              ymcko::testing::jpeg_of(inks, 160, 4, JCS_CMYK));
  ymcko::testing::write_bytes(folder_ / "two.pdf",
                              ymcko::testing::pdf_with_pages({"1 0 0", "0 0 1"}));
  const ProcessResult tool =
      run_program(YMCKO_TOOL_PATH, {"print", "card.png", "-o", "tool.prn"}, folder_.path());
  ASSERT_EQ(tool.status, 0) << tool.err;
  const std::string malformed = std::string(YMCKO_TEST_DATA_DIR) + "/inputs/malformed/";

  struct Case {
    const char* name;
    std::string file;
    const char* format;
    std::vector<std::string> defines;
    const char* message;  // part of the job's message, when it fails
    bool printed;         // whole cards reach the printer; otherwise nothing
  };
  const Case cases[] = {
      {"raster", folder_ / "card.pwg", "image/pwg-raster", {}, nullptr, true},
      {"cut-raster",
       folder_ / "cut.pwg",
       "image/pwg-raster",
       {"state=8"},
       "page 1: the raster ends in line",
       false},
      {"cmyk-jpeg", folder_ / "cmyk.jpg", "image/jpeg", {}, nullptr, true},
      {"no-pages",
       folder_ / "two.pdf",
       "application/pdf",
       {"state=8", "ranges=3-4"},
       "page-ranges: selects none of the document's 2 pages",
       false},
      {"cut-job",
       malformed + "job_without_card_end.prn",
       ymcko::app::kJobFormat,
       {"state=8"},
       "the card end (ESC 0x04 CR) closing the job",
       false},
      {"copies-9999",
       malformed + "job_copy_count_9999.prn",
       ymcko::app::kJobFormat,
       {"state=8"},
       "a copy count of 1 to 999",
       false},
      {"untyped-gif",
       malformed + "image_gif_named_png.png",
       "application/octet-stream",
       {"state=8"},
       "the document: is in none of the formats the printer takes",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessResult printed = app_.ipptool("card", "print-job.test", [&] {
      std::vector<std::string> args = {"-f", c.file,
                                       "-d", std::string("format=") + c.format,
                                       "-d", std::string("jobname=") + c.name,
                                       "-d", "intensity=70",
                                       "-d", "sidemode=0"};
      for (const std::string& define : c.defines) args.insert(args.end(), {"-d", define});
      return args;
    }());
    EXPECT_EQ(printed.status, 0) << printed.out << app_.log();
    if (c.message) {
      EXPECT_NE(printed.out.find(c.message), std::string::npos) << printed.out;
    }
    const std::vector<std::uint8_t> job =
        file_bytes(folder_ / "jobs" / (std::string(c.name) + ".prn"));
    if (!c.printed) {
      EXPECT_TRUE(job.empty()) << job.size() << " bytes reached the printer";
      continue;
    }
    const js::ReadResult read = js::read_commands(job);
    EXPECT_FALSE(read.error.has_value()) << read.error->expected;
  }
  EXPECT_EQ(file_bytes(folder_ / "jobs/raster.prn"), file_bytes(folder_ / "tool.prn"))
      << "a raster of the card's size is printed pixel for pixel";
}

// A raw job cancelled while its printer is busy with its first card stops
// at the end of a card: the printer gets whole cards, the document's first,
// and the job says how many.
TEST_F(App, ACancelledRawJobStopsAtTheEndOfACard) {
  constexpr int kCards = 22;
  std::vector<std::uint8_t> grey(1024 * 656, 60);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 1, grey);
  std::vector<std::string> args = {"print"};
  args.insert(args.end(), kCards, "card.png");
  args.insert(args.end(), {"-o", "cards.prn"});
  const ProcessResult made = run_program(YMCKO_TOOL_PATH, args, folder_.path());
  ASSERT_EQ(made.status, 0) << made.err;
  const std::vector<std::uint8_t> whole = file_bytes(folder_ / "cards.prn");

  ymcko::testing::Listener printer;
  const ProcessResult added = run_program(YMCKO_APP_PATH,
                                          {"add", "-d", "busy", "-m", ymcko::app::kDriverName, "-v",
                                           "socket://127.0.0.1:" + std::to_string(printer.port())},
                                          folder_.path());
  ASSERT_EQ(added.status, 0) << added.out << added.err << app_.log();
  std::future<std::string> received = printer.take(SIZE_MAX, [&] {
    run_program(YMCKO_APP_PATH, {"cancel", "-d", "busy"}, folder_.path());
  });
  const ProcessResult printed =
      app_.ipptool("busy", "print-job.test",
                   {"-f", (folder_ / "cards.prn").string(), "-d",
                    std::string("format=") + ymcko::app::kJobFormat, "-d", "jobname=cancelled",
                    "-d", "intensity=70", "-d", "sidemode=0", "-d", "state=7"});
  EXPECT_EQ(printed.status, 0) << printed.out << app_.log();

  const std::string bytes = received.get();
  const std::vector<std::uint8_t> sent(bytes.begin(), bytes.end());
  const js::ReadResult read = js::read_commands(sent);
  ASSERT_FALSE(read.error.has_value()) << read.error->expected;
  const std::size_t cards = count<js::CardEnd>(read);
  EXPECT_GE(cards, 1u);
  EXPECT_LT(cards, std::size_t(kCards));
  EXPECT_TRUE(sent.size() <= whole.size() && std::equal(sent.begin(), sent.end(), whole.begin()))
      << "a prefix of the job";
  EXPECT_NE(printed.out.find("Cancelled after " + std::to_string(cards) + " card"),
            std::string::npos)
      << printed.out << printed.err << app_.log();
}

// A client that sends the start of a raster and then nothing holds no
// printer: another user's job prints while it stalls, and once the document
// timeout has passed its own job ends, saying why; so does a job created
// whose document never comes, and one whose client goes away half-way
// prints nothing.
TEST_F(App, AStalledClientHoldsNoPrinter) {
  ASSERT_EQ(app_.ipptool("card", "create-job.test", {"-d", "jobname=abandoned"}).status, 0);
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 5 / 3);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  const std::vector<std::uint8_t> raster = ymcko::testing::make_raster(
      {{1024, 656, CUPS_CSPACE_SRGB, rgb}}, ymcko::testing::RasterFormat::pwg);
  ASSERT_GT(raster.size(), 8000u);
  // A Print-Job of the raster's first half, sent in chunks as a client
  // that streams does.
  const auto send_half = [&](const char* job_name) {
    http_t* http = httpConnect2("127.0.0.1", app_.port(), nullptr, AF_INET, HTTP_ENCRYPTION_NEVER,
                                1, 30000, nullptr);
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 app_.uri("card").c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "slow");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, job_name);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                 "image/pwg-raster");
    if (http != nullptr && cupsSendRequest(http, request, "/ipp/print/card",
                                           CUPS_LENGTH_VARIABLE) == HTTP_STATUS_CONTINUE) {
      cupsWriteRequestData(http, reinterpret_cast<const char*>(raster.data()), raster.size() / 2);
    }
    ippDelete(request);
    return http;
  };
  httpClose(send_half("gone"));

  std::atomic<bool> sent{false}, answered{false};
  ipp_status_t status = IPP_STATUS_OK;
  std::string message;
  std::thread stalled([&] {
    http_t* http = send_half("stalled");
    sent = true;
    // Reading the answer would end the document: it is read once the
    // server has given up on the rest.
    std::this_thread::sleep_for(std::chrono::seconds(kDocumentTimeout + 3));
    ipp_t* response = http != nullptr ? cupsGetResponse(http, "/ipp/print/card") : nullptr;
    status = cupsLastError();
    message = cupsLastErrorString() != nullptr ? cupsLastErrorString() : "";
    answered = true;
    ippDelete(response);
    httpClose(http);
  });
  while (!sent) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const ProcessResult other = print("card.png", "image/png", "other", 70, 0);
  EXPECT_EQ(other.status, 0) << other.out << app_.log();
  EXPECT_FALSE(answered) << "the other job waited for the stalled one";
  stalled.join();
  EXPECT_NE(status, IPP_STATUS_OK);
  EXPECT_NE(message.find("stalled"), std::string::npos) << message;
  const ProcessResult jobs = app_.ipptool("card", "jobs.test", {});
  for (const std::string& reason :
       {"No document arrived within " + std::to_string(kDocumentTimeout) + " seconds.",
        std::string("The document ended before it was whole.")}) {
    EXPECT_NE(jobs.out.find(reason), std::string::npos) << jobs.out;
  }
  for (const char* job : {"gone.prn", "stalled.prn"})
    EXPECT_FALSE(std::filesystem::exists(folder_ / "jobs" / job)) << job;
}

// Without an authentication service only root and the server's own user
// administer it, by their credentials: another local user may print but not
// add a printer, the local socket is the server user's alone, and no one
// makes a file device write outside the folder the server was given.
TEST_F(App, OnlyItsAdministratorAdministersIt) {
  EXPECT_EQ(std::filesystem::status(folder_ / "ymcko-app.sock").permissions(),
            std::filesystem::perms::owner_all);
  if (::geteuid() != 0) GTEST_SKIP() << "the test acts as the user nobody, which takes root";
  std::filesystem::permissions(
      folder_.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add);
  std::vector<std::uint8_t> grey(1024 * 656, 128);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 1, grey);
  const std::string inside = "file://" + (folder_ / "jobs").string();
  struct Case {
    const char* name;
    bool as_nobody;
    const char* test;
    std::vector<std::string> defines;
    const char* status;
  };
  const Case cases[] = {
      {"another user adds a printer",
       true,
       "create-printer.test",
       {"-d", "name=theirs", "-d", "device=" + inside},
       "client-error-forbidden"},
      {"a file device outside the folder",
       false,
       "create-printer.test",
       {"-d", "name=etc", "-d", "device=file:///etc"},
       "client-error-attributes-or-values-not-supported"},
      {"another user prints",
       true,
       "print-job.test",
       {"-f", (folder_ / "card.png").string(), "-d", "format=image/png", "-d", "jobname=theirs",
        "-d", "intensity=70", "-d", "sidemode=0"},
       "successful-ok"},
  };
  // Pictures are written for their owner alone; this one is for everyone.
  std::filesystem::permissions(folder_ / "card.png", std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessResult result = app_.ipptool(std::string(c.test) == "print-job.test" ? "card" : "",
                                              c.test, c.defines, c.as_nobody);
    EXPECT_NE(result.out.find(std::string("status-code = ") + c.status), std::string::npos)
        << result.out << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists("/etc/etc.prn"));
  const ProcessResult printers = run_program(YMCKO_APP_PATH, {"printers"}, folder_.path());
  EXPECT_EQ(printers.out, "card\n") << "no printer was added";
}

// A stripe's text is personal data: no client reads it back, and neither
// the log nor the saved state holds it; both are the server user's alone.
TEST_F(App, NoOneReadsAStripeBack) {
  std::vector<std::uint8_t> grey(1024 * 656, 200);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 1, grey);
  const std::string secret = "SECRETTRACK";
  ASSERT_EQ(run_program(
                YMCKO_APP_PATH,
                {"modify", "-d", "card", "-o", "ymcko-mag-encoder=true", "-o", "ymcko-mag-mode=w"},
                folder_.path())
                .status,
            0);
  const ProcessResult result =
      app_.ipptool("card", "private-tracks.test",
                   {"-f", (folder_ / "card.png").string(), "-d", "secret=" + secret});
  EXPECT_EQ(result.status, 0) << result.out;  // ipptool shows the request it sent, not a reply
  EXPECT_EQ(app_.stop(), 0);
  for (const char* file : {"log", kStateFile}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(ymcko::testing::read_text(folder_ / file).find(secret), std::string::npos);
    EXPECT_EQ(std::filesystem::status(folder_ / file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
}

// A server given options it cannot run with does not start: one line names
// the option and its value (a state file it could not keep would lose every
// printer silently).
TEST_F(App, AServerRefusesOptionsItCannotRunWith) {
  const struct {
    std::string option, message;
  } cases[] = {
      {"state-file=", "state-file: \"\""},
      {"state-file=" + folder_.path().string(), "is not a file in a folder the server can make"},
      {"state-file=/proc/none/ymcko-app.state", "state-file: \"/proc/none/ymcko-app.state\""},
      {"server-port=http", "server-port: \"http\" is not a port number"},
      {"document-timeout=0", "document-timeout: \"0\" is not a number of seconds"},
      {"file-device-folder=/proc/none", "file-device-folder: \"/proc/none\" is not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    const ProcessResult result =
        run_program(YMCKO_APP_PATH,
                    {"server", "-o", "listen-hostname=127.0.0.1", "-o",
                     "server-port=" + std::to_string(ymcko::testing::free_port()), "-o", c.option},
                    folder_.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

// A server that crashed while a job waited for its document, and left a
// spool file no job holds: restarted, it shows the job aborted and why,
// removes the file and gives its ids to no other job.
TEST_F(App, ACrashLosesNoJobAndLeavesNoDocument) {
  const ProcessResult created = app_.ipptool("card", "create-job.test", {"-d", "jobname=incoming"});
  ASSERT_EQ(created.status, 0) << created.out;
  const std::filesystem::path state = folder_ / kStateFile;
  for (int attempt = 0;
       attempt < 100 && ymcko::testing::read_text(state).find("incoming") == std::string::npos;
       ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  app_.crash();
  const std::filesystem::path orphan = folder_ / "ymcko-app.d/p00001j000000009-orphan.png";
  ymcko::testing::write_text(orphan, "a photo no job holds");

  PrinterApp again(folder_.path());
  ASSERT_TRUE(again.running()) << again.log();
  // Answered once the state is loaded.
  const ProcessResult next = again.ipptool("card", "create-job.test", {"-d", "jobname=next"});
  EXPECT_FALSE(std::filesystem::exists(orphan));
  EXPECT_NE(next.out.find("job-id (integer) = 10"), std::string::npos) << next.out;
  const ProcessResult jobs = again.ipptool("card", "jobs.test", {});
  EXPECT_NE(jobs.out.find("The server stopped before the job's document was whole."),
            std::string::npos)
      << jobs.out << again.log() << ymcko::testing::read_text(state);
  EXPECT_EQ(again.stop(), 0) << again.log();
}

// A page at 300 dpi: a photo (a gradient to its edges) or a document (dark
// lines of text within margins of an inch), in RGB or grey.
ymcko::testing::RasterPage sample_page(std::uint32_t width, std::uint32_t height, bool photo,
                                       bool grey) {
  ymcko::testing::RasterPage page{width, height, grey ? CUPS_CSPACE_SW : CUPS_CSPACE_SRGB, {}};
  const std::size_t channels = grey ? 1 : 3;
  page.pixels.assign(std::size_t(width) * height * channels, 0xFF);
  for (std::uint32_t y = 0; y < height; ++y) {
    const bool text = y >= 300 && y + 300 < height && y % 60 < 30;
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = &page.pixels[(std::size_t(y) * width + x) * channels];
      if (photo) {
        for (std::size_t c = 0; c < channels; ++c)
          pixel[c] = std::uint8_t((x * 255 / width * (c + 1) / 3 + y * 255 / height) / 2);
      } else if (text && x >= 300 && x + 300 < width) {
        std::fill_n(pixel, channels, std::uint8_t(40));
      }
    }
  }
  return page;
}

// CUPS's own conformance suites, as Debian ships them, with the sample
// documents their print tests take made under the names they look for: PWG
// raster of photos and of Letter and A4 pages at the printer's resolution
// in each raster type it lists; a PDF and a JPEG for their Print-Job.
TEST_F(App, PassesCupsOwnConformanceSuites) {
  const std::filesystem::path suite = folder_ / "suite";
  std::filesystem::create_directories(suite);
  const char* const tests[] = {"ipp-1.1.test", "ipp-2.0.test", "ipp-everywhere.test"};
  for (const char* test : tests)
    std::filesystem::copy_file(std::string("/usr/share/cups/ipptool/") + test, suite / test);
  // The suites name every sample they may print, in each resolution and
  // raster type, and ipptool reads each name as it parses: the ones the
  // printer does not list, which the suites skip, are left empty.
  const ymcko::testing::RasterPage photo = sample_page(1800, 1200, true, false);
  const ymcko::testing::RasterPage grey_photo = sample_page(1800, 1200, true, true);
  const std::string text_lines = "0.15 g 72 72 468 20 re f 72 200 300 20 re f 72 700 468 20 re f";
  const std::map<std::string, std::vector<std::uint8_t>> documents = {
      {"color.jpg", ymcko::testing::jpeg_of(photo.pixels, 1800, 3, JCS_RGB)},
      {"gray.jpg", ymcko::testing::jpeg_of(grey_photo.pixels, 1800, 1, JCS_GRAYSCALE)},
      {"document-letter.pdf",
       ymcko::testing::pdf_of({{612, 792, text_lines}, {612, 792, text_lines}})},
      {"document-a4.pdf", ymcko::testing::pdf_of({{595, 842, text_lines}})},
  };
  const std::regex file_line(
      R"(^\s*FILE (pwg-raster-samples-300dpi/(srgb|sgray)-8/(.+)-\2-8-300dpi\.pwg|[^$\s]\S*)\s*$)");
  for (const char* test : tests) {
    std::istringstream lines(ymcko::testing::read_text(suite / test));
    for (std::string line; std::getline(lines, line);) {
      std::smatch match;
      if (!std::regex_match(line, match, file_line)) continue;
      const std::filesystem::path file = suite / match[1].str();
      std::filesystem::create_directories(file.parent_path());
      // A raster sample by its name: a 4x6 photo, or a Letter or A4 page,
      // two of them in a "document".
      const std::string name = match[3].str();
      const auto document = documents.find(match[1].str());
      if (!name.empty()) {
        const bool photo = name.ends_with("4x6"), a4 = name.ends_with("a4");
        const std::vector<ymcko::testing::RasterPage> pages(
            name.starts_with("document") ? 2 : 1, sample_page(photo ? 1800
                                                              : a4  ? 2480
                                                                    : 2550,
                                                              photo ? 1200
                                                              : a4  ? 3508
                                                                    : 3300,
                                                              photo, match[2] == "sgray"));
        ymcko::testing::write_bytes(
            file, ymcko::testing::make_raster(pages, ymcko::testing::RasterFormat::pwg));
      } else if (document != documents.end()) {
        ymcko::testing::write_bytes(file, document->second);
      } else {
        ymcko::testing::write_text(file, "");
      }
    }
  }

  for (const auto& [test, document] : {std::pair{"ipp-2.0.test", "document-letter.pdf"},
                                       std::pair{"ipp-everywhere.test", "color.jpg"}}) {
    const ProcessResult run =
        app_.ipptool("card", (suite / test).string(), {"-f", (suite / document).string()});
    EXPECT_EQ(run.status, 0) << test << "\n" << run.out << run.err;
    EXPECT_EQ(run.out.find("[FAIL]"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "") << test << ": a sample not made?";
  }
  // Of the jobs printed by now, none failed.
  const ProcessResult jobs = app_.ipptool("card", "jobs.test", {});
  EXPECT_EQ(jobs.out.find("job-state (enum) = aborted"), std::string::npos) << jobs.out;
}

// Pages as phones send them: each gives one card filled by the page's
// content, or, for a page of another shape whose content goes to its edges,
// the whole page fitted and turned.
TEST_F(App, PagesOfOtherSizesFillTheCardWithTheirContent) {
  ymcko::testing::write_bytes(
      folder_ / "photo.jpg",
      ymcko::testing::jpeg_of(sample_page(1800, 1200, true, false).pixels, 1800, 3, JCS_RGB));
  // A phone's Letter page holding a card design with white around it.
  ymcko::testing::write_bytes(
      folder_ / "phone.pdf",
      ymcko::testing::pdf_of(
          {{612, 792, "0.2 0.4 0.8 rg 63 400 486 311 re f 1 0 0 rg 63 671 60 40 re f"}}));
  ymcko::testing::write_bytes(
      folder_ / "letter.pdf",
      ymcko::testing::pdf_of({{612, 792, "0.2 0.4 0.8 rg 0 0 612 792 re f"}}));
  struct Case {
    const char* file;
    const char* format;
    double least, most;  // coloured share of the card
  };
  const Case cases[] = {
      {"photo.jpg", "image/jpeg", 0.99, 1.0},
      {"phone.pdf", "application/pdf", 0.99, 1.0},
      {"letter.pdf", "application/pdf", 0.80, 0.86},  // 1.29 long to short on a card of 1.56
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.file).substr(0, std::string(c.file).find('.'));
    const ProcessResult printed = print(c.file, c.format, name, 70, 0);
    ASSERT_EQ(printed.status, 0) << printed.out << app_.log();
    const double share =
        coloured_share(first_side_preview(file_bytes(folder_ / "jobs" / (name + ".prn"))));
    EXPECT_GE(share, c.least) << c.file;
    EXPECT_LE(share, c.most) << c.file;
  }
}

// CUPS in front of the application, its queue made from the printer's
// attributes: a true-size CR-80 PDF fills the card as the tool prints it.
TEST_F(App, ThroughCupsATrueSizeCardFillsTheCard) {
  // Its own folder, which its filters (run as lp) can reach.
  const ymcko::testing::ScratchFolder cups_folder;
  ymcko::testing::PrivateCupsd cupsd(cups_folder.path());
  ASSERT_TRUE(cupsd.running()) << cupsd.log();
  const ProcessResult added = run_program(
      "/usr/sbin/lpadmin",
      {"-h", cupsd.server(), "-p", "cards", "-E", "-v", app_.uri("card"), "-m", "everywhere"},
      folder_.path());
  ASSERT_EQ(added.status, 0) << added.err << cupsd.log();
  // cupsd reads the queue's PPD a moment after lpadmin returns; until then
  // it takes the queue for monochrome and a job for grey.
  const auto colour_known = [&] {
    return run_program("/usr/bin/ipptool",
                       {"-tv", "ipp://" + cupsd.server() + "/printers/cards",
                        std::string(YMCKO_TEST_DATA_DIR) + "/app/printer-attributes.test"},
                       folder_.path())
               .out.find("print-color-mode-default (keyword) = color") != std::string::npos;
  };
  for (int attempt = 0; attempt < 100 && !colour_known(); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // 85.6 x 53.98 mm, blue with a red mark in its top left corner.
  ymcko::testing::write_bytes(folder_ / "id1.pdf",
                              ymcko::testing::pdf_of({{242.65, 153.01,
                                                       "0.2 0.4 0.8 rg 0 0 242.65 153.01 re f "
                                                       "1 0 0 rg 0 113 60 40 re f"}}));
  const ProcessResult queued =
      run_program("/usr/bin/lp", {"-h", cupsd.server(), "-d", "cards", "id1.pdf"}, folder_.path());
  ASSERT_EQ(queued.status, 0) << queued.err;
  const std::filesystem::path job = folder_ / "jobs/id1.pdf.prn";
  // Printed once the application's job file holds the whole card.
  const auto whole = [&] { return count<js::CardEnd>(js::read_commands(file_bytes(job))) == 1; };
  for (int attempt = 0; attempt < 600 && !whole(); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(whole()) << cupsd.log() << app_.log();
  // The queue's default page size, made by then, is one of its choices.
  const std::string ppd = ymcko::testing::read_text(cups_folder / "ppd/cards.ppd");
  const std::size_t fallback = ppd.find("*DefaultPageSize: ");
  ASSERT_NE(fallback, std::string::npos) << ppd;
  const std::string size = ppd.substr(fallback + 18, ppd.find('\n', fallback) - fallback - 18);
  EXPECT_NE(ppd.find("*PageSize " + size + ":"), std::string::npos) << "not a choice: " << size;
  const ProcessResult tool =
      run_program(YMCKO_TOOL_PATH, {"print", "id1.pdf", "-o", "tool.prn"}, folder_.path());
  ASSERT_EQ(tool.status, 0) << tool.err;
  const std::vector<std::uint8_t> through_cups = first_side_preview(file_bytes(job));
  const std::vector<std::uint8_t> by_tool = first_side_preview(file_bytes(folder_ / "tool.prn"));
  ASSERT_EQ(through_cups.size(), by_tool.size());
  EXPECT_GE(coloured_share(through_cups), 0.995) << "no white rim";
  double difference = 0;
  for (std::size_t i = 0; i < by_tool.size(); ++i)
    difference += std::abs(int(through_cups[i]) - int(by_tool[i]));
  EXPECT_LT(difference / double(by_tool.size()), 4.0) << "the card as the tool prints it, upright";
}

TEST_F(App, DescribesTheCardAndItsSettingsAndRefusesBadOnes) {
  const ProcessResult attributes = app_.ipptool("card", "printer-attributes.test", {});
  ASSERT_EQ(attributes.status, 0) << attributes.out;
  std::vector<std::string> expected = {
      "media-supported (1setOf keyword) = " + std::string(ymcko::app::kCardMedium) + "," +
          ymcko::app::kLandscapeCard + "," + ymcko::app::kPortraitCard,
      "media-default (keyword) = " + std::string(ymcko::app::kCardMedium),
      "orientation-requested-default (enum) = landscape",
      "printer-resolution-supported (resolution) = 300dpi",
      "document-format-supported (1setOf mimeMediaType) = "
      "application/octet-stream,image/pwg-raster,image/urf,application/vnd.ymcko-job,"
      "application/pdf,image/jpeg,image/png",
  };
  for (const ymcko::app::VendorSetting& setting : ymcko::app::vendor_settings()) {
    if (setting.job_only) continue;
    const ymcko::print::Setting& row = *setting.row;
    const ymcko::print::SettingValue value = ymcko::print::default_value(row);
    const auto* number = std::get_if<std::int64_t>(&value);
    if (number != nullptr && !setting.keywords.empty()) {
      expected.push_back(setting.name + "-default (keyword) = " +
                         setting.keywords[std::size_t(*number - row.min)].first);
    } else if (number != nullptr) {
      // The range an operator chooses from, where it is narrower.
      const bool narrower = row.ppd_min != row.ppd_max;
      expected.push_back(setting.name + "-default (integer) = " + std::to_string(*number));
      expected.push_back(setting.name + "-supported (rangeOfInteger) = " +
                         std::to_string(narrower ? row.ppd_min : row.min) + "-" +
                         std::to_string(narrower ? row.ppd_max : row.max));
    } else if (const auto* flag = std::get_if<bool>(&value)) {
      expected.push_back(setting.name + "-default (boolean) = " + (*flag ? "true" : "false"));
    } else {
      expected.push_back(setting.name + "-default (");
    }
  }
  for (const std::string& line : expected)
    EXPECT_NE(attributes.out.find(line), std::string::npos) << line;

  ymcko::testing::write_text(folder_ / "words.txt", "not a card\n");
  std::vector<std::uint8_t> gray(1024 * 656, 128);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 1, gray);
  const ProcessResult refused = app_.ipptool("card", "refused-jobs.test",
                                             {"-f", (folder_ / "card.png").string(), "-d",
                                              "textfile=" + (folder_ / "words.txt").string(), "-d",
                                              "cutjob=" + std::string(YMCKO_TEST_DATA_DIR) +
                                                  "/inputs/malformed/job_without_card_end.prn"});
  EXPECT_EQ(refused.status, 0) << refused.out << app_.log();
  const ProcessResult defaults = app_.ipptool("card", "set-defaults.test", {});
  EXPECT_EQ(defaults.status, 0) << defaults.out;
  // Asked to identify itself, which no printer command does, it says so.
  EXPECT_EQ(app_.ipptool("card", "/usr/share/cups/ipptool/identify-printer.test", {}).status, 0);
  EXPECT_NE(app_.log().find("Asked to identify itself"), std::string::npos);
  EXPECT_NE(
      app_.ipptool("card", "printer-attributes.test", {}).out.find("identify-printer-requested"),
      std::string::npos);
  EXPECT_TRUE(app_.running());
}

// What one step of media_page.py gave: the lines after its "=== STEP".
std::string step_output(const std::string& out, const std::string& step) {
  const std::size_t start = out.find("=== " + step + "\n");
  if (start == std::string::npos) return "";
  const std::size_t from = start + step.size() + 5;
  std::string part = out.substr(from, out.find("\n=== ", from) - from);
  if (part.ends_with('\n')) part.pop_back();
  return part;
}

// A card run from the browser, as an office would make it: the example
// design uploaded, its data and photos checked and previewed, rows 2-3
// printed as one job whose cards read back their rows' codes and whose
// bytes are the tool's; a design that loads a file beside it is refused,
// and the run's uploads are gone once the job has printed.
TEST_F(App, ACardRunIsUploadedPreviewedAndPrintedFromTheBrowser) {
  const std::string examples =
      std::filesystem::canonical(std::string(YMCKO_TEST_DATA_DIR) + "/../examples").string() + "/";
  ymcko::testing::write_text(folder_ / "outside.svg",
                             "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 86 54\">"
                             "<image href=\"../secret.png\" width=\"10\" height=\"10\"/></svg>");
  const std::filesystem::path shot = std::filesystem::path(YMCKO_ARTEFACT_DIR) / "card-run.png";
  const std::string run = "run:/card/design?name=member:" + examples + "people.csv:" + examples +
                          "photos/amara.png," + examples + "photos/tomas.png," + examples +
                          "photos/lena-ravi.png:2-3:ymcko-mag-mode=w:" + shot.string();
  const ProcessResult seen =
      browse({"check:/card/setup:ymcko-mag-encoder",
              "design:/card/designs:member:" + examples + "member-card.svg",
              "design:/card/designs:outside:" + (folder_ / "outside.svg").string(), run});
  ASSERT_EQ(seen.status, 0) << seen.out << seen.err << app_.log();
  EXPECT_EQ(step_output(seen.out, "design:/card/designs:member:" + examples + "member-card.svg"),
            "Design \"member\" saved.");
  EXPECT_NE(
      step_output(seen.out, "design:/card/designs:outside:" + (folder_ / "outside.svg").string())
          .find("the design: outside.svg: <image> refers to ../secret.png"),
      std::string::npos)
      << seen.out;
  const std::string ran = step_output(seen.out, run);
  // Three cards previewed, and the stripes the printer's default mode would
  // not write, until the run's settings say W.
  EXPECT_EQ(ran.substr(0, ran.find("people.csv:2: track1: stripe mode Q writes no track")),
            "image 1024\nimage 1024\nimage 1024\n")
      << ran << app_.log();
  EXPECT_NE(ran.find("/card/cards?job=1\n"), std::string::npos) << ran;

  // The job: two cards, each front's code its row's member number, the
  // bytes the tool makes of the same rows; the uploads gone once it ended.
  const std::filesystem::path job = folder_ / "jobs/member: people.csv, rows 2-3.prn";
  const std::filesystem::path runs = folder_ / "ymcko-app.d/ymcko-runs";
  const auto ended = [&] {
    return std::filesystem::is_empty(runs) && std::filesystem::exists(job);
  };
  for (int attempt = 0; attempt < 200 && !ended(); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(ended()) << app_.log();
  ASSERT_EQ(run_program(YMCKO_TOOL_PATH,
                        {"print", "--template", examples + "member-card.svg", "--data",
                         examples + "people.csv", "--rows", "2-3", "--mag-encoder", "--mag-mode",
                         "W", "-o", "tool.prn"},
                        folder_.path())
                .status,
            0);
  EXPECT_EQ(file_bytes(job), file_bytes(folder_ / "tool.prn"));
  const std::filesystem::path previews = folder_ / "ymcko-app.d/ymcko-previews/p1-j1";
  for (const auto& [card, member] : {std::pair{1, "LMC-2027-0101"}, {2, "LMC-2027-0102"}}) {
    const std::string png = (previews / ("card" + std::to_string(card) + "-front.png")).string();
    EXPECT_EQ(run_program("/usr/bin/zbarimg", {"--raw", "-q", png}, folder_.path()).out,
              std::string(member) + "\n")
        << card;
  }
}

TEST_F(App, TheWebInterfaceShowsThePrinterAndItsCardOptions) {
  ASSERT_TRUE(std::filesystem::exists("/usr/bin/chromium")) << "the test command installs it";
  // In a browser: the home page; without the Avahi daemon, as here, the
  // page that looks for printers on the network answers (and so does the
  // devices subcommand); the job defaults; the Media page saved keeps the
  // printer's media; a second printer is set up with an encoder and a card
  // layout measured on the card as held; and the test page prints.
  ASSERT_EQ(app_.add_printer("stripe", folder_ / "stripe").status, 0);
  const std::string media = "media:/card/media:" + std::string(ymcko::app::kPortraitCard);
  const std::string layout =
      "fill:/stripe/layout:print-x=10,print-width=1000,area1-kind=0,area1-x=100,area1-y=50,"
      "area1-width=200,area1-height=100";
  const ProcessResult set_up =
      browse({"dump:/", "dump:/addprinter", "dump:/card/printing", media,
              "check:/stripe/setup:ymcko-mag-encoder", layout, "test:/card/"});
  ASSERT_EQ(set_up.status, 0) << set_up.out << set_up.err << app_.log();
  EXPECT_NE(step_output(set_up.out, "dump:/").find("card"), std::string::npos) << set_up.out;
  EXPECT_NE(step_output(set_up.out, "dump:/addprinter").find("Add Printer"), std::string::npos);
  EXPECT_EQ(run_program(YMCKO_APP_PATH, {"devices"}, folder_.path()).status, 0);
  for (const std::string& step :
       {media, std::string("check:/stripe/setup:ymcko-mag-encoder"), layout})
    EXPECT_EQ(step_output(set_up.out, step), "Changes saved.") << step;
  EXPECT_EQ(step_output(set_up.out, "test:/card/"), "Test page printed.");

  // The job defaults, card sides by name and the colour adjustments as
  // ranges; the printer's set-up, the card layout and the stripe's texts are
  // not among them.
  const std::string defaults = step_output(set_up.out, "dump:/card/printing");
  EXPECT_NE(defaults.find("ID-1 card (CR-80)"), std::string::npos);
  for (const ymcko::app::VendorSetting& setting : ymcko::app::vendor_settings()) {
    EXPECT_EQ(defaults.find("name=\"" + setting.name + "\"") != std::string::npos,
              setting.page == ymcko::app::SettingPage::defaults)
        << setting.name;
  }
  for (const char* offered :
       {"<option value=\"front-and-black-back\">Front and back, back in black only</option>",
        "<input type=\"range\" name=\"ymcko-yellow-adjust\" min=\"-50\" max=\"50\""})
    EXPECT_NE(defaults.find(offered), std::string::npos) << offered;

  // The printer with the encoder prints a card with a stripe: the job's page
  // shows the card as held and which track was written, never its text;
  // the preview files are the server user's alone, and go with the printer.
  ASSERT_EQ(run_program(YMCKO_APP_PATH, {"modify", "-d", "stripe", "-o", "ymcko-mag-mode=w"},
                        folder_.path())
                .status,
            0);
  std::vector<std::uint8_t> grey(1024 * 656, 100);
  ymcko::cards::write_png(folder_ / "grey.png", 1024, 656, 1, grey);
  const std::string secret = "SECRETTRACK";
  ASSERT_EQ(app_.ipptool("stripe", "private-tracks.test",
                         {"-f", (folder_ / "grey.png").string(), "-d", "secret=" + secret})
                .status,
            0)
      << app_.log();
  // The print area's width as held runs along the panel's lines.
  const js::ReadResult stripe_job = js::read_commands(file_bytes(folder_ / "stripe/private.prn"));
  const auto panel =
      std::find_if(stripe_job.commands.begin(), stripe_job.commands.end(),
                   [](const js::Command& c) { return std::holds_alternative<js::Panel>(c.body); });
  ASSERT_NE(panel, stripe_job.commands.end());
  EXPECT_EQ(std::get<js::Panel>(panel->body).lines(), 1000u);
  EXPECT_EQ(std::get<js::Panel>(panel->body).line_width, 656u);
  const std::filesystem::path previews = folder_ / "ymcko-app.d/ymcko-previews";
  std::vector<std::filesystem::path> stripe_jobs;
  for (const auto& entry : std::filesystem::directory_iterator(previews)) {
    if (entry.path().filename().string().starts_with("p2-")) stripe_jobs.push_back(entry.path());
  }
  ASSERT_EQ(stripe_jobs.size(), 1u);
  EXPECT_EQ(std::filesystem::status(stripe_jobs[0]).permissions(),
            std::filesystem::perms::owner_all);
  for (const auto& file : std::filesystem::directory_iterator(stripe_jobs[0])) {
    EXPECT_EQ(file.status().permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(ymcko::testing::read_text(file.path()).find(secret), std::string::npos);
  }
  // The page as a person sees it is kept with the build.
  std::filesystem::create_directories(YMCKO_ARTEFACT_DIR);
  const std::filesystem::path shot = std::filesystem::path(YMCKO_ARTEFACT_DIR) / "ymcko-app.png";
  const ProcessResult seen = browse({"job:/stripe/cards", "shot:/card/printing:" + shot.string()});
  const std::string job_page = step_output(seen.out, "job:/stripe/cards");
  EXPECT_EQ(job_page.find("image 1024\n"), 0u) << seen.out << seen.err << app_.log();
  for (const char* shown :
       {"Magnetic stripe written: track 1.", "Print area: from 10, 0, 1000 x 656 dots",
        "Overlay areas: kind 0 from 100, 50, 200 x 100 dots"})
    EXPECT_NE(job_page.find(shown), std::string::npos) << shown << "\n" << job_page;
  EXPECT_EQ(seen.out.find(secret), std::string::npos);
  EXPECT_GT(std::filesystem::exists(shot) ? std::filesystem::file_size(shot) : 0, 10000u);
  ASSERT_EQ(run_program(YMCKO_APP_PATH, {"delete", "-d", "stripe"}, folder_.path()).status, 0);
  EXPECT_FALSE(std::filesystem::exists(stripe_jobs[0])) << "the previews outlived their job";

  // The test card, a whole card; and after the Media page, a page of the
  // card's exact size still prints pixel for pixel on the medium the other
  // way round.
  const std::filesystem::path test_card = folder_ / "jobs/Test Page.prn";
  const auto printed = [&] { return count<js::CardEnd>(js::read_commands(file_bytes(test_card))); };
  for (int attempt = 0; attempt < 100 && printed() == 0; ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(printed(), 1u) << app_.log();
  const ProcessResult ready = app_.ipptool("card", "printer-attributes.test", {});
  EXPECT_NE(ready.out.find("media-ready (keyword) = " + std::string(ymcko::app::kPortraitCard)),
            std::string::npos)
      << ready.out;
  std::vector<std::uint8_t> rgb(1024 * 656 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = std::uint8_t(i * 5 / 3);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 3, rgb);
  ASSERT_EQ(print("card.png", "image/png", "after-media", 70, 0).status, 0) << app_.log();
  ASSERT_EQ(
      run_program(YMCKO_TOOL_PATH, {"print", "card.png", "-o", "tool.prn"}, folder_.path()).status,
      0);
  EXPECT_EQ(file_bytes(folder_ / "jobs/after-media.prn"), file_bytes(folder_ / "tool.prn"));
  EXPECT_TRUE(app_.running()) << app_.log();
}

// The subcommands as a person runs them, with a printer whose device
// refuses connections ("off") and one whose device never answers
// ("stuck"): each row's output holds what it shows; the refusing printer is
// offline and says why; `shutdown` returns once the server has stopped, and
// the jobs that waited for their devices are there at the next start.
TEST_F(App, TheSubcommandsDoWhatTheySay) {
  ASSERT_EQ(app_.add_printer("gone", folder_ / "gone").status, 0);
  std::vector<std::uint8_t> grey(1024 * 656, 90);
  ymcko::cards::write_png(folder_ / "card.png", 1024, 656, 1, grey);
  ASSERT_EQ(
      run_program(YMCKO_TOOL_PATH, {"print", "card.png", "-o", "tool.prn"}, folder_.path()).status,
      0);
  // A connection to a listener whose queue is full hangs.
  int silent_port = 0;
  const int silent = ymcko::testing::bind_loopback(silent_port);
  ::listen(silent, 0);
  std::vector<int> queued(3);
  for (int& fd : queued) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{AF_INET, htons(std::uint16_t(silent_port)), {htonl(INADDR_LOOPBACK)}, {}};
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  const std::string refused = "127.0.0.1:" + std::to_string(ymcko::testing::free_port());
  const auto add = [](const char* name, const std::string& device) {
    return std::vector<std::string>{"add", "-d", name, "-m", ymcko::app::kDriverName, "-v", device};
  };
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {add("off", "socket://" + refused), {}},
      {add("stuck", "socket://127.0.0.1:" + std::to_string(silent_port)), {}},
      {{"delete", "-d", "gone"}, {}},
      {{"printers"}, {"card\noff\nstuck\n"}},
      {{"submit", "-d", "card", "tool.prn"}, {"card-1"}},
      {{"submit", "-d", "off", "card.png"}, {"off-1"}},
      {{"submit", "-d", "stuck", "card.png"}, {"stuck-1"}},
      {{"options", "-d", "card"},
       {"-o ymcko-color-intensity=70 (default)\n", "-o ymcko-color-intensity=0 to 100\n",
        "-o ymcko-front-color=false\n", "-o ymcko-mag-mode=q (default)\n", "-o ymcko-mag-mode=w\n",
        "-o ymcko-print-rect='0,0,656,1024' (default)\n"}},
  };
  for (const auto& [args, shown] : cases) {
    SCOPED_TRACE(args[0] + " " + args.back());
    const ProcessResult result = run_program(YMCKO_APP_PATH, args, folder_.path());
    EXPECT_EQ(result.status, 0) << result.err;
    for (const std::string& part : shown)
      EXPECT_NE(result.out.find(part), std::string::npos) << part << "\n" << result.out;
  }

  // The job the tool made, sent without a format, is known by its start.
  const std::vector<std::uint8_t> made = file_bytes(folder_ / "tool.prn");
  for (int attempt = 0; attempt < 100 && file_bytes(folder_ / "jobs/tool.prn.prn") != made;
       ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(file_bytes(folder_ / "jobs/tool.prn.prn") == made) << app_.log();

  const std::string why = "Unable to connect to '" + refused + "'";
  const ProcessResult offline = app_.ipptool("off", "offline.test", {});
  EXPECT_NE(offline.out.find(why), std::string::npos) << offline.out;
  const ProcessResult page =
      run_program("/usr/bin/curl", {"-s", "http://" + app_.host() + "/off/"}, folder_.path());
  EXPECT_NE(page.out.find("Offline.<br>" + why), std::string::npos) << page.out;

  EXPECT_EQ(run_program(YMCKO_APP_PATH, {"shutdown"}, folder_.path()).status, 0);
  EXPECT_FALSE(app_.running()) << "shutdown returned before the server stopped";
  PrinterApp again(folder_.path());
  for (const char* printer : {"off", "stuck"}) {
    const std::string jobs = again.ipptool(printer, "jobs.test", {}).out;
    EXPECT_TRUE(jobs.find("= pending") != std::string::npos ||
                jobs.find("= processing") != std::string::npos)
        << printer << jobs;
  }
  EXPECT_EQ(again.stop(), 0) << again.log();
  for (const int fd : queued) ::close(fd);
  ::close(silent);
}

}  // namespace
