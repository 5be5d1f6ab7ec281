// The settings table: JSON and flag texts checked by its rows, the refusals
// with their keys, and how the settings land in the driver's records.
#include "print/card_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "print/devmode.h"
#include "print/driver_records.h"
#include "print/printer_store.h"

namespace {

using namespace ymcko::print;

CardSettings parse(const std::string& text, Warnings* warnings = nullptr) {
  Warnings local;
  return parse_settings(text, "s.json", warnings ? *warnings : local);
}

std::string refusal(const std::string& text) {
  try {
    parse(text);
  } catch (const Error& error) {
    return error.input() + ": " + error.what();
  }
  return "accepted";
}

TEST(Settings, RefusesWithTheInputAndTheKey) {
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
      {R"({"track1": "AB\u0000CD"})",
       "s.json: track1: character U+0000 at position 3 is a control character"},
      {R"({"track3": "1\u001b\u0004\r"})", "track3: character U+001B at position 2"},
      {R"([1, 2])", "s.json: the settings must be a JSON object, not an array"},
      {R"({"copies": 1)", "s.json: not valid JSON: parse error at line 1, column 13"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    std::string line = refusal(c.json);
    EXPECT_NE(line.find(c.message), std::string::npos) << line;
    EXPECT_EQ(line.rfind("s.json: ", 0), 0u) << line;
  }
}

TEST(Settings, TakesEveryKeyAtItsBounds) {
  CardSettings s = parse(R"({
    "side_mode": 2, "copies": 999, "intensity": 0, "start_doc_value1": -2147483648,
    "start_doc_value2": 2147483647, "start_doc_value3": 0, "yellow_adjust": -5, "magenta_adjust": 5,
    "cyan_adjust": 7, "saturation": -50, "color_correction": false, "front_color": true,
    "front_black": false, "front_overlay": true, "back_color": false, "back_black": true,
    "back_overlay": false, "print_rect": [655, 1023, 1, 1], "overlay_areas": [[1, 0, 0, 655, 1023]],
    "p_command_form": 65535, "job_r_value": 0, "mag_encoder": true, "mag_mode": "W", "mag_format": "raw",
    "track1": "%B123^X?", "track2": ";123=45?", "track3": "", "orientation": "portrait",
    "held_print_rect": [1023, 1023, 1, 1], "held_overlay_areas": [[2, 0, 0, 1024, 1024]]})");
  EXPECT_EQ(s.values().size(), settings_table().size()) << "every key of the table";
  EXPECT_EQ(s.get<std::int64_t>("side_mode"), 2);
  EXPECT_EQ(s.get<std::int64_t>("copies"), 999);
  EXPECT_EQ(s.get<std::int64_t>("start_doc_value1"), -2147483647 - 1);
  EXPECT_EQ(s.get<std::int64_t>("start_doc_value2"), 2147483647);
  EXPECT_EQ(s.get<Rect>("print_rect"), (Rect{655, 1023, 1, 1}));
  EXPECT_EQ(s.get<std::vector<OverlayArea>>("overlay_areas"),
            (std::vector<OverlayArea>{{1, 0, 0, 655, 1023}}));
  EXPECT_EQ(s.get<std::int64_t>("p_command_form"), 65535);
  EXPECT_EQ(s.stripe().mode, 'W');
  EXPECT_EQ(s.stripe().tracks[0], "%B123^X?");
  EXPECT_EQ(s.stripe().tracks[2], "");
  EXPECT_EQ(s.get<std::string>("orientation"), "portrait");
  EXPECT_EQ(s.get<bool>("front_black"), false);
}

