// Card settings from the name=value options of a job, as a print system
// hands them to a filter: the PPD keywords of the settings table with their
// choices, and the settings that have none by their key written with dashes
// ("mag-mode", "track1"). Other options belong to the print system and are
// passed over, so that its own "saturation" or "copies" keep their meaning.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "print/card_settings.h"

namespace ymcko::print {

using JobOption = std::pair<std::string, std::string>;

// The job option that names a setting: its PPD keyword, or its key with dashes.
std::string option_name(const Setting& row);

// The setting a job option names (case matters), or null.
const Setting* setting_for_option(const std::string& name);

// The options that name settings, checked by their rows, later ones over
// earlier ones. Booleans take True/False (any case), yes/no, on/off, 1/0.
// Throws Error naming `input` and the option.
CardSettings settings_from_options(const std::vector<JobOption>& options, const std::string& input,
                                   Warnings& warnings);

}  // namespace ymcko::print
