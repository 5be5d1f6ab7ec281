// The device-driver interface between the engine and a driver: the records
// through which a driver hands over its entry points, the engine's function
// index of each entry point and its one signature, and the lookup of an
// entry point in a driver's function table.
#pragma once

#include <span>
#include <type_traits>

#include "engine/device_info.h"
#include "engine/devmode.h"
#include "engine/engine_types.h"
#include "engine/surface.h"

// The engine's published DDI function indices of the entry points.
inline constexpr ULONG INDEX_DrvEnablePDEV = 0;
inline constexpr ULONG INDEX_DrvCompletePDEV = 1;
inline constexpr ULONG INDEX_DrvDisablePDEV = 2;
inline constexpr ULONG INDEX_DrvEnableSurface = 3;
inline constexpr ULONG INDEX_DrvDisableSurface = 4;
inline constexpr ULONG INDEX_DrvResetPDEV = 7;
inline constexpr ULONG INDEX_DrvBitBlt = 18;
inline constexpr ULONG INDEX_DrvStretchBlt = 20;
inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvSendPage = 32;
inline constexpr ULONG INDEX_DrvStartPage = 33;
inline constexpr ULONG INDEX_DrvEndDoc = 34;
inline constexpr ULONG INDEX_DrvStartDoc = 35;

// The engine's driver interface version.
inline constexpr ULONG DDI_DRIVER_VERSION = 0x20000;

// An entry point as the engine stores it; it is cast back to its own
// signature, the one ddi_function gives for its index, at the call.
using PFN = void (*)();

// One entry of a driver's function table: the engine's function index and the entry point.
struct DRVFN {
  ULONG iFunc;
  PFN pfn;
};

// What DrvEnableDriver hands back: interface version, entry count, table.
struct DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
};

// The driver module's entry point, as the loader finds it.
using PFN_DrvEnableDriver = BOOL (*)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);

namespace ymcko::engine {

// The signature of the entry point under each function index; the driver's
// table is built through it, so an entry point of another signature does not compile.
template <ULONG Index>
struct ddi_function;

template <>
struct ddi_function<INDEX_DrvEnablePDEV> {
  using type = DHPDEV (*)(DEVMODEW* pdm, PWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                          ULONG cjCaps, ULONG* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                          PWSTR pwszDeviceName, HANDLE hDriver);
};
template <>
struct ddi_function<INDEX_DrvCompletePDEV> {
  using type = void (*)(DHPDEV dhpdev, HDEV hdev);
};
template <>
struct ddi_function<INDEX_DrvDisablePDEV> {
  using type = void (*)(DHPDEV dhpdev);
};
template <>
struct ddi_function<INDEX_DrvEnableSurface> {
  using type = HSURF (*)(DHPDEV dhpdev);
};
template <>
struct ddi_function<INDEX_DrvDisableSurface> {
  using type = void (*)(DHPDEV dhpdev);
};
template <>
struct ddi_function<INDEX_DrvResetPDEV> {
  using type = BOOL (*)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
};
template <>
struct ddi_function<INDEX_DrvBitBlt> {
  using type = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                        XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                        BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
};
template <>
struct ddi_function<INDEX_DrvStretchBlt> {
  using type = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                        XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                        RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
};
template <>
struct ddi_function<INDEX_DrvEscape> {
  using type = ULONG (*)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                         PVOID pvOut);
};
template <>
struct ddi_function<INDEX_DrvSendPage> {
  using type = BOOL (*)(SURFOBJ* pso);
};
template <>
struct ddi_function<INDEX_DrvStartPage> {
  using type = BOOL (*)(SURFOBJ* pso);
};
template <>
struct ddi_function<INDEX_DrvEndDoc> {
  using type = BOOL (*)(SURFOBJ* pso, FLONG fl);
};
template <>
struct ddi_function<INDEX_DrvStartDoc> {
  using type = BOOL (*)(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId);
};

template <ULONG Index>
using ddi_function_t = typename ddi_function<Index>::type;

// A table entry for the entry point `fn` under `Index`; refuses to compile
// when fn's signature is not the one the engine calls that index with.
template <ULONG Index, class Fn>
constexpr DRVFN ddi_entry(Fn* fn) {
  static_assert(std::is_same_v<Fn*, ddi_function_t<Index>>,
                "the entry point's signature differs from the engine's for its index");
  return {Index, reinterpret_cast<PFN>(fn)};
}

// The entry point registered under iFunc in a function table, or null.
constexpr PFN find_entry_point(std::span<const DRVFN> table, ULONG iFunc) {
  for (const DRVFN& fn : table) {
    if (fn.iFunc == iFunc) return fn.pfn;
  }
  return nullptr;
}

// The entry point under Index with its own signature, or null.
template <ULONG Index>
ddi_function_t<Index> find_entry(std::span<const DRVFN> table) {
  return reinterpret_cast<ddi_function_t<Index>>(find_entry_point(table, Index));
}

// The function table a driver's enable data hands over (empty without one).
inline std::span<const DRVFN> function_table(const DRVENABLEDATA& enabled) {
  return enabled.pdrvfn != nullptr ? std::span<const DRVFN>(enabled.pdrvfn, enabled.c)
                                   : std::span<const DRVFN>();
}

}  // namespace ymcko::engine
