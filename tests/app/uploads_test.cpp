// The upload reader: multipart bodies read in pieces down to one byte, ZIP
// archives built here with libzip, and for each refusal what it says and
// that it leaves the folder empty.
#include "app/uploads.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <tuple>

#include "print/errors.h"
#include "support/scratch.h"

namespace {

using namespace std::string_literals;
using ymcko::app::UploadedFile;
using ymcko::app::UploadLimits;
using ymcko::testing::read_text;
using ymcko::testing::ScratchFolder;

constexpr std::uint64_t kMiB = 1 << 20;
const UploadLimits kLimits{4 * kMiB, 1 * kMiB, 3};

// A file as a case expects it: field, name and bytes.
struct Expected {
  std::string field, name, bytes;
};

unsigned mode_of(const std::filesystem::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Checks the files against the expected ones, each 0600 and the only files
// of `folder`.
void expect_files(const std::vector<UploadedFile>& files, const std::vector<Expected>& expected,
                  const std::filesystem::path& folder) {
  ASSERT_EQ(files.size(), expected.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i].field, expected[i].field);
    EXPECT_EQ(files[i].name, expected[i].name);
    EXPECT_EQ(files[i].size, expected[i].bytes.size());
    EXPECT_EQ(read_text(files[i].path), expected[i].bytes) << files[i].name;
    EXPECT_EQ(mode_of(files[i].path), 0600u) << files[i].name;
  }
  std::size_t on_disk = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    on_disk += entry.is_regular_file();
  EXPECT_EQ(on_disk, files.size());
}

