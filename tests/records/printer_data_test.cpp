// Default printer-wide properties.
#include "records/printer_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(PrinterDataDefaults, NoEncoderAndDocumentNumberZero) {
  PRINTERDATA data;
  std::memset(&data, 0xAB, sizeof data);
  ymcko::write_printer_data_defaults(data);
  EXPECT_EQ(data.wVersion, 0x407);
  EXPECT_EQ(data.wSize, 116);
  EXPECT_EQ(data.flPrinter, 0u);
  EXPECT_EQ(data.dwFreeMem, 102400u);
  EXPECT_EQ(data.bMagEncoder, 0u);
  EXPECT_EQ(data.wJobRValue, 0);
  EXPECT_EQ(data.wFeatureCount, 0);

  // Everything else is zero: compare the bytes outside the fields set above.
  std::vector<BYTE> bytes(sizeof data);
  std::memcpy(bytes.data(), &data, sizeof data);
  for (std::size_t i = 12; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "offset " << i;
}

}  // namespace
