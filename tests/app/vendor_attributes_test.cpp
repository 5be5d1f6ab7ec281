// Card settings from IPP attributes: the syntaxes clients send, the rows'
// own checks with the attribute named, printer-only settings, and the
// printer's defaults read back as the driver's.
#include "app/vendor_attributes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using ymcko::app::job_settings;
using ymcko::print::CardSettings;
using ymcko::print::OverlayArea;
using ymcko::print::Rect;
using ymcko::print::SettingValue;

using Ipp = std::unique_ptr<ipp_t, decltype(&ippDelete)>;
Ipp new_ipp() { return Ipp(ippNew(), &ippDelete); }

// Adds one attribute to a job's attributes.
using Add = void (*)(ipp_t* job, const char* name);

CardSettings settings_of(ipp_t* defaults, ipp_t* job) {
  ymcko::print::Warnings warnings;
  return job_settings(
      defaults,
      [job](const std::string& name) { return ippFindAttribute(job, name.c_str(), IPP_TAG_ZERO); },
      warnings);
}

TEST(VendorAttributes, JobAttributesBecomeCardSettingsOrNamedErrors) {
  struct Case {
    const char* attribute;
    Add add;
    const char* key;
    std::optional<SettingValue> value;  // none: refused
    const char* message = "";           // in the refusal, after the attribute's name
  };
  const Case cases[] = {
      {"ymcko-color-intensity",
       [](ipp_t* j, const char* n) { ippAddInteger(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 55); },
       "intensity", SettingValue(std::int64_t{55})},
      {"ymcko-color-intensity",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_KEYWORD, n, nullptr, "x");
       },
       "intensity", std::nullopt, "takes one integer, not keyword"},
      {"ymcko-front-black",
       [](ipp_t* j, const char* n) {
         const char both[] = {1, 0};
         ippAddBooleans(j, IPP_TAG_JOB, n, 2, both);
       },
       "front_black", std::nullopt, "takes one boolean, not 2 values (boolean)"},
      {"ymcko-front-black", [](ipp_t* j, const char* n) { ippAddBoolean(j, IPP_TAG_JOB, n, 0); },
       "front_black", SettingValue(false)},
      {"ymcko-front-black",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_TEXT, n, nullptr, "Off");
       },
       "front_black", SettingValue(false)},
      // Card sides by name, or by the number older clients send.
      {"ymcko-side-mode",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_KEYWORD, n, nullptr, "front-and-black-back");
       },
       "side_mode", SettingValue(std::int64_t{2})},
      {"ymcko-side-mode",
       [](ipp_t* j, const char* n) { ippAddInteger(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 1); },
       "side_mode", SettingValue(std::int64_t{1})},
      {"ymcko-side-mode",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_KEYWORD, n, nullptr, "both");
       },
       "side_mode", std::nullopt, "one of \"one-side\", \"front-and-back\""},
      // The printer's set-up is the printer's.
      {"ymcko-start-doc-value1",
       [](ipp_t* j, const char* n) { ippAddInteger(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 5); },
       "start_doc_value1", std::nullopt, "set it on the printer's set-up page"},
      {"ymcko-mag-mode",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_KEYWORD, n, nullptr, "w");
       },
       "mag_mode", SettingValue(std::string("W"))},
      // Command lines send a track of digits as an integer.
      {"ymcko-track2",
       [](ipp_t* j, const char* n) { ippAddInteger(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 1234); },
       "track2", SettingValue(std::string("1234"))},
      {"ymcko-print-rect",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_TEXT, n, nullptr, "10,20,600,1000");
       },
       "print_rect", SettingValue(Rect{10, 20, 600, 1000})},
      {"ymcko-print-rect",
       [](ipp_t* j, const char* n) {
         const int values[] = {10, 20, 600, 1000};
         ippAddIntegers(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 4, values);
       },
       "print_rect", SettingValue(Rect{10, 20, 600, 1000})},
      {"ymcko-print-rect",
       [](ipp_t* j, const char* n) {
         const int values[] = {10, 20, 600};
         ippAddIntegers(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 3, values);
       },
       "print_rect", std::nullopt, "takes a text"},
      {"ymcko-overlay-areas",
       [](ipp_t* j, const char* n) {
         ippAddString(j, IPP_TAG_JOB, IPP_TAG_TEXT, n, nullptr, "0,1,2,3,4;1,5,6,7,8");
       },
       "overlay_areas", SettingValue(std::vector<OverlayArea>{{0, 1, 2, 3, 4}, {1, 5, 6, 7, 8}})},
      {"ymcko-overlay-areas",
       [](ipp_t* j, const char* n) {
         const int values[] = {0, 1, 2, 3, 4, 1, 5, 6, 7, 8};
         ippAddIntegers(j, IPP_TAG_JOB, IPP_TAG_INTEGER, n, 10, values);
       },
       "overlay_areas", SettingValue(std::vector<OverlayArea>{{0, 1, 2, 3, 4}, {1, 5, 6, 7, 8}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + " " + c.key);
    Ipp job = new_ipp();
    c.add(job.get(), c.attribute);
    try {
      const CardSettings settings = settings_of(nullptr, job.get());
      ASSERT_TRUE(c.value.has_value()) << "accepted";
      ASSERT_NE(settings.find(c.key), nullptr);
      EXPECT_EQ(*settings.find(c.key), *c.value);
    } catch (const ymcko::print::Error& error) {
      EXPECT_FALSE(c.value.has_value()) << error.what();
      EXPECT_EQ(error.input(), c.attribute);
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(VendorAttributes, ThePrintersDefaultsReadBackAsTheDriversAndChangedOnesCount) {
  Ipp defaults = new_ipp();
  ymcko::app::add_vendor_attributes(defaults.get());
  Ipp job = new_ipp();
  // Every default as written reads back as the driver's own: nothing given,
  // so an unchanged printer makes the jobs the tool makes.
  EXPECT_TRUE(settings_of(defaults.get(), job.get()).values().empty());

  // A changed default counts, printer-only ones included; the job's own
  // attribute goes over a default.
  ippDeleteAttribute(defaults.get(),
                     ippFindAttribute(defaults.get(), "ymcko-mag-encoder-default", IPP_TAG_ZERO));
  ippAddBoolean(defaults.get(), IPP_TAG_PRINTER, "ymcko-mag-encoder-default", 1);
  ippDeleteAttribute(
      defaults.get(),
      ippFindAttribute(defaults.get(), "ymcko-color-intensity-default", IPP_TAG_ZERO));
  ippAddInteger(defaults.get(), IPP_TAG_PRINTER, IPP_TAG_INTEGER, "ymcko-color-intensity-default",
                20);
  ippAddInteger(job.get(), IPP_TAG_JOB, IPP_TAG_INTEGER, "ymcko-color-intensity", 90);
  const CardSettings settings = settings_of(defaults.get(), job.get());
  EXPECT_EQ(settings.get<bool>("mag_encoder"), true);
  EXPECT_EQ(settings.get<std::int64_t>("intensity"), 90);
  EXPECT_EQ(settings.values().size(), 2u);

  // A default the web form stored badly names itself as the printer's.
  ippDeleteAttribute(defaults.get(),
                     ippFindAttribute(defaults.get(), "ymcko-print-rect-default", IPP_TAG_ZERO));
  ippAddString(defaults.get(), IPP_TAG_PRINTER, IPP_TAG_TEXT, "ymcko-print-rect-default", nullptr,
               "1,2");
  try {
    settings_of(defaults.get(), job.get());
    ADD_FAILURE() << "a bad default was taken";
  } catch (const ymcko::print::Error& error) {
    EXPECT_EQ(error.input(), "the printer's default ymcko-print-rect");
  }
}

// The job page's words: areas measured on the card as held, the panel's
// frame transposed for a landscape card, an overlay area's width counting
// every column; named integers and choices by their labels.
TEST(VendorAttributes, SettingsReadInAnOperatorsWords) {
  struct Case {
    const char* attribute;
    SettingValue value;
    bool landscape;
    const char* words;
  };
  const Case cases[] = {
      {"ymcko-print-rect", Rect{10, 20, 600, 1000}, true, "from 20, 46, 1000 x 600 dots"},
      {"ymcko-print-rect", Rect{10, 20, 600, 1000}, false, "from 10, 20, 600 x 1000 dots"},
      {"ymcko-overlay-areas", std::vector<OverlayArea>{{0, 50, 100, 99, 199}, {1, 0, 0, 655, 1023}},
       true, "kind 0 from 100, 506, 200 x 100 dots; kind 1 from 0, 0, 1024 x 656 dots"},
      {"ymcko-overlay-areas", std::vector<OverlayArea>{}, true, "none (the whole card)"},
      {"ymcko-side-mode", SettingValue(std::int64_t{2}), true,
       "Front and back, back in black only"},
      {"ymcko-mag-mode", SettingValue(std::string("W")), true, "Written, mode W"},
      {"ymcko-front-black", SettingValue(false), true, "no"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attribute);
    const ymcko::app::VendorSetting* setting = ymcko::app::find_vendor_setting(c.attribute);
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(ymcko::app::value_in_words(*setting, c.value, c.landscape), c.words);
  }
}

}  // namespace
