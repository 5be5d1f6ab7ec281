// The records through which a driver hands the engine its entry points.
#pragma once

#include "engine/engine_types.h"

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

// An entry point as the engine stores it; it is cast back to its own
// signature at the call.
using PFN = void (*)();

// One entry of a driver's function table: the engine's function index and the entry point.
// The engine's driver interface version.
inline constexpr ULONG DDI_DRIVER_VERSION = 0x20000;

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