TEST(Settings, FlagTextsAreCheckedByTheSameRows) {
  struct Case {
    const char* key;
    std::vector<std::string> texts;
    std::optional<SettingValue> taken;  // none: refused
  };
  const Case cases[] = {
      {"copies", {"5"}, std::int64_t{5}},
      {"saturation", {"-50"}, std::int64_t{-50}},
      {"intensity", {"100"}, std::int64_t{100}},
      {"intensity", {"101"}, std::nullopt},
      {"print_rect", {"1,2,3,4"}, Rect{1, 2, 3, 4}},
      {"print_rect", {"1,,3,4"}, std::nullopt},
      {"overlay_areas",
       {"0,1,2,3,4", "1,0,0,655,1023"},
       std::vector<OverlayArea>{{0, 1, 2, 3, 4}, {1, 0, 0, 655, 1023}}},
      {"track1", {"A,B"}, std::string("A,B")},
      {"track2",
       {"12\x0E"
        "34"},
       std::nullopt},
      {"color_correction", {"false"}, false},
      {"color_correction", {"no"}, std::nullopt},
      {"mag_mode", {"R"}, std::string("R")},
      {"copies", {""}, std::nullopt},
      {"copies", {"5x"}, std::nullopt},
      {"copies", {"0x10"}, std::nullopt},
      {"copies", {" 5"}, std::nullopt},
      {"copies", {"1.5"}, std::nullopt},
      {"copies", {"99999999999999999999"}, std::nullopt},
      {"copies", {"1", "2"}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + (c.texts.empty() ? "" : c.texts[0]));
    CardSettings s;
    Warnings warnings;
    if (c.taken) {
      set_from_text(s, c.key, c.texts, "--flag", warnings);
      ASSERT_NE(s.find(c.key), nullptr);
      EXPECT_TRUE(*s.find(c.key) == *c.taken);
    } else {
      EXPECT_THROW(set_from_text(s, c.key, c.texts, "--flag", warnings), Error);
      EXPECT_FALSE(s.has(c.key));
    }
  }
}

TEST(Settings, LaterSettingsOverrideOnlyWhatTheyGive) {
  CardSettings file = parse(R"({"copies": 3, "intensity": 40, "track1": "A"})");
  CardSettings flags = parse(R"({"copies": 5, "track2": "1"})");
  file.override_with(flags);
  EXPECT_EQ(file.get<std::int64_t>("copies"), 5);
  EXPECT_EQ(file.get<std::int64_t>("intensity"), 40);
  EXPECT_EQ(file.stripe().tracks[0], "A");
  EXPECT_EQ(file.stripe().tracks[1], "1");
}

TEST(Settings, DeviceModeGetsTheCardJobFieldsAndTheirBits) {
  DriverRecords records = default_records();
  records.devmode.dmPublic.dmFields = 0;
  CardSettings s =
      parse(R"({"copies": 7, "orientation": "portrait", "intensity": 55, "side_mode": 1,
                            "overlay_areas": [[0, 10, 20, 100, 50]], "print_rect": [8, 16, 600, 1000],
                            "front_overlay": false, "mag_mode": "R", "track1": "X", "mag_encoder": true})");
  EXPECT_TRUE(s.has_private_settings());
  EXPECT_FALSE(
      parse(R"({"copies": 2, "track1": "X", "mag_encoder": true})").has_private_settings());
  write_settings(s, SettingTarget::devmode, records);
  write_settings(s, SettingTarget::devmode_private, records);
  const DRVDEVMODE& dm = records.devmode;
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
  EXPECT_EQ(records.printer.bMagEncoder, 0u) << "printer properties are not device-mode fields";
}

TEST(Settings, EveryRowReadsBackWhatItWritesAndDefaultsToTheDriver) {
  std::set<std::string_view> ppd, ipp;
  for (const Setting& row : settings_table()) {
    SCOPED_TRACE(std::string(row.key));
    EXPECT_TRUE(row.ppd_keyword.empty() || ppd.insert(row.ppd_keyword).second)
        << "PPD keyword used twice";
    EXPECT_TRUE(!row.held_of.empty() ||
                (!row.ipp_attribute.empty() && ipp.insert(row.ipp_attribute).second))
        << "IPP attribute missing or used twice";
    // The default passes the row's own checks.
    CardSettings s;
    Warnings warnings;
    const SettingValue fallback = default_value(row);
    EXPECT_NO_THROW(s.set(row.key, fallback, "table", warnings));
    if (row.write == nullptr) {
      EXPECT_EQ(row.target, SettingTarget::stripe);
      continue;
    }
    // A value away from the default lands and reads back.
    SettingValue other = fallback;
    if (auto* number = std::get_if<std::int64_t>(&other))
      *number = *number == row.max ? row.min : row.max;
    if (auto* flag = std::get_if<bool>(&other)) *flag = !*flag;
    // Held values are on the default landscape card.
    if (auto* rect = std::get_if<Rect>(&other))
      *rect = row.held_of.empty() ? Rect{655, 1023, 1, 1} : Rect{1023, 655, 1, 1};
    if (auto* areas = std::get_if<std::vector<OverlayArea>>(&other)) {
      *areas = {row.held_of.empty() ? OverlayArea{1, 655, 1023, 0, 0}
                                    : OverlayArea{1, 1023, 655, 1, 1}};
    }
    if (auto* text = std::get_if<std::string>(&other)) *text = std::string(row.choices.back());
    EXPECT_FALSE(other == fallback);
    DriverRecords records = default_records();
    row.write(other, records);
    EXPECT_TRUE(row.read(records) == other);
  }
  const auto* intensity = find_setting("intensity");
  ASSERT_NE(intensity, nullptr);
  EXPECT_EQ(std::get<std::int64_t>(default_value(*intensity)), 70);
  EXPECT_EQ(intensity->ipp_attribute, "ymcko-color-intensity");
  EXPECT_EQ(std::get<std::string>(default_value(*find_setting("orientation"))), "landscape");
}

