// Card settings from a job's name=value options: PPD keywords and dashed
// keys, a print system's spellings of booleans, other options passed over,
// and refusals that name the option.
#include "print/options.h"

#include <gtest/gtest.h>

namespace {

using namespace ymcko::print;

TEST(Options, JobOptionsBecomeSettings) {
  struct Case {
    std::vector<JobOption> options;
    const char* key;
    std::optional<SettingValue> value;  // none: not given
  };
  const Case cases[] = {
      {{{"ColorIntensity", "55"}}, "intensity", std::int64_t{55}},
      {{{"intensity", "55"}}, "intensity", std::nullopt},  // settings with a PPD keyword go by it
      {{{"colorintensity", "55"}}, "intensity", std::nullopt},                 // case matters
      {{{"SideMode", "1"}, {"SideMode", "2"}}, "side_mode", std::int64_t{2}},  // the later wins
      {{{"start-doc-value1", "-5"}}, "start_doc_value1", std::int64_t{-5}},
      {{{"FrontBlack", "False"}}, "front_black", false},
      {{{"FrontBlack", "no"}}, "front_black", false},
      {{{"BackOverlay", "ON"}}, "back_overlay", true},
      {{{"MagEncoder", "1"}}, "mag_encoder", true},
      {{{"mag-mode", "W"}}, "mag_mode", std::string("W")},
      {{{"track1", "DOE/JOHN"}}, "track1", std::string("DOE/JOHN")},
      {{{"saturation", "150"}, {"media", "CR80"}},
       "saturation",
       std::nullopt},  // the print system's own
      {{{"ColorSaturation", "-20"}}, "saturation", std::int64_t{-20}},
      {{{"job-uuid", "urn:uuid:1"}, {"Resolution", "300dpi"}}, "copies", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.front().first + "=" + c.options.front().second);
    Warnings warnings;
    const CardSettings settings = settings_from_options(c.options, "options", warnings);
    const SettingValue* value = settings.find(c.key);
    ASSERT_EQ(value != nullptr, c.value.has_value());
    if (value != nullptr) {
      EXPECT_TRUE(*value == *c.value);
    }
  }
  Warnings warnings;
  for (const JobOption& bad :
       {JobOption{"ColorIntensity", "101"}, JobOption{"FrontColor", "maybe"},
        JobOption{"mag-mode", "X"},
        JobOption{
            "track2",
            "12345678901234567890123456789012345678901234567890123456789012345678901234567890"}}) {
    SCOPED_TRACE(bad.first);
    try {
      settings_from_options({bad}, "options", warnings);
      ADD_FAILURE() << "taken";
    } catch (const Error& error) {
      EXPECT_EQ(error.input(), "options");
      EXPECT_EQ(std::string(error.what()).rfind(bad.first + "=" + bad.second + ": ", 0), 0u)
          << error.what();
    }
  }
  // A control character is refused, and the message stays one line.
  try {
    settings_from_options({{"track1", "AB\x1B\x04\rCD"}}, "options", warnings);
    ADD_FAILURE() << "taken";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what())
                  .rfind("track1=AB\\x1B\\x04\\x0DCD: character U+001B at "
                         "position 3 is a control character",
                         0),
              0u)
        << error.what();
  }
}

}  // namespace
