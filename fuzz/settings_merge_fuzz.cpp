// Fuzz target: arbitrary bytes as the printer's registry values and as an
// application's device mode (handed over with its true length), through the
// printer properties, the settings defaults and merge, and the form choice.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "host/host_printer.h"
#include "engine/engine.h"
#include "output/devmode_merge.h"
#include "pool/memory_pool.h"
#include "ppdimage/ppd_pack.h"
#include "settings/forms.h"
#include "settings/printer_properties.h"

namespace host = ymcko::host;

namespace {

namespace engine = ymcko::engine;

void check(bool condition) {
  if (!condition) std::abort();
}

// A size value: a 16-bit size (so no test asks for gigabytes) in 0 to 6 bytes.
std::vector<BYTE> size_value(FuzzedDataProvider& in) {
  const auto size = in.ConsumeIntegral<std::uint16_t>();
  std::vector<BYTE> bytes = {BYTE(size), BYTE(size >> 8), 0, 0, 0, 0};
  bytes.resize(in.ConsumeIntegralInRange<std::size_t>(0, bytes.size()));
  return bytes;
}

void maybe_set(FuzzedDataProvider& in, host::HostPrinter& printer, const char16_t* name,
               std::vector<BYTE> bytes) {
  if (in.ConsumeBool()) printer.set_value(name, std::move(bytes));
}

ymcko::ppd_view card() {
  static DWORD size = 0;
  static PPDDATA* image = PpdCreate(u"card", &size);
  return ymcko::ppd_view(image, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ymcko::ppd_view image = card();
  check(image.valid());
  const auto at_start = engine::outstanding_total();
  FuzzedDataProvider in(data, size);

  host::MemorySink sink;
  host::HostPrinter printer(u"Card printer", sink);
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
  check(properties != nullptr);
  check(properties->wFeatureCount <= MAX_PRINTER_STICKY_FEATURES);

  auto settings = std::make_unique<DRVDEVMODE>();
  SetDefaultDevMode(settings.get(), u"Card printer", image, properties->flPrinter & PFLAG_METRIC);
  ValidateSetDevMode(settings.get(), reinterpret_cast<const DEVMODEW*>(application.get()),
                     rest.size(), image);

  // What the merge promises, whatever came in.
  const DEVMODEW& dm = settings->dmPublic;
  check(dm.dmSize == sizeof(DEVMODEW) && dm.dmDriverExtra == sizeof(DRVPRIVATE));
  check(dm.dmScale >= 1 && dm.dmScale <= 1000);
  check(dm.dmCopies >= 1 && dm.dmCopies <= 999);
  check(dm.dmPrintQuality > 0);
  check(dm.dmOrientation == DMORIENT_PORTRAIT || dm.dmOrientation == DMORIENT_LANDSCAPE);
  check(dm.dmDuplex == DMDUP_SIMPLEX && dm.dmCollate == 0);
  check(dm.dmFormName[CCHFORMNAME - 1] == 0 && dm.dmDeviceName[CCHDEVICENAME - 1] == 0);
  check(settings->dmPrivate.awcTrack2[TRACK2_CHARS - 1] == 0);
  check(settings->dmPrivate.wFeatureCount <= MAX_DOC_STICKY_FEATURES);

  FORM_RECORD form{};
  PRINTERFORM printer_form{};
  if (ValidateDevModeForm(printer.handle(), &settings->dmPublic, &form) != FORM_NONE) {
    FormSupportedOnPrinter(image, &form, &printer_form, FALSE);
  }
  check(form.info.pName == nullptr || form.info.pName == form.awcName);

  DEVHTINFO halftone{};
  GetDeviceHalftoneSetup(printer.handle(), &halftone);
  EngFreeMem(CurrentTrueTypeSubstTable(printer.handle()));
  EngFreeMem(properties);

  const auto at_end = engine::outstanding_total();
  check(at_end.blocks == at_start.blocks && at_end.bytes == at_start.bytes);
  return 0;
}
