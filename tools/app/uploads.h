// Uploads from the application's web pages: a multipart/form-data body read
// as it arrives, each file streamed into a private file, and ZIP archives
// among them taken apart, every name and size checked against limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ymcko::app {

// What one upload may hold; a refusal names the limit it passed.
struct UploadLimits {
  std::uint64_t body_bytes;  // the whole request body
  std::uint64_t file_bytes;  // any one file, uploaded or taken out of a ZIP
  std::size_t files;         // files in all, a ZIP's entries counted
  std::uint64_t unpacked_bytes = std::uint64_t{256} << 20;  // all the files out of one ZIP
};

// The bounds of a form's other parts, the same for every page.
inline constexpr std::size_t kFieldValueBytes = 64 << 10;  // one field's value
inline constexpr std::size_t kFormFields = 1000;           // fields that are not files
inline constexpr std::size_t kHeaderLineBytes = 8 << 10;   // one header line of a part
inline constexpr std::size_t kPartHeaderLines = 16;        // header lines of one part
inline constexpr std::size_t kNameBytes = 255;             // a file name, or a part of a path

// One file as it was uploaded or taken out of an archive.
struct UploadedFile {
  std::string field;           // the form field it came in
  std::string name;            // its name as sent (a plain file name), or its path inside a ZIP
  std::filesystem::path path;  // where it was written
  std::uint64_t size;
};

// A whole upload: its fields other than files, in order, and its files.
struct UploadedForm {
  std::vector<std::pair<std::string, std::string>> fields;  // the other fields, in order
  std::vector<UploadedFile> files;
  const std::string* field(std::string_view name) const;  // first of that name, or null
};

// Pulls the next bytes of a request body into buffer, as httpRead2 does: the
// count read, 0 at the end, negative on an error.
using BodyReader = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

// Reads a multipart/form-data body (RFC 7578) given the request's
// Content-Type value, streaming each file part into a new file of `folder`
// (the caller's, existing), mode 0600, under a name of the reader's own,
// never the sent name. A refusal throws print::Error naming the field or "the
// upload", after removing every file the call wrote.
UploadedForm read_multipart(std::string_view content_type, const BodyReader& read,
                            const std::filesystem::path& folder, const UploadLimits& limits);

// The files of an uploaded ZIP, written into `folder` at their paths inside
// the archive (files 0600, folders made 0700), each with the archive's field.
// limits.files counts this archive's files alone: a caller that takes several
// archives passes what is left. A refusal throws print::Error naming the
// field, the archive and the entry, after removing what the call made.
std::vector<UploadedFile> extract_zip(const UploadedFile& zip, const std::filesystem::path& folder,
                                      const UploadLimits& limits);

}  // namespace ymcko::app
