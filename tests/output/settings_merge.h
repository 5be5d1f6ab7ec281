// Arbitrary bytes as the printer's registry values and as an application's
// device mode (handed over with its true length), through the printer
// properties, the settings defaults and merge, and the form choice; shared by
// the settings-merge fuzz target and the test that replays its finds.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "engine/engine.h"
#include "engine/hooks.h"
#include "host/host_printer.h"
#include "output/devmode_merge.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "settings/forms.h"
#include "settings/printer_properties.h"
#include "support/test_support.h"

namespace ymcko::testing {
namespace settings_merge {

// A size value: a 16-bit size (so no input asks for gigabytes) in 0 to 6 bytes.
inline std::vector<BYTE> size_value(FuzzedDataProvider& in) {
  const auto size = in.ConsumeIntegral<std::uint16_t>();
  std::vector<BYTE> bytes = {BYTE(size), BYTE(size >> 8), 0, 0, 0, 0};
  bytes.resize(in.ConsumeIntegralInRange<std::size_t>(0, bytes.size()));
  return bytes;
}

inline void maybe_set(FuzzedDataProvider& in, host::HostPrinter& printer, const char16_t* name,
                      std::vector<BYTE> bytes) {
  if (in.ConsumeBool()) printer.set_value(name, std::move(bytes));
}

// The built-in card's image, made once and kept for the whole run.
inline ppd_view card() {
  static DWORD size = 0;
  static PPDDATA* image = PpdCreate(u"card", &size);
  return ppd_view(image, size);
}

// Whether the merged settings keep what the merge promises, whatever came in.
inline bool settings_are_sound(const DRVDEVMODE& settings) {
  const DEVMODEW& dm = settings.dmPublic;
  return dm.dmSize == sizeof(DEVMODEW) && dm.dmDriverExtra == sizeof(DRVPRIVATE) &&
         dm.dmScale >= 1 && dm.dmScale <= 1000 && dm.dmCopies >= 1 && dm.dmCopies <= 999 &&
         dm.dmPrintQuality > 0 &&
         (dm.dmOrientation == DMORIENT_PORTRAIT || dm.dmOrientation == DMORIENT_LANDSCAPE) &&
         dm.dmDuplex == DMDUP_SIMPLEX && dm.dmCollate == 0 && dm.dmFormName[CCHFORMNAME - 1] == 0 &&
         dm.dmDeviceName[CCHDEVICENAME - 1] == 0 &&
         settings.dmPrivate.awcTrack2[TRACK2_CHARS - 1] == 0 &&
         settings.dmPrivate.wFeatureCount <= MAX_DOC_STICKY_FEATURES;
}

}  // namespace settings_merge

// Runs one input; false when a promise is broken or engine memory was left behind.
inline bool run_settings_merge(std::span<const std::uint8_t> input) {
  using settings_merge::maybe_set;
  using settings_merge::size_value;
  const ppd_view image = settings_merge::card();
  if (!image.valid()) return false;
  const auto at_start = engine::outstanding_total();
  FuzzedDataProvider in(input.data(), input.size());

  print::MemorySink sink;
  host::HostPrinter printer(u"Card printer", ymcko::testing::spool_into(sink));
  maybe_set(in, printer, u"PrinterDataSize", size_value(in));
  maybe_set(in, printer, u"PrinterData",
            in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 160)));
  maybe_set(in, printer, u"FreeMem",
            in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 6)));
  maybe_set(in, printer, u"PrinterHT",
            in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 6)));
  maybe_set(in, printer, u"CurDevHTInfo",
            in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 140)));
  maybe_set(in, printer, u"TTFontSubTableSize", size_value(in));
  maybe_set(in, printer, u"TTFontSubTable",
            in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange<std::size_t>(0, 64)));
  if (in.ConsumeBool()) {
    printer.set_forms({{u"CR-80", {85600, 54000}, {0, 0, 85600, 54000}},
                       {u"Letter", {215900, 279400}, {6350, 6350, 209550, 273050}}});
  }

  // The rest is the application's device mode, exactly as long as it is.
  const std::vector<BYTE> rest = in.ConsumeRemainingBytes<BYTE>();
  std::unique_ptr<BYTE[]> application(new BYTE[rest.size() + 1]);
  if (!rest.empty()) std::memcpy(application.get(), rest.data(), rest.size());

  PRINTERDATA* properties = GetPrinterProperties(printer.handle(), image);
  if (properties == nullptr) return false;
  bool sound = properties->wFeatureCount <= MAX_PRINTER_STICKY_FEATURES;

  auto settings = std::make_unique<DRVDEVMODE>();
  SetDefaultDevMode(settings.get(), u"Card printer", image, properties->flPrinter & PFLAG_METRIC);
  ValidateSetDevMode(settings.get(), reinterpret_cast<const DEVMODEW*>(application.get()),
                     rest.size(), image);
  sound = sound && settings_merge::settings_are_sound(*settings);

  FORM_RECORD form{};
  PRINTERFORM printer_form{};
  if (ValidateDevModeForm(printer.handle(), &settings->dmPublic, &form) != FORM_NONE) {
    FormSupportedOnPrinter(image, &form, &printer_form, FALSE);
  }
  sound = sound && (form.info.pName == nullptr || form.info.pName == form.awcName);

  DEVHTINFO halftone{};
  GetDeviceHalftoneSetup(printer.handle(), &halftone);
  EngFreeMem(CurrentTrueTypeSubstTable(printer.handle()));
  EngFreeMem(properties);

  const auto at_end = engine::outstanding_total();
  return sound && at_end.blocks == at_start.blocks && at_end.bytes == at_start.bytes;
}

}  // namespace ymcko::testing
