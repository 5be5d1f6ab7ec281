// Printer files: stored properties by field name, the halftone setup's
// packed bytes, forms, and the refusals.
#include "print/printer_store.h"

#include <cstring>

#include "records/printer_data.h"

#include <gtest/gtest.h>

namespace {

using namespace ymcko::print;

TEST(PrinterStore, FieldsByNameOverTheDefaultRecord) {
  PrinterStore store = parse_printer_file(R"({"bMagEncoder": 1, "wJobRValue": 12, "flPrinter": 1,
                                               "abFeatureSel": [0, 2], "wFeatureCount": 2})",
                                          "p.json");
  ASSERT_TRUE(store.properties);
  PRINTERDATA data;
  std::memcpy(&data, store.properties->data(), sizeof data);
  EXPECT_EQ(data.wVersion, PRINTERDATA_VERSION);
  EXPECT_EQ(data.dwFreeMem, MIN_FREE_MEM);
  EXPECT_EQ(data.bMagEncoder, 1u);
  EXPECT_EQ(data.wJobRValue, 12);
  EXPECT_EQ(data.flPrinter, PFLAG_METRIC);
  EXPECT_EQ(data.abFeatureSel[1], 2);
  EXPECT_EQ(data.abFeatureSel[2], 0xFF);
  EXPECT_FALSE(store.halftone);
}

TEST(PrinterStore, HalftoneSetupPacksLittleEndian) {
  std::string colours = "[";
  for (int i = 0; i < 30; ++i)
    colours += std::to_string(i == 29 ? -1 : 10000 + i) + (i < 29 ? "," : "]");
  PrinterStore store = parse_printer_file(
      R"({"halftone": {"flags": 2, "pattern_size": 5, "device_pels": 0, "color_info": )" + colours +
          "}}",
      "p.json");
  ASSERT_TRUE(store.halftone);
  EXPECT_FALSE(store.properties);
  const auto& bytes = *store.halftone;
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[4], 5);
  EXPECT_EQ(bytes[12], 0x10);  // 10000 = 0x2710
  EXPECT_EQ(bytes[13], 0x27);
  EXPECT_EQ(bytes[131], 0xFF);
}

TEST(PrinterStore, FormsDefaultToTheWholePaperAsPrintable) {
  PrinterStore store = parse_printer_file(
      R"({"forms": [{"name": "CR-80", "width": 85600, "height": 54000}]})", "p.json");
  ASSERT_EQ(store.forms.size(), 1u);
  EXPECT_EQ(store.forms[0].name, u"CR-80");
  EXPECT_EQ(store.forms[0].right, 85600);
  EXPECT_EQ(store.forms[0].bottom, 54000);
}

TEST(PrinterStore, RefusalsNameTheKey) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {R"({"bMagEncoders": 1})", "p.json: bMagEncoders: unknown key"},
      {R"({"wJobRValue": 70000})", "p.json: wJobRValue: the value must be from 0 to 65535"},
      {R"({"abFeatureSel": [256]})",
       "p.json: abFeatureSel: each option index must be from 0 to 255"},
      {R"({"halftone": {"flags": 1}})", "p.json: halftone: the setup lacks \"pattern_size\""},
      {R"({"halftone": {"flags": 1, "pattern_size": 1, "device_pels": 0, "color_info": [1]}})",
       "halftone.color_info: the value must be an array of 30 integers"},
      {R"({"forms": [{"name": "A", "width": 10, "height": 10, "left": 10}]})",
       "forms[0]: the printable area must lie inside the form"},
      {R"({"forms": [{"width": 10, "height": 10}]})", "forms[0]: a form needs a name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    try {
      parse_printer_file(c.json, "p.json");
      ADD_FAILURE() << "accepted";
    } catch (const Error& error) {
      const std::string line = error.input() + ": " + error.what();
      EXPECT_NE(line.find(c.message), std::string::npos) << line;
    }
  }
}

}  // namespace