// A rectangle measured on the card as held lands as the portrait fields it
// stands for: a landscape card's left edge is the panel's first line, its
// lower edge the panel's first column.
TEST(Settings, HeldRectanglesLandAsThePortraitFieldsTheyStandFor) {
  struct Case {
    const char* held;
    const char* portrait;  // the same job's settings in the panel's frame, or the refusal
  };
  const Case cases[] = {
      {R"("held_print_rect": [0, 0, 1024, 656])", R"("print_rect": [0, 0, 656, 1024])"},
      {R"("held_print_rect": [10, 20, 300, 100])", R"("print_rect": [536, 10, 100, 300])"},
      {R"("held_print_rect": [10, 20, 300, 100], "orientation": "portrait")",
       R"("print_rect": [10, 20, 300, 100], "orientation": "portrait")"},
      {R"("held_overlay_areas": [[0, 40, 60, 400, 536], [1, 0, 0, 1, 1]])",
       R"("overlay_areas": [[0, 60, 40, 535, 399], [1, 655, 0, 0, 0]])"},
      {R"("held_overlay_areas": [[1, 0, 1023, 656, 1]], "orientation": "portrait")",
       R"("overlay_areas": [[1, 0, 1023, 655, 0]], "orientation": "portrait")"},
      {R"("held_print_rect": [0, 0, 1024, 657])",
       "held_print_rect: the rectangle must lie inside the 1024 x 656 landscape card: x + width "
       "is 1024 and y + height is 657"},
      {R"("held_overlay_areas": [[0, 0, 0, 1024, 1]], "orientation": "portrait")",
       "held_overlay_areas[0]: the area must lie inside the 656 x 1024 portrait card"},
      {R"("held_print_rect": [0, 0, 1, 1], "print_rect": [0, 0, 1, 1])",
       "held_print_rect: gives the same as print_rect on the card as held: give one of them"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.held);
    const auto devmode = [](const char* body) {
      return application_devmode(parse(std::string("{") + body + "}"), std::nullopt);
    };
    if (c.portrait[0] != '"') {
      try {
        devmode(c.held);
        ADD_FAILURE() << "accepted";
      } catch (const Error& error) {
        EXPECT_NE((error.input() + ": " + error.what()).find(c.portrait), std::string::npos)
            << error.input() << ": " << error.what();
      }
      continue;
    }
    EXPECT_EQ(devmode(c.held), devmode(c.portrait));
  }
  // A later source's held value replaces an earlier one's portrait twin.
  CardSettings file = parse(R"({"print_rect": [0, 0, 1, 1]})");
  file.override_with(parse(R"({"held_print_rect": [0, 0, 2, 2]})"));
  EXPECT_FALSE(file.has("print_rect"));
}

TEST(Settings, PrinterWideSettingsGoToTheStoredRecord) {
  PrinterStore store;
  apply_to_printer_store(parse(R"({"copies": 2})"), store);
  EXPECT_FALSE(store.properties) << "no stored record is made without printer-wide settings";
  apply_to_printer_store(parse(R"({"mag_encoder": true, "job_r_value": 42})"), store);
  ASSERT_TRUE(store.properties);
  PRINTERDATA data;
  std::memcpy(&data, store.properties->data(), sizeof data);
  EXPECT_EQ(data.bMagEncoder, 1u);
  EXPECT_EQ(data.wJobRValue, 42);
  EXPECT_EQ(data.wVersion, PRINTERDATA_VERSION);
  EXPECT_EQ(data.wSize, sizeof(PRINTERDATA));
}

}  // namespace
