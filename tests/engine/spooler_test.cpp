// Printer registry data, the forms database, and module and file names.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "engine/objects.h"
#include "host/host_printer.h"
#include "support/test_support.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;

TEST(PrinterData, ValueBytesAndNeededSize) {
  print::MemorySink sink;
  host::HostPrinter printer(u"p", ymcko::testing::spool_into(sink));
  printer.set_value(u"FreeMem", {0x32, 0, 0, 0});
  printer.set_value(u"Empty", {});

  struct Case {
    const char* name;
    const WCHAR* value;
    DWORD room;
    bool buffer;
    DWORD result;
    DWORD needed;
  };
  const Case cases[] = {
      {"fits", u"FreeMem", 8, true, ERROR_SUCCESS, 4},
      {"exact", u"FreeMem", 4, true, ERROR_SUCCESS, 4},
      {"short buffer", u"FreeMem", 3, true, ERROR_MORE_DATA, 4},
      {"size query", u"FreeMem", 0, false, ERROR_MORE_DATA, 4},
      {"empty value", u"Empty", 0, false, ERROR_SUCCESS, 0},
      {"missing", u"PrinterData", 8, true, ERROR_FILE_NOT_FOUND, 99},
      {"case matters", u"freemem", 8, true, ERROR_FILE_NOT_FOUND, 99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BYTE buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    DWORD needed = 99;
    EXPECT_EQ(EngGetPrinterData(printer.handle(), c.value, nullptr, c.buffer ? buffer : nullptr,
                                c.room, &needed),
              c.result);
    EXPECT_EQ(needed, c.needed);
    if (c.buffer && c.result != ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(buffer[0], 0x32);
      EXPECT_EQ(buffer[c.room < 8 ? c.room : 4], 0xEE) << "nothing written past the room";
    }
  }
  int stranger = 0;
  DWORD needed = 0;
  EXPECT_EQ(EngGetPrinterData(&stranger, u"FreeMem", nullptr, nullptr, 0, &needed),
            ERROR_FILE_NOT_FOUND);
}

TEST(FormsDatabase, NeededSizeProtocolAndRecords) {
  print::MemorySink sink;
  host::HostPrinter printer(u"p", ymcko::testing::spool_into(sink));
  DWORD needed = 1, count = 1;
  EXPECT_TRUE(EngEnumForms(printer.handle(), 1, nullptr, 0, &needed, &count))
      << "an empty database";
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(count, 0u);

  printer.set_forms({{u"CR-80", {85600, 54000}, {0, 0, 85600, 54000}, FORM_USER},
                     {u"A4", {210000, 297000}, {5000, 5000, 205000, 292000}, FORM_BUILTIN}});
  EngSetLastError(0);
  EXPECT_FALSE(EngEnumForms(printer.handle(), 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(EngGetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, 2 * sizeof(FORM_INFO_1) + 6 * 2 + 3 * 2);

  std::vector<BYTE> buffer(needed - 1);
  EXPECT_FALSE(
      EngEnumForms(printer.handle(), 1, buffer.data(), DWORD(buffer.size()), &needed, &count));
  buffer.resize(needed);
  ASSERT_TRUE(
      EngEnumForms(printer.handle(), 1, buffer.data(), DWORD(buffer.size()), &needed, &count));
  ASSERT_EQ(count, 2u);
  FORM_INFO_1 forms[2];
  std::memcpy(forms, buffer.data(), sizeof forms);
  EXPECT_EQ(std::u16string(forms[0].pName), u"CR-80");
  EXPECT_EQ(forms[0].Size.cx, 85600);
  EXPECT_EQ(std::u16string(forms[1].pName), u"A4");
  EXPECT_EQ(forms[1].ImageableArea.bottom, 292000);
  auto* names_end = reinterpret_cast<BYTE*>(forms[1].pName) + 3 * 2;
  EXPECT_EQ(names_end, buffer.data() + buffer.size()) << "names lie inside the buffer";

  EXPECT_FALSE(
      EngEnumForms(printer.handle(), 2, buffer.data(), DWORD(buffer.size()), &needed, &count));
  printer.fail_form_enumeration(true);
  EXPECT_FALSE(
      EngEnumForms(printer.handle(), 1, buffer.data(), DWORD(buffer.size()), &needed, &count));
}

TEST(Modules, OnlyTheDriversOwnModuleLoads) {
  DRVFN none[1] = {{0, nullptr}};
  engine::HostDevice device(std::span<const DRVFN>(none, 0));
  print::MemorySink sink;
  host::HostPrinter printer(u"p", ymcko::testing::spool_into(sink));
  printer.set_data_file_name(u"card.ppd");

  EXPECT_EQ(EngGetPrinterDataFileName(device.handle()), nullptr) << "no printer yet";
  device.set_printer(&printer);
  EXPECT_EQ(std::u16string(EngGetPrinterDataFileName(device.handle())), u"card.ppd");

  const WCHAR* name = EngGetDriverName(device.handle());
  ASSERT_NE(name, nullptr);
  std::size_t before = engine::loaded_modules();
  HMODULE module = EngLoadModule(name);
  EXPECT_NE(module, nullptr);
  EXPECT_EQ(engine::loaded_modules(), before + 1);
  EngFreeModule(module);
  EXPECT_EQ(engine::loaded_modules(), before);

  EXPECT_EQ(EngLoadModule(u"another.drv"), nullptr);
  engine::fail_module_loads(true);
  EXPECT_EQ(EngLoadModule(name), nullptr);
  engine::fail_module_loads(false);
  EXPECT_EQ(EngGetDriverName(nullptr), nullptr);
}

}  // namespace
