// Pixels written as PNG: previews, panels, and images handed to a renderer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace ymcko::cards {

// The pixels as PNG bytes, of one (grey), three (RGB) or four (RGBA)
// channels per pixel; `name` is the output named in errors.
std::vector<std::uint8_t> encode_png(const std::string& name, std::uint32_t width,
                                     std::uint32_t height, int channels,
                                     std::span<const std::uint8_t> pixels);

// Writes a PNG of one (grey), three (RGB) or four (RGBA) channels per pixel;
// a new file is made mode 0600.
void write_png(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               int channels, std::span<const std::uint8_t> pixels);

}  // namespace ymcko::cards
