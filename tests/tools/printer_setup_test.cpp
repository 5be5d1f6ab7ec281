// Host printer setup files: exact records from named fields, read back by the driver, and refusals
// a person can act on.
#include "printer_setup/printer_setup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/memory.h"
#include "ppdimage/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "settings/forms.h"
#include "settings/printer_properties.h"
#include "support/test_support.h"

namespace {

namespace engine = ymcko::engine;
namespace tools = ymcko::tools;
using ymcko::testing::BytesEqual;
using ymcko::testing::hex;

const std::vector<BYTE>* value_of(const tools::printer_setup& setup, const std::u16string& name) {
  for (const auto& [n, bytes] : setup.values) {
    if (n == name) return &bytes;
  }
  return nullptr;
}

TEST(PrinterSetup, PropertiesRecordWrittenByteForByte) {
  auto setup = tools::read_printer_setup(R"({"PrinterData": {"wJobRValue": 4660, "bMagEncoder": 1,
                                                             "abFeatureSel": [1, 255]}})");
  const auto* size = value_of(setup, u"PrinterDataSize");
  const auto* record = value_of(setup, u"PrinterData");
  ASSERT_NE(size, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_TRUE(BytesEqual(hex("74 00 00 00"), *size));
  std::vector<BYTE> expected =
      hex("07 04 74 00  00 00 00 00  00 90 01 00");  // version, size, flags, 102400
  expected.resize(116, 0);
  expected[40] = 1;
  expected[41] = 255;
  expected[108] = 1;     // bMagEncoder
  expected[112] = 0x34;  // wJobRValue 0x1234
  expected[113] = 0x12;
  EXPECT_TRUE(BytesEqual(expected, *record));
}

class SetupReadByTheDriver : public ymcko::testing::EngineTest {};

TEST_F(SetupReadByTheDriver, ValuesAndFormsReachTheDriver) {
  PPDDATA* card = PpdCreate(u"card");
  ASSERT_NE(card, nullptr);
  const std::string text = R"({
    "PrinterData": {"flPrinter": 1, "bMagEncoder": 1, "wJobRValue": 5, "wPpdChecksum": )" +
                           std::to_string(card->wChecksum) + R"(},
    "CurDevHTInfo": {"HTFlags": 2, "HTPatternSize": 7,
                     "ColorInfo": {"Red": [6380, 3350, 0], "AlignmentWhite": [3127, 3290, -1], "RedGamma": 12500}},
    "forms": [{"name": "Letter", "size": [215900, 279400]},
              {"name": "CR-80", "size": [85600, 54000], "imageable": [0, 0, 85600, 54000], "flags": 1}],
    "values": {"TTFontSubTableSize": 2, "TTFontSubTable": "0aFF"}
  })";
  engine::MemorySink sink;
  engine::HostPrinter printer(u"Card printer", sink);
  tools::apply_printer_setup(tools::read_printer_setup(text), printer);

  PRINTERDATA* data = GetPrinterProperties(printer.handle(), card);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->flPrinter, 1u);
  EXPECT_EQ(data->bMagEncoder, 1u);
  EXPECT_EQ(data->wJobRValue, 5);
  EXPECT_EQ(data->dwFreeMem, 102400u);
  EngFreeMem(data);

  DEVHTINFO halftone{};
  ASSERT_TRUE(GetDeviceHalftoneSetup(printer.handle(), &halftone));
  EXPECT_EQ(halftone.HTPatternSize, 7u);
  EXPECT_EQ(halftone.ColorInfo.Red.y, 3350);
  EXPECT_EQ(halftone.ColorInfo.AlignmentWhite.Y, -1);
  EXPECT_EQ(halftone.ColorInfo.RedGamma, 12500);
  EXPECT_EQ(halftone.ColorInfo.GreenGamma, 0);

  auto* table = static_cast<BYTE*>(CurrentTrueTypeSubstTable(printer.handle()));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0], 0x0A);
  EXPECT_EQ(table[1], 0xFF);
  EngFreeMem(table);

  DRVDEVMODE dm;
  ymcko::write_devmode_defaults(dm, nullptr, false);
  FORM_RECORD form{};
  EXPECT_EQ(ValidateDevModeForm(printer.handle(), &dm.dmPublic, &form), FORM_FROM_DATABASE);
  EXPECT_EQ(form.info.Flags, 1u);
  EXPECT_EQ(dm.dmPublic.dmPaperSize, 2);
  PpdDelete(card);
}

