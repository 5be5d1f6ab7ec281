// Reading the files a job is made from, each within a size limit of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace ymcko::print {

// The most a kind of input may hold, and how messages name the kind
// ("a settings file").
struct FileLimit {
  std::uint64_t bytes;
  const char* kind;
};

inline constexpr FileLimit kSettingsFileLimit{1u << 20, "a settings file"};
inline constexpr FileLimit kPrinterFileLimit{1u << 20, "a printer file"};
// dmSize and dmDriverExtra are 16-bit fields: a device mode is below 128 KB.
inline constexpr FileLimit kDevmodeFileLimit{128u << 10, "a device mode file"};
// Batch manifests and template data files. Both are held whole as a table
// of their fields, at most 5 times the file (320 MB at this limit; about
// twice the file for rows of names, numbers and paths), and a batch's plan
// takes 4 bytes a card side besides.
inline constexpr FileLimit kManifestFileLimit{64u << 20, "a manifest"};
// About 1,900 cards of four panels each.
inline constexpr FileLimit kJobFileLimit{512u << 20, "a job file"};
// A PNG, JPEG or PDF card side; the largest accepted image takes 256 MB as RGBA.
inline constexpr FileLimit kImageFileLimit{256u << 20, "an image or PDF file"};

// "1 MB", "64 KB": a limit as messages show it.
std::string size_text(std::uint64_t bytes);

// A whole file, or an Error naming it (also when it holds more than `limit`).
std::vector<std::uint8_t> read_file(const std::filesystem::path& path, const FileLimit& limit);

// The rest of an open file after `already` bytes were taken from it, or an
// Error naming it `name`. The file stays open.
std::vector<std::uint8_t> read_rest(std::FILE* file, const std::string& name,
                                    const FileLimit& limit, std::uint64_t already = 0);

}  // namespace ymcko::print