// Parts of a body whose boundary is "XyZ".
std::string field(const std::string& name, const std::string& value) {
  return "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}
std::string file(const std::string& name, const std::string& file_name, const std::string& bytes) {
  return "--XyZ\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + file_name +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n";
}
const std::string kEnd = "--XyZ--\r\n";

TEST(Uploads, MultipartBodiesReadInAnyPiecesOrRefusedWithNothingLeft) {
  const std::string binary = "\0\r\n\r\r\n-\r\n--Xy\nXyZ--XyZ\r\nXyZ\r"s;
  std::string large;
  for (int i = 0; large.size() < 300000; ++i) large += "\r\n--Xy" + std::to_string(i);
  struct Case {
    const char* name;
    std::string body;
    std::string error;  // "input: what", or none
    std::vector<std::pair<std::string, std::string>> fields = {};
    std::vector<Expected> files = {};
    std::string content_type = "multipart/form-data; boundary=XyZ";
    UploadLimits limits = kLimits;
    bool read_fails = false;  // the reader fails where the body ends
  };
  const Case cases[] = {
      {"fields and several files under one name",
       field("session", "abc") + file("photos", "a.png", binary) + file("photos", "b.png", "") +
           file("design", "card.svg", "<svg/>") + field("note", "two\r\nlines") + "--XyZ--",
       "",
       {{"session", "abc"}, {"note", "two\r\nlines"}},
       {{"photos", "a.png", binary}, {"photos", "b.png", ""}, {"design", "card.svg", "<svg/>"}}},
      {"names as browsers send them",
       file("p", "C:\\Users\\ann\\card.svg", "1") + file("p", "dir/a%22b.png", "2") +
           file("p", "Zo\xC3\xAB.png", "3") + kEnd,
       "",
       {},
       {{"p", "card.svg", "1"}, {"p", "a\"b.png", "2"}, {"p", "Zo\xC3\xAB.png", "3"}}},
      {"an empty file input skipped; preamble, quoted boundary, blanks after it, epilogue",
       "preamble\r\n" + file("photos", "", "") +
           "--XyZ \t\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n" + kEnd +
           "epilogue",
       "",
       {{"a", "1"}},
       {},
       "Multipart/Form-Data; charset=utf-8; boundary=\"XyZ\""},
      {"a file larger than the buffer",
       file("f", "l.csv", large) + kEnd,
       "",
       {},
       {{"f", "l.csv", large}}},
      {"a file past its limit",
       file("p", "a.png", "1") + file("p", "big.png", std::string(kMiB + 1, 'x')) + kEnd,
       "p: \"big.png\" is larger than the 1 MiB a file may be"},
      {.name = "a body past its limit",
       .body = file("p", "a.png", std::string(2 * kMiB, 'x')),
       .error = "the upload: more than the 2 MiB an upload may be",
       .limits = {2 * kMiB, 4 * kMiB, 3}},
      {"too many files",
       file("p", "1", "") + file("p", "2", "") + file("p", "3", "") + file("p", "4", ""),
       "the upload: more than 3 files"},
      {"a field past its limit", field("note", std::string(64 << 10, 'x') + "x") + kEnd,
       "note: a value longer than the 64 KiB a field may hold"},
      {.name = "not multipart",
       .body = kEnd,
       .error = "the upload: not a multipart/form-data body",
       .content_type = "application/x-www-form-urlencoded"},
      {.name = "no boundary given",
       .body = kEnd,
       .error = "the upload: its Content-Type gives no boundary of 1 to 70 characters",
       .content_type = "multipart/form-data"},
      {"no boundary in the body", "a=1", "the upload: its boundary is nowhere in it"},
      {"an end in a file", file("p", "a.png", "1") + file("p", "b.png", "half"),
       "the upload: it ends before its closing boundary"},
      {"an end in a header", "--XyZ\r\nContent-Disp",
       "the upload: it ends before its closing boundary"},
      {.name = "a read error",
       .body = file("p", "a.png", "1") + kEnd,
       .error = "the upload: it could not be read to its end",
       .read_fails = true},
      {"no disposition", "--XyZ\r\nContent-Type: text/plain\r\n\r\nx\r\n" + kEnd,
       "the upload: a part's Content-Disposition names no field"},
      {"not form-data", "--XyZ\r\nContent-Disposition: attachment; name=a\r\n\r\nx\r\n" + kEnd,
       "the upload: a part's Content-Disposition is not form-data"},
      {"a header line too long", "--XyZ\r\nX: " + std::string(8 << 10, 'x') + "\r\n\r\n" + kEnd,
       "the upload: a header line of a part is longer than the 8 KiB it may be"},
      {"more after the boundary", "--XyZjunk\r\n" + kEnd,
       "the upload: a boundary line holds more than the boundary"},
      {"a name that is a folder", file("p", "dir/", "1") + kEnd,
       "p: the file name \"dir/\" names no file"},
      {"a name with a line break", file("p", "a%0Ab", "1") + kEnd,
       "p: the file name \"a\\u000Ab\" holds a control character"},
      {"a name too long", file("p", std::string(256, 'n'), "1") + kEnd,
       "p: the file name \"" + std::string(64, 'n') +
           "...\" is longer than the 255 bytes a file name may be"},
      {"bytes without a name", file("p", "", "x") + kEnd, "p: a file was sent without a name"},
  };
  for (const Case& c : cases) {
    // One byte at a time splits every boundary at every offset; larger
    // bodies are read in pieces of 7 bytes and whole.
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, c.body.size() + 1}) {
      if (piece == 1 && c.body.size() > 65536) continue;
      SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
      ScratchFolder folder;
      std::size_t at = 0;
      const auto read = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
        const std::size_t n = std::min({piece, size, c.body.size() - at});
        if (n == 0 && c.read_fails) return -1;
        c.body.copy(buffer, n, at);
        at += n;
        return std::ptrdiff_t(n);
      };
      try {
        const auto form = ymcko::app::read_multipart(c.content_type, read, folder.path(), c.limits);
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(form.fields, c.fields);
        expect_files(form.files, c.files, folder.path());
      } catch (const ymcko::print::Error& error) {
        EXPECT_EQ(error.input() + ": " + error.what(), c.error);
        EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
      }
    }
  }
}

// An entry of an archive built for a case.
struct Entry {
  std::string path, bytes;
  enum { file, folder, link, encrypted } kind = file;
};

// The archive's bytes, as libzip writes them.
std::string zip_of(const std::vector<Entry>& entries, const std::filesystem::path& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  for (const Entry& entry : entries) {
    if (entry.kind == Entry::folder) {
      zip_dir_add(archive, entry.path.c_str(), 0);
      continue;
    }
    zip_source_t* bytes = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, entry.path.c_str(), bytes, 0);
    if (entry.kind == Entry::link)
      zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                       (S_IFLNK | 0777u) << 16);
    if (entry.kind == Entry::encrypted)
      zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, "secret");
  }
  EXPECT_EQ(zip_close(archive), 0);
  return read_text(path);
}