TEST(PrinterSetup, TextIsReadAsUtf16) {
  auto setup = tools::read_printer_setup(
      R"({"forms": [{"name": "K\u00e4rtchen \"A\" é 😀", "size": [1, 2]}]})");
  ASSERT_EQ(setup.forms.size(), 1u);
  EXPECT_EQ(setup.forms[0].name, u"K\u00e4rtchen \"A\" \u00e9 \U0001F600");
  EXPECT_TRUE(setup.has_forms);
  EXPECT_FALSE(tools::read_printer_setup("{}").has_forms) << "no forms list: the printer's stay";
}

TEST(PrinterSetup, RefusalsNameTheFieldOrPlace) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {R"({"PrinterData": {"wVersoin": 1}})",
       "PrinterData.wVersoin: expected a field of the printer properties record"},
      {R"({"PrinterData": {"wSize": 65536}})",
       "PrinterData.wSize: expected an integer from 0 to 65535"},
      {R"({"PrinterData": {"abFeatureSel": [0, 256]}})",
       "PrinterData.abFeatureSel[1]: expected an integer from 0 to 255"},
      {R"({"PrinterData": {"dwFreeMem": "lots"}})", "PrinterData.dwFreeMem: expected an integer"},
      {R"({"CurDevHTInfo": {"ColorInfo": {"Red": [1, 2]}}})",
       "CurDevHTInfo.ColorInfo.Red: expected [x, y, Y]"},
      {R"({"CurDevHTInfo": {"HTPatternSize": -1}})",
       "CurDevHTInfo.HTPatternSize: expected an integer from 0"},
      {R"({"FreeMem": 4294967296})", "FreeMem: expected an integer from 0 to 4294967295"},
      {R"({"forms": [{"size": [1, 2]}]})", "forms[0].name: expected the form's name"},
      {R"({"forms": [{"name": "A", "size": [1, 2], "area": []}]})",
       "forms[0].area: expected name, size"},
      {R"({"values": {"X": "ABC"}})", "values.X: expected a string of hex digit pairs"},
      {R"({"values": {"X": "zz"}})", "values.X: expected a string of hex digit pairs"},
      {R"({"Bogus": 1})", "Bogus: expected PrinterData, FreeMem"},
      {R"([1])", "the document: expected an object"},
      {R"({"FreeMem": 1,})", "line 1, column 15: expected a member name in double quotes"},
      {"{\n  \"FreeMem\": tru\n}", "line 2, column 14: expected a value"},
      {R"({"FreeMem": 1.5})", "line 1, column 14: expected an integer (no fraction or exponent)"},
      {R"({"FreeMem": 99999999999999999999})", "expected an integer of at most 63 bits"},
      {R"({"FreeMem": 9223372036854775808})", "expected an integer of at most 63 bits"},
      {R"({"FreeMem": 922337203685477580700})", "expected an integer of at most 63 bits"},
      {R"({"values": {"X": "\q"}})", "expected a known escape"},
      {"{\"values\": {\"X\": \"\xff\"}}", "expected UTF-8 text"},
      {R"({"FreeMem": 1} 2)", "expected the end of the document"},
      {R"({"FreeMem": 1)", "expected ',' or '}'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      tools::read_printer_setup(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
  EXPECT_THROW(tools::read_printer_setup(std::string(100, '[') + std::string(100, ']')),
               tools::json_error);
}

TEST(PrinterSetup, MissingFileIsNamed) {
  try {
    tools::load_printer_setup("/nonexistent/printer.json");
    ADD_FAILURE() << "accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "/nonexistent/printer.json: cannot be read");
  }
}

}  // namespace
