// Settings keys from JSON and flags: the values taken, the refusals with
// their keys, and how the settings land in the driver's records.
#include "ymcko/job_settings.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ymcko/printer_file.h"

namespace {

using namespace ymcko::tool;
using nlohmann::json;

JobSettings parse(const std::string& text, Warnings* warnings = nullptr) {
  Warnings local;
  return parse_settings(text, "s.json", warnings ? *warnings : local);
}

std::string refusal(const std::string& text) {
  try {
    parse(text);
  } catch (const ToolError& error) {
    return error_line(error);
  }
  return "accepted";
}

TEST(JobSettings, RefusesWithTheInputAndTheKey) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {R"({"colour": 1})", "s.json: colour: unknown key"},
      {R"({"copies": 0})", "s.json: copies: the value must be from 1 to 999, not 0"},
      {R"({"copies": 1000})", "s.json: copies: the value must be from 1 to 999, not 1000"},
      {R"({"copies": 2.0})", "s.json: copies: the value must be an integer, not the number 2.0"},
      {R"({"copies": "2"})", "s.json: copies: the value must be an integer, not a string"},
      {R"({"side_mode": 3})", "side_mode: the value must be from 0 to 2, not 3"},
      {R"({"intensity": -1})", "intensity: the value must be from 0 to 100, not -1"},
      {R"({"saturation": 2147483648})",
       "saturation: the value must be from -2147483648 to 2147483647"},
      {R"({"cyan_adjust": -2147483649})", "cyan_adjust: the value must be from -2147483648"},
      {R"({"start_doc_value1": 18446744073709551615})", "start_doc_value1: the value must be from"},
      {R"({"job_r_value": 65536})", "job_r_value: the value must be from 0 to 65535, not 65536"},
      {R"({"color_correction": 1})",
       "color_correction: the value must be true or false, not the number 1"},
      {R"({"mag_mode": "q"})", "mag_mode: the value must be one of \"Q\", \"R\", \"W\", not \"q\""},
      {R"({"orientation": "upright"})",
       "orientation: the value must be one of \"landscape\", \"portrait\""},
      {R"({"print_rect": [0, 0, 656]})",
       "print_rect: the value must be [x, y, cx, cy], not an array of 3"},
      {R"({"print_rect": [1, 0, 656, 1024]})",
       "print_rect: the rectangle must lie inside 656 x 1024: x + cx is 657"},
      {R"({"print_rect": [0, 0, 0, 1024]})", "print_rect: cx must be from 1 to 656, not 0"},
      {R"({"overlay_areas": [[0,0,0,655,1023],[0,0,0,1,1],[0,0,0,1,1],[0,0,0,1,1],[0,0,0,1,1]]})",
       "overlay_areas: the value must be an array of up to four"},
      {R"({"overlay_areas": [[0, 1, 0, 655, 0]]})",
       "overlay_areas[0]: the area must lie inside 656 x 1024"},
      {R"({"overlay_areas": [[0, 0, 0, 0, 0], [3, 0, 0, 0, 0]]})",
       "overlay_areas[1]: kind must be from 0 to 2"},
      {R"({"track1": 5})", "track1: the value must be a string, not the number 5"},
      {R"([1, 2])", "s.json: the settings must be a JSON object, not an array"},
      {R"({"copies": 1)", "s.json: not valid JSON: parse error at line 1, column 13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    std::string line = refusal(c.json);
    EXPECT_NE(line.find(c.message), std::string::npos) << line;
    EXPECT_EQ(line.rfind("ymcko: error: s.json: ", 0), 0u) << line;
  }
}

TEST(JobSettings, TakesEveryKeyAtItsBounds) {
  JobSettings s = parse(R"({
    "side_mode": 2, "copies": 999, "intensity": 0, "start_doc_value1": -2147483648,
    "start_doc_value2": 2147483647, "start_doc_value3": 0, "yellow_adjust": -5, "magenta_adjust": 5,
    "cyan_adjust": 7, "saturation": -50, "color_correction": false, "front_color": true,
    "front_black": false, "front_overlay": true, "back_color": false, "back_black": true,
    "back_overlay": false, "print_rect": [655, 1023, 1, 1], "overlay_areas": [[1, 0, 0, 655, 1023]],
    "p_command_form": 65535, "job_r_value": 0, "mag_encoder": true, "mag_mode": "W",
    "track1": "%B123^X?", "track2": ";123=45?", "track3": "", "orientation": "portrait"})");
  EXPECT_EQ(s.side_mode, 2);
  EXPECT_EQ(s.copies, 999);
  EXPECT_EQ(s.start_doc_value1, -2147483647 - 1);
  EXPECT_EQ(s.start_doc_value2, 2147483647);
  EXPECT_EQ(s.print_rect, (std::array<WORD, 4>{655, 1023, 1, 1}));
  ASSERT_TRUE(s.overlay_areas);
  EXPECT_EQ((*s.overlay_areas)[0].wKind, 1);
  EXPECT_EQ(s.p_command_form, 65535);
  EXPECT_EQ(s.mag_mode, 'W');
  EXPECT_EQ(s.tracks[0], u"%B123^X?");
  EXPECT_EQ(s.tracks[2], u"");
  EXPECT_EQ(s.orientation, Orientation::portrait);
  EXPECT_EQ(s.front_black, false);
}

