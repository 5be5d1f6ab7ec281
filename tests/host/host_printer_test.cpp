// A printer queue changed by one thread while the driver's services read it
// and write job bytes from another.
#include "host/host_printer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <span>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "engine/objects.h"

namespace host = ymcko::host;
namespace print = ymcko::print;

namespace {

namespace engine = ymcko::engine;

TEST(HostPrinter, ChangesWhileTheDriverReadsAndWrites) {
  constexpr int kRounds = 2000;
  print::MemorySink sink;
  host::HostPrinter printer(u"Card printer", ymcko::testing::spool_into(sink));
  engine::HostDevice device{std::span<const DRVFN>()};
  device.set_printer(&printer);

  std::atomic<bool> changing = false;
  std::thread changer([&] {
    changing = true;
    for (int i = 0; i < kRounds; ++i) {
      printer.set_data_file_name(i % 2 ? u"odd.ppd" : u"even.ppd");
      printer.set_value(u"FreeMem", {BYTE(i), 0, 0, 0});
      printer.set_forms({{u"CR-80", {85600, 54000}, {0, 0, 85600, 54000}}});
      if (i % 3 == 0) printer.remove_value(u"FreeMem");
    }
  });

  while (!changing) std::this_thread::yield();
  // Every read sees a whole value: one of the names, a four-byte value or
  // none, a form database that fits the size it reported.
  for (int i = 0; i < kRounds; ++i) {
    const std::u16string name = EngGetPrinterDataFileName(device.handle());
    EXPECT_TRUE(name.empty() || name == u"odd.ppd" || name == u"even.ppd");
    BYTE value[4];
    DWORD needed = 0;
    const DWORD read = EngGetPrinterData(printer.handle(), u"FreeMem", nullptr, value, 4, &needed);
    EXPECT_TRUE(read == ERROR_FILE_NOT_FOUND || (read == ERROR_SUCCESS && needed == 4));
    BYTE forms[256];
    DWORD count = 0;
    EXPECT_TRUE(EngEnumForms(printer.handle(), 1, forms, sizeof forms, &needed, &count));
    EXPECT_TRUE(EngWritePrinter(printer.handle(), "ab", 2, nullptr));
  }
  changer.join();
  EXPECT_EQ(sink.bytes().size(), std::size_t{2 * kRounds});
  EXPECT_EQ(printer.write_calls(), std::size_t{kRounds});
}

}  // namespace
