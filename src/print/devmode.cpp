// Checking device modes and writing a job's settings into one.
#include "print/devmode.h"

#include <algorithm>
#include <cstring>

#include "print/driver_records.h"
#include "print/files.h"
#include "records/devmode.h"

namespace ymcko::print {
namespace {

WORD read_u16(std::span<const BYTE> bytes, std::size_t offset) {
  return WORD(bytes[offset] | bytes[offset + 1] << 8);
}

void write_u16(std::span<BYTE> bytes, std::size_t offset, WORD value) {
  bytes[offset] = BYTE(value);
  bytes[offset + 1] = BYTE(value >> 8);
}

}  // namespace

void check_devmode(std::span<const BYTE> bytes, const std::string& name) {
  if (bytes.size() < kMinPublicSize) {
    throw Error(name, "is " + std::to_string(bytes.size()) + " bytes; a device mode has at least " +
                          std::to_string(kMinPublicSize));
  }
  const std::size_t public_size = read_u16(bytes, offsetof(DEVMODEW, dmSize));
  const std::size_t private_size = read_u16(bytes, offsetof(DEVMODEW, dmDriverExtra));
  if (public_size < kMinPublicSize) {
    throw Error(name, "its dmSize is " + std::to_string(public_size) +
                          "; a device mode's public part has at least " +
                          std::to_string(kMinPublicSize) + " bytes");
  }
  if (bytes.size() != public_size + private_size) {
    throw Error(name, "is " + std::to_string(bytes.size()) + " bytes, but its dmSize " +
                          std::to_string(public_size) + " and dmDriverExtra " +
                          std::to_string(private_size) + " make " +
                          std::to_string(public_size + private_size));
  }
  const bool known_size = public_size == 188 || public_size == 212 || public_size == 220;
  if (!known_size && read_u16(bytes, offsetof(DEVMODEW, dmSpecVersion)) == 0) {
    throw Error(
        name, "its dmSize " + std::to_string(public_size) +
                  " is not 188, 212 or 220 and its dmSpecVersion is 0, so its version is unknown");
  }
}

std::vector<BYTE> read_devmode_file(const std::filesystem::path& path) {
  std::vector<BYTE> bytes = read_file(path, kDevmodeFileLimit);
  check_devmode(bytes, path.string());
  return bytes;
}

std::vector<BYTE> application_devmode(const CardSettings& settings,
                                      const std::optional<std::vector<BYTE>>& given) {
  DriverRecords records = default_records();
  const DRVDEVMODE defaults = records.devmode;
  if (!given) {
    write_settings(settings, SettingTarget::devmode, records);
    write_settings(settings, SettingTarget::devmode_private, records);
    std::vector<BYTE> bytes(sizeof records.devmode);
    std::memcpy(bytes.data(), &records.devmode, sizeof records.devmode);
    return bytes;
  }

  // Work on whole records: the given public part over a zeroed one, the
  // given private part over the defaults when it carries the signature.
  std::vector<BYTE> bytes = *given;
  const std::size_t public_size = read_u16(bytes, offsetof(DEVMODEW, dmSize));
  std::size_t private_size = read_u16(bytes, offsetof(DEVMODEW, dmDriverExtra));
  DRVDEVMODE& record = records.devmode;
  record.dmPublic = DEVMODEW{};
  std::memcpy(&record.dmPublic, bytes.data(), std::min(public_size, sizeof(DEVMODEW)));
  const bool signed_private =
      private_size >= sizeof PRIVATE_SIGNATURE &&
      std::memcmp(bytes.data() + public_size, PRIVATE_SIGNATURE, sizeof PRIVATE_SIGNATURE) == 0;
  record.dmPrivate = defaults.dmPrivate;
  if (signed_private) {
    std::memcpy(&record.dmPrivate, bytes.data() + public_size,
                std::min(private_size, sizeof(DRVPRIVATE)));
  }
  write_settings(settings, SettingTarget::devmode, records);
  write_settings(settings, SettingTarget::devmode_private, records);

  std::memcpy(bytes.data(), &record.dmPublic, std::min(public_size, sizeof(DEVMODEW)));
  if (settings.has_private_settings()) {
    if (!signed_private || private_size < sizeof(DRVPRIVATE)) {
      // The driver would ignore or complete this private part from its
      // defaults; give it the completed one so the settings take effect.
      bytes.resize(public_size + std::max(private_size, sizeof(DRVPRIVATE)));
      private_size = std::max(private_size, sizeof(DRVPRIVATE));
      write_u16(bytes, offsetof(DEVMODEW, dmDriverExtra), WORD(private_size));
    }
    std::memcpy(bytes.data() + public_size, &record.dmPrivate, sizeof(DRVPRIVATE));
  }
  return bytes;
}

}  // namespace ymcko::print