TEST(JobSettings, TrackOutsideItsCharacterSetWarnsWithTheInput) {
  Warnings warnings;
  JobSettings s = parse(R"({"track2": "12A4", "track1": "OK"})", &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].input, "s.json");
  EXPECT_NE(warnings[0].what.find("track2: 1 character(s), the first \"A\" at position 3"),
            std::string::npos);
  EXPECT_EQ(s.tracks[1], u"12A4");
}

TEST(JobSettings, FlagTextsBecomeTheKeysValues) {
  EXPECT_EQ(flag_value("copies", "5"), json(5));
  EXPECT_EQ(flag_value("saturation", "-50"), json(-50));
  EXPECT_EQ(flag_value("print_rect", "1,2,3,4"), json::array({1, 2, 3, 4}));
  EXPECT_EQ(flag_value("overlay_areas", "0,1,2,3,4"), json::array({json::array({0, 1, 2, 3, 4})}));
  EXPECT_EQ(flag_value("track1", "A,B"), json("A,B"));
  EXPECT_EQ(flag_value("color_correction", "false"), json(false));
  for (const char* bad : {"", "5x", "0x10", " 5", "1.5", "99999999999999999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(flag_value("copies", bad), SettingError);
  }
  EXPECT_THROW(flag_value("print_rect", "1,,3,4"), SettingError);
}

TEST(JobSettings, LaterSettingsOverrideOnlyWhatTheyGive) {
  JobSettings file = parse(R"({"copies": 3, "intensity": 40, "track1": "A"})");
  JobSettings flags = parse(R"({"copies": 5, "track2": "1"})");
  override_settings(file, flags);
  EXPECT_EQ(file.copies, 5);
  EXPECT_EQ(file.intensity, 40);
  EXPECT_EQ(file.tracks[0], u"A");
  EXPECT_EQ(file.tracks[1], u"1");
}

TEST(JobSettings, DeviceModeGetsTheCardJobFieldsAndTheirBits) {
  DRVDEVMODE dm;
  ymcko::write_devmode_defaults(dm, nullptr, false);
  dm.dmPublic.dmFields = 0;
  JobSettings s = parse(R"({"copies": 7, "orientation": "portrait", "intensity": 55, "side_mode": 1,
                            "overlay_areas": [[0, 10, 20, 100, 50]], "print_rect": [8, 16, 600, 1000],
                            "front_overlay": false, "mag_mode": "R", "track1": "X", "mag_encoder": true})");
  apply_to_devmode(s, dm);
  EXPECT_EQ(dm.dmPublic.dmFields, DM_COPIES | DM_ORIENTATION);
  EXPECT_EQ(dm.dmPublic.dmCopies, 7);
  EXPECT_EQ(dm.dmPublic.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(dm.dmPrivate.lColorIntensity, 55);
  EXPECT_EQ(dm.dmPrivate.wSideMode, 1);
  EXPECT_EQ(dm.dmPrivate.bFrontOverlay, 0u);
  EXPECT_EQ(dm.dmPrivate.bBackOverlay, 1u);
  EXPECT_EQ(dm.dmPrivate.xPrint, 8);
  EXPECT_EQ(dm.dmPrivate.cyPrint, 1000);
  // The areas given come first; the others are empty records.
  EXPECT_EQ(dm.dmPrivate.aOverlayArea[0].wKind, 0);
  EXPECT_EQ(dm.dmPrivate.aOverlayArea[0].cy, 50);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(dm.dmPrivate.aOverlayArea[i].wKind, OVERLAY_EMPTY);
  // The stripe goes by escapes, never in the device mode.
  EXPECT_EQ(dm.dmPrivate.wMagMode, 0);
  EXPECT_EQ(dm.dmPrivate.awcTrack1[0], 0);
}

TEST(JobSettings, PrinterWideSettingsGoToTheStoredRecord) {
  PrinterStore store;
  apply_to_printer_store(parse(R"({"copies": 2})"), store);
  EXPECT_FALSE(store.printer_data) << "no stored record is made without printer-wide settings";
  apply_to_printer_store(parse(R"({"mag_encoder": true, "job_r_value": 42})"), store);
  ASSERT_TRUE(store.printer_data);
  EXPECT_EQ(store.printer_data->bMagEncoder, 1u);
  EXPECT_EQ(store.printer_data->wJobRValue, 42);
  EXPECT_EQ(store.printer_data->wVersion, PRINTERDATA_VERSION);
  EXPECT_EQ(store.printer_data->wSize, sizeof(PRINTERDATA));
}

}  // namespace
