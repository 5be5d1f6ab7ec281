// Device mode files: the length checks, and the record handed to the driver
// with the job's settings written in.
#include "print/devmode.h"
#include "records/devmode.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace ymcko::print;

std::vector<BYTE> record(WORD public_size, WORD private_size, std::size_t length,
                         WORD spec_version = 0x401) {
  std::vector<BYTE> bytes(length, 0);
  auto put = [&](std::size_t at, WORD value) {
    if (at + 1 < bytes.size()) bytes[at] = BYTE(value), bytes[at + 1] = BYTE(value >> 8);
  };
  put(offsetof(DEVMODEW, dmSpecVersion), spec_version);
  put(offsetof(DEVMODEW, dmSize), public_size);
  put(offsetof(DEVMODEW, dmDriverExtra), private_size);
  return bytes;
}

std::vector<BYTE> driver_record() {
  DRVDEVMODE dm;
  ymcko::write_devmode_defaults(dm, nullptr, false);
  std::vector<BYTE> bytes(sizeof dm);
  std::memcpy(bytes.data(), &dm, sizeof dm);
  return bytes;
}

DRVDEVMODE as_record(const std::vector<BYTE>& bytes) {
  DRVDEVMODE dm{};
  std::memcpy(&dm, bytes.data(), std::min(bytes.size(), sizeof dm));
  return dm;
}

TEST(Devmode, LengthMustMatchTheHeader) {
  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
    const char* message;  // empty: accepted
  };
  const Case cases[] = {
      {"whole driver record", driver_record(), ""},
      {"public part only, 188 bytes", record(188, 0, 188), ""},
      {"212 bytes with a private part", record(212, 8, 220), ""},
      {"empty", {}, "is 0 bytes; a device mode has at least 188"},
      {"short file", record(220, 0, 100), "is 100 bytes; a device mode has at least 188"},
      {"one byte missing", record(220, 1228, 1447),
       "is 1447 bytes, but its dmSize 220 and dmDriverExtra 1228 make 1448"},
      {"one byte extra", record(220, 0, 221),
       "is 221 bytes, but its dmSize 220 and dmDriverExtra 0 make 220"},
      {"public size too small", record(100, 100, 200), "its dmSize is 100"},
      {"unknown size without version", record(200, 0, 200, 0), "its version is unknown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      check_devmode(c.bytes, "app.dm");
      EXPECT_STREQ(c.message, "");
    } catch (const Error& error) {
      EXPECT_EQ(error.input(), "app.dm");
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
      EXPECT_STRNE(c.message, "");
    }
  }
}

TEST(Devmode, WithoutAFileTheDriverDefaultsCarryTheSettings) {
  CardSettings settings;
  Warnings warnings;
  settings.set("copies", std::int64_t{4}, "test", warnings);
  settings.set("intensity", std::int64_t{30}, "test", warnings);
  DRVDEVMODE dm = as_record(application_devmode(settings, std::nullopt));
  EXPECT_EQ(application_devmode(settings, std::nullopt).size(), sizeof(DRVDEVMODE));
  EXPECT_EQ(dm.dmPublic.dmCopies, 4);
  EXPECT_TRUE(dm.dmPublic.dmFields & DM_COPIES);
  EXPECT_EQ(dm.dmPrivate.lColorIntensity, 30);
  EXPECT_EQ(dm.dmPrivate.lStartDocValue1, 40);
}

TEST(Devmode, AShortApplicationRecordGetsADefaultPrivatePartForCardJobSettings) {
  std::vector<BYTE> given = record(188, 0, 188);
  CardSettings settings;
  Warnings warnings;
  settings.set("copies", std::int64_t{9}, "test", warnings);
  // Copies alone fit in the public part: the record keeps its size.
  std::vector<BYTE> public_only = application_devmode(settings, given);
  ASSERT_EQ(public_only.size(), 188u);
  EXPECT_EQ(public_only[offsetof(DEVMODEW, dmCopies)], 9);
  EXPECT_EQ(public_only[offsetof(DEVMODEW, dmSize)], 188);

  settings.set("side_mode", std::int64_t{1}, "test", warnings);
  std::vector<BYTE> bytes = application_devmode(settings, given);
  ASSERT_EQ(bytes.size(), 188u + sizeof(DRVPRIVATE));
  EXPECT_NO_THROW(check_devmode(bytes, "result"));
  DRVPRIVATE priv;
  std::memcpy(&priv, bytes.data() + 188, sizeof priv);
  EXPECT_EQ(std::memcmp(priv.dwPrivateSignature, PRIVATE_SIGNATURE, 4), 0);
  EXPECT_EQ(priv.wSideMode, 1);
  EXPECT_EQ(priv.lColorIntensity, 70) << "the rest of the private part holds the driver's defaults";
}

TEST(Devmode, ASignedPrivatePartKeepsItsOwnValues) {
  std::vector<BYTE> given = driver_record();
  DRVDEVMODE dm = as_record(given);
  dm.dmPrivate.lStartDocValue2 = 11;
  std::memcpy(given.data(), &dm, sizeof dm);
  CardSettings settings;
  Warnings warnings;
  settings.set("saturation", std::int64_t{-20}, "test", warnings);
  DRVDEVMODE merged = as_record(application_devmode(settings, given));
  EXPECT_EQ(merged.dmPrivate.lStartDocValue2, 11);
  EXPECT_EQ(merged.dmPrivate.lSaturation, -20);
}

}  // namespace
