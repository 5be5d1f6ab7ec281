// Atomic output: the target appears whole or not at all.
#include "ymcko/output_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "support/scratch.h"
#include "ymcko/errors.h"

namespace {

using namespace ymcko::tool;
using ymcko::testing::folder_entries;
using ymcko::testing::read_text;
using ymcko::testing::ScratchFolder;
using ymcko::testing::write_text;

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(OutputFile, CommitReplacesTheTargetWhole) {
  ScratchFolder folder;
  write_text(folder / "job.prn", "old");
  {
    OutputFile out(folder / "job.prn");
    EXPECT_EQ(out.temporary().parent_path(), folder.path());
    EXPECT_TRUE(out.write(bytes_of("new ")));
    EXPECT_EQ(read_text(folder / "job.prn"), "old") << "the target is untouched until the commit";
    out.write(bytes_of("job"));
    out.commit();
  }
  EXPECT_EQ(read_text(folder / "job.prn"), "new job");
  EXPECT_EQ(folder_entries(folder.path()), std::vector<std::string>{"job.prn"});
}

// A replaced job keeps the old file's mode (jobs hold stripe data, often
// kept private); a new one gets the mode a new file gets.
TEST(OutputFile, AReplacedFileKeepsItsMode) {
  const mode_t umask_now = ::umask(022);
  ::umask(umask_now);
  struct Case {
    const char* name;
    std::optional<mode_t> existing;
    mode_t expected;
  };
  const Case cases[] = {
      {"private", 0600, 0600},
      {"group readable", 0640, 0640},
      {"read only for everyone", 0444, 0444},
      {"new file, for its owner alone", std::nullopt, 0600 & ~umask_now},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    if (c.existing) {
      write_text(folder / "job.prn", "old");
      ASSERT_EQ(::chmod((folder / "job.prn").c_str(), *c.existing), 0);
    }
    OutputFile out(folder / "job.prn");
    out.write(bytes_of("new"));
    out.commit();
    struct stat status {};
    ASSERT_EQ(::stat((folder / "job.prn").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, c.expected);
    EXPECT_EQ(read_text(folder / "job.prn"), "new");
  }
  // The owner too, where the user may give files away.
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can keep another user's file";
  ScratchFolder folder;
  write_text(folder / "job.prn", "old");
  ASSERT_EQ(::chown((folder / "job.prn").c_str(), 4321, 4322), 0);
  OutputFile out(folder / "job.prn");
  out.write(bytes_of("new"));
  out.commit();
  struct stat status {};
  ASSERT_EQ(::stat((folder / "job.prn").c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 4321u);
  EXPECT_EQ(status.st_gid, 4322u);
}

TEST(OutputFile, AFailedWriteLeavesNothingAndKeepsTheOldFile) {
  struct Case {
    const char* name;
    bool existing;
    std::size_t failing_call;  // 1 = the first
    int error;
  };
  const Case cases[] = {
      {"disk full on the first write, no old file", false, 1, ENOSPC},
      {"disk full later, old file kept", true, 3, ENOSPC},
      {"i/o error", true, 2, EIO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    if (c.existing) write_text(folder / "job.prn", "old");
    std::size_t calls = 0;
    OutputFile out(folder / "job.prn",
                   [&](int fd, const void* bytes, std::size_t count) -> ssize_t {
                     if (++calls == c.failing_call) {
                       errno = c.error;
                       return -1;
                     }
                     return ::write(fd, bytes, count);
                   });
    for (int i = 0; i < 4; ++i) out.write(bytes_of("chunk"));
    try {
      out.commit();
      ADD_FAILURE() << "committed";
    } catch (const ToolError& error) {
      EXPECT_EQ(error.input(), (folder / "job.prn").string());
      EXPECT_NE(std::string(error.what()).find(std::strerror(c.error)), std::string::npos)
          << error.what();
    }
    EXPECT_EQ(calls, c.failing_call) << "no write after the failure";
    EXPECT_EQ(folder_entries(folder.path()),
              c.existing ? std::vector<std::string>{"job.prn"} : std::vector<std::string>{});
    if (c.existing) {
      EXPECT_EQ(read_text(folder / "job.prn"), "old");
    }
  }
}

TEST(OutputFile, ShortWritesAreContinued) {
  ScratchFolder folder;
  OutputFile out(folder / "job.prn", [](int fd, const void* bytes, std::size_t count) {
    return ::write(fd, bytes, std::min<std::size_t>(count, 2));
  });
  EXPECT_TRUE(out.write(bytes_of("abcde")));
  out.commit();
  EXPECT_EQ(read_text(folder / "job.prn"), "abcde");
}

TEST(OutputFile, AbandonedOrFailedJobsLeaveNoFile) {
  ScratchFolder folder;
  write_text(folder / "kept.prn", "old");
  {
    OutputFile out(folder / "new.prn");
    out.write(bytes_of("partial"));
  }
  {
    OutputFile out(folder / "kept.prn");
    out.write(bytes_of("partial"));
    out.fail("the printer refused a write");
    EXPECT_THROW(out.commit(), ToolError);
  }
  EXPECT_EQ(folder_entries(folder.path()), std::vector<std::string>{"kept.prn"});
  EXPECT_EQ(read_text(folder / "kept.prn"), "old");
}

// A link is written through and stays a link; a name of standard output
// is standard output, whatever file or pipe it stands for.
TEST(OutputFile, ALinkIsWrittenThroughAndStandardOutputIsItsDescriptor) {
  struct Case {
    const char* target;   // in the folder, or absolute
    const char* link_to;  // null: the target is no link
    int fd;               // the descriptor written, or -1 for a file
    const char* written;  // the file that gets the job
  };
  const Case cases[] = {
      {"link.prn", "job.prn", -1, "job.prn"}, {"dangling.prn", "made.prn", -1, "made.prn"},
      {"out", "/proc/self/fd/1", 1, nullptr}, {"chain", "out", 1, nullptr},
      {"/dev/stdout", nullptr, 1, nullptr},   {"/dev/stderr", nullptr, 2, nullptr},
  };
  ScratchFolder folder;
  write_text(folder / "job.prn", "old");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::filesystem::path target = folder / c.target;
    if (c.link_to != nullptr) std::filesystem::create_symlink(c.link_to, target);
    int written_fd = -1;
    {
      OutputFile out(target, [&](int fd, const void* bytes, std::size_t count) {
        written_fd = fd;
        return fd > 2 ? ::write(fd, bytes, count) : ssize_t(count);
      });
      out.write(bytes_of("new"));
      out.commit();
    }
    EXPECT_EQ(written_fd == 1 || written_fd == 2 ? written_fd : -1, c.fd);
    if (c.link_to != nullptr) {
      EXPECT_TRUE(std::filesystem::is_symlink(target));
    }
    if (c.written != nullptr) {
      EXPECT_EQ(read_text(folder / c.written), "new");
    }
  }
}

TEST(OutputFile, RefusesTargetsItCannotWrite) {
  ScratchFolder folder;
  EXPECT_THROW(OutputFile(folder / "missing" / "job.prn"), ToolError);
  EXPECT_THROW(OutputFile(folder.path()), ToolError);
}

}  // namespace
