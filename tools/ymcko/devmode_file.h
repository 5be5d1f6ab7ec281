// Device modes as files: a binary device mode merged as an application's,
// checked before it goes near the driver, and the record the tool hands the
// driver with the job's settings written into it.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/engine_types.h"
#include "ymcko/job_settings.h"

namespace ymcko::tool {

// Smallest public part the driver knows (version 0x320).
inline constexpr std::size_t kMinPublicSize = 188;

// Checks that `bytes` hold one whole device mode: at least the smallest
// public part, exactly dmSize + dmDriverExtra bytes, and a version the driver
// can take. Throws ToolError naming `name`.
void check_devmode(std::span<const BYTE> bytes, const std::string& name);

// Reads and checks a device mode file.
std::vector<BYTE> read_devmode_file(const std::filesystem::path& path);

// The device mode an application would hand the driver: the given one (or
// the driver's defaults) with the settings written in. Copies and
// orientation go into the public part with their dmFields bits; card-job
// settings into the private part, which gets the driver's defaults first
// when the given record has no complete one of its own.
std::vector<BYTE> application_devmode(const JobSettings& settings,
                                      const std::optional<std::vector<BYTE>>& given);

// The side mode a checked device mode gives the driver: its private part's
// when that carries the signature, else the default 0.
WORD side_mode_of(std::span<const BYTE> devmode);

}  // namespace ymcko::tool
