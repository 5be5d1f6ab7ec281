// Job streams that must not change: the demo card printed with a few sets of
// settings, compared byte for byte with streams kept in tests/golden.
#include <gtest/gtest.h>
#include <zlib.h>

#include "cards/jobs/command_reader.h"
#include "support/scratch.h"
#include "support/test_support.h"

namespace {

// A gzip file's contents.
std::vector<std::uint8_t> gunzip(const std::filesystem::path& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open " + path.string());
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  int got;
  while ((got = gzread(file, chunk, sizeof chunk)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  gzclose(file);
  if (got < 0) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

TEST(Golden, TheDemoCardStreamsStayByteForByte) {
  struct Case {
    const char* golden;
    std::vector<std::string> flags;
  };
  const Case cases[] = {
      {"demo.prn.gz", {}},
      {"demo-duplex-stripe.prn.gz",
       {"--side-mode", "1", "--copies", "2", "--overlay", "0,60,40,535,399", "--mag-encoder",
        "--mag-mode", "W", "--track1", "DOE/JOHN"}},
      {"demo-portrait-adjusted.prn.gz",
       {"--portrait",
        "--yellow-adjust",
        "10",
        "--magenta-adjust",
        "-5",
        "--cyan-adjust",
        "3",
        "--saturation",
        "-20",
        "--start-doc-value1",
        "5",
        "--start-doc-value2",
        "-7",
        "--start-doc-value3",
        "123456",
        "--p-command-form",
        "1",
        "--job-r-value",
        "42",
        "--no-front-overlay",
        "--no-back-black"}},
  };
  ymcko::testing::ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    std::vector<std::string> args = {"print", "--demo", "-o", "job.prn"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const ymcko::testing::ProcessResult result =
        ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string job = ymcko::testing::read_text(folder / "job.prn");
    const std::vector<std::uint8_t> expected =
        gunzip(std::filesystem::path(YMCKO_TEST_DATA_DIR) / "golden" / c.golden);
    EXPECT_TRUE(
        ymcko::testing::BytesEqual(expected, std::vector<std::uint8_t>(job.begin(), job.end())));
    // The reader takes every command the driver wrote.
    const ymcko::jobstream::ReadResult read = ymcko::jobstream::read_commands(expected);
    EXPECT_FALSE(read.error.has_value()) << read.error->expected << " at " << read.error->offset;
  }
}

}  // namespace