// Sets the uncompressed size every header claims for the entry of that path.
std::string claiming(std::string zip, const std::string& path, std::uint32_t size) {
  for (const auto& [signature, name_length, size_at] :
       {std::tuple{"PK\3\4", 26, 22}, std::tuple{"PK\1\2", 28, 24}}) {
    for (std::size_t at = 0; (at = zip.find(signature, at)) != std::string::npos; ++at) {
      const std::size_t length =
          std::uint8_t(zip[at + name_length]) | std::uint8_t(zip[at + name_length + 1]) << 8;
      const std::size_t name_at = at + name_length + (signature[2] == 3 ? 4 : 18);
      if (zip.compare(name_at, length, path) != 0) continue;
      for (int i = 0; i < 4; ++i) zip[at + size_at + i] = char(size >> (8 * i));
    }
  }
  return zip;
}

TEST(Uploads, ZipArchivesTakenApartOrRefusedWithNothingLeft) {
  const std::string zeros(4 * kMiB, '\0');
  struct Case {
    const char* name;
    std::vector<Entry> entries = {};
    std::string error = "";  // after "photos: ", or none
    std::string (*edit)(std::string zip) = nullptr;
    std::vector<Expected> files = {};
  };
  const Case cases[] = {
      {"a nested archive",
       {{"card.svg", "<svg/>"}, {"photos/", "", Entry::folder}, {"photos/2024/ann.jpg", "jpg"}},
       "",
       nullptr,
       {{"photos", "card.svg", "<svg/>"}, {"photos", "photos/2024/ann.jpg", "jpg"}}},
      {"a climb out",
       {{"../x", "1"}},
       "the entry \"../x\" of \"cards.zip\" climbs out of its folder by \"..\""},
      {"an absolute path",
       {{"/etc/x", "1"}},
       "the entry \"/etc/x\" of \"cards.zip\" has an absolute path"},
      {"a symbolic link",
       {{"a.txt", "1"}, {"link", "/etc/passwd", Entry::link}},
       "the entry \"link\" of \"cards.zip\" is a symbolic link"},
      {"an encrypted entry",
       {{"a.txt", "1", Entry::encrypted}},
       "the entry \"a.txt\" of \"cards.zip\" is encrypted"},
      {"one path twice",
       {{"a.txt", "1"}, {"b.txt", "2"}},
       "the entry \"a.txt\" of \"cards.zip\" is in it twice",
       [](std::string zip) {
         for (std::size_t at = 0; (at = zip.find("b.txt", at)) != std::string::npos;) zip[at] = 'a';
         return zip;
       }},
      {"a bomb",
       {{"zeros", zeros}},
       "the entry \"zeros\" of \"cards.zip\" is larger than the 1 MiB a file may be"},
      {"a bomb that lies about its size, after a good file",
       {{"dir/a.txt", "1"}, {"dir/zeros", zeros}},
       "the entry \"dir/zeros\" of \"cards.zip\" is larger than the 1 MiB a file may be",
       [](std::string zip) { return claiming(zip, "dir/zeros", 1000); }},
      {.name = "no archive",
       .error = "\"cards.zip\" is not a ZIP archive that can be read: Not a zip archive",
       .edit = [](std::string) { return std::string("not an archive"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "out");
    std::string zip = zip_of(c.entries, folder / "cards.zip");
    if (c.edit) ymcko::testing::write_text(folder / "cards.zip", c.edit(zip));
    try {
      const auto files = ymcko::app::extract_zip({"photos", "cards.zip", folder / "cards.zip", 0},
                                                 folder / "out", kLimits);
      EXPECT_EQ(c.error, "");
      expect_files(files, c.files, folder / "out");
      if (!files.empty()) {
        EXPECT_EQ(mode_of(folder / "out/photos/2024"), 0700u);
      }
    } catch (const ymcko::print::Error& error) {
      EXPECT_EQ(error.input() + ": " + error.what(), "photos: " + c.error);
      EXPECT_TRUE(std::filesystem::is_empty(folder / "out"));
    }
  }
}

}  // namespace
