// Device modes as applications hand them over: a binary device mode checked
// before it goes near the driver, and the record a job hands the driver with
// its card settings written into it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "print/card_settings.h"

namespace ymcko::print {

// Smallest public part the driver knows (version 0x320).
inline constexpr std::size_t kMinPublicSize = 188;

// Checks that `bytes` hold one whole device mode: at least the smallest
// public part, exactly dmSize + dmDriverExtra bytes, and a version the driver
// can take. Throws Error naming `name`.
void check_devmode(std::span<const std::uint8_t> bytes, const std::string& name);

// Reads and checks a device mode file.
std::vector<std::uint8_t> read_devmode_file(const std::filesystem::path& path);

// The device mode an application would hand the driver: the given one (or
// the driver's defaults) with the settings written in. Copies and
// orientation go into the public part with their dmFields bits; card-job
// settings into the private part, which gets the driver's defaults first
// when the given record has no complete one of its own.
std::vector<std::uint8_t> application_devmode(
    const CardSettings& settings, const std::optional<std::vector<std::uint8_t>>& given);

}  // namespace ymcko::print
