// The upload reader on an arbitrary body of boundary "XyZ", read in pieces of
// random sizes, with the ZIP files it holds taken apart; stops where it
// neither accepts nor refuses with its own error, where a refusal leaves
// anything behind, or where a written file is not as the reader says.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "app/uploads.h"
#include "print/errors.h"

namespace {

constexpr ymcko::app::UploadLimits kLimits{1 << 20, 64 << 10, 8, 256 << 10};

// The scratch folder, made once for the run and removed at its end.
const std::filesystem::path& scratch() {
  static const struct Scratch {
    Scratch() {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "multipart-fuzz-XXXXXX").string();
      if (::mkdtemp(pattern.data()) == nullptr) std::abort();
      path = pattern;
    }
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
  } folder;
  return folder.path;
}

// Removes everything in the folder, leaving it.
void empty(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    std::filesystem::remove_all(entry.path());
}

// Whether each file is on disk with the size the reader gives.
bool as_said(const std::vector<ymcko::app::UploadedFile>& files) {
  for (const auto& file : files) {
    std::error_code error;
    if (std::filesystem::file_size(file.path, error) != file.size || error) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path uploads = scratch() / "uploads", unpacked = scratch() / "unpacked";
  std::filesystem::create_directories(uploads);
  std::filesystem::create_directories(unpacked);

  // The pieces' sizes follow from the input, so that a finding replays.
  std::minstd_rand pieces(std::uint32_t(size) ^ (size > 0 ? data[0] : 0u));
  std::size_t at = 0;
  const auto read = [&](char* buffer, std::size_t room) -> std::ptrdiff_t {
    const std::size_t n = std::min({room, size - at, std::size_t(pieces() % 600 + 1)});
    std::copy(data + at, data + at + n, buffer);
    at += n;
    return std::ptrdiff_t(n);
  };
  try {
    const auto form =
        ymcko::app::read_multipart("multipart/form-data; boundary=XyZ", read, uploads, kLimits);
    if (!as_said(form.files)) std::abort();
    for (const auto& file : form.files) {
      try {
        if (!as_said(ymcko::app::extract_zip(file, unpacked, kLimits))) std::abort();
      } catch (const ymcko::print::Error&) {
        if (!std::filesystem::is_empty(unpacked)) std::abort();
      }
      empty(unpacked);
    }
  } catch (const ymcko::print::Error&) {
    if (!std::filesystem::is_empty(uploads)) std::abort();
  }
  empty(uploads);
  return 0;
}
