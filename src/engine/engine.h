// The engine's services as the driver sees them: every Eng*, FLOATOBJ_* and
// Rtl* service the driver may call, the semaphore lock, and the records they
// exchange. The driver includes nothing else of the engine.
#pragma once

#include <cstddef>
#include <optional>

#include "engine/ddi.h"
#include "engine/device_info.h"
#include "engine/devmode.h"
#include "engine/draw_objects.h"
#include "engine/engine_types.h"
#include "engine/surface.h"

// ---- Memory -------------------------------------------------------------

inline constexpr FLONG FL_ZERO_MEMORY = 0x1;

// Allocates cj bytes tagged with ulTag; zero-filled when fl has FL_ZERO_MEMORY.
// Returns null when memory is short or a test hook makes the call fail.
PVOID EngAllocMem(FLONG fl, ULONG cj, ULONG ulTag);

// Releases a block from EngAllocMem; null is ignored.
void EngFreeMem(PVOID pv);

// ---- Semaphores ---------------------------------------------------------

// Returns a new semaphore, or null when a test hook makes creation fail.
HSEMAPHORE EngCreateSemaphore();
// Acquire and release a semaphore; a handle that is not a live semaphore is ignored.
void EngAcquireSemaphore(HSEMAPHORE hsem);
void EngReleaseSemaphore(HSEMAPHORE hsem);
// The host's counterpart of creation; null and unknown handles are ignored.
void EngDeleteSemaphore(HSEMAPHORE hsem);

namespace ymcko::engine {

// Holds a semaphore for the lifetime of the object.
class SemaphoreLock {
 public:
  explicit SemaphoreLock(HSEMAPHORE hsem) : hsem_(hsem) { EngAcquireSemaphore(hsem_); }
  ~SemaphoreLock() { EngReleaseSemaphore(hsem_); }
  SemaphoreLock(const SemaphoreLock&) = delete;
  SemaphoreLock& operator=(const SemaphoreLock&) = delete;

 private:
  HSEMAPHORE hsem_;
};

}  // namespace ymcko::engine

// ---- Last error ---------------------------------------------------------

// The engine's last error, kept per thread.
void EngSetLastError(ULONG iError);
ULONG EngGetLastError();

// ---- Modules and names --------------------------------------------------

// The file name of the driver loaded for the device, or null for an unknown
// device. Valid while the device lives.
const WCHAR* EngGetDriverName(HDEV hdev);

// The data file name of the device's printer (copied by the driver, never
// opened), or null when the device or its printer is unknown. Valid while
// the device lives and until the next call for it.
const WCHAR* EngGetPrinterDataFileName(HDEV hdev);

// A handle to the named module: only the driver's own module is known here;
// any other name, or a test fault, gives null.
HMODULE EngLoadModule(const WCHAR* pwsz);

// Releases a handle from EngLoadModule; null is ignored.
void EngFreeModule(HMODULE h);

// ---- Device modes in flight ---------------------------------------------

namespace ymcko::engine {

// The byte length of a device mode the engine is handing to the driver, or
// nothing when the engine knows none (the driver then trusts the record's own sizes).
std::optional<std::size_t> devmode_bytes(const DEVMODEW* devmode);

}  // namespace ymcko::engine

// ---- Surfaces -----------------------------------------------------------

// Creates a bitmap of sizl pixels in BMF_24BPP or BMF_32BPP. lWidth is the
// step in bytes from one scan line to the next in memory (0: the row size
// rounded up to four bytes). fl holds BMF_TOPDOWN when the first scan line in
// memory is the upper edge, else it is the lower edge. pvBits is the pixel
// memory, borrowed and kept by the caller; when null the engine allocates it
// (zeroed unless fl has BMF_NOZEROINIT) and frees it with the surface.
// Null for a bad format, size or step, or when memory is short.
HSURF EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);

// Records the device, the device's driver instance and the hooked transfers
// in the surface. FALSE for an unknown surface or device.
BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);

// Deletes a surface made by EngCreateBitmap, and the pixels the engine
// allocated for it; caller memory is left alone. FALSE for an unknown handle.
BOOL EngDeleteSurface(HSURF hsurf);

// The surface record behind a handle, or null for an unknown handle.
SURFOBJ* EngLockSurface(HSURF hsurf);

// Ends a use begun by EngLockSurface; the record stays with its handle.
void EngUnlockSurface(SURFOBJ* pso);

// ---- Drawing ------------------------------------------------------------

// Draws prclTrg of psoTrg (32 bpp) with the raster operation rop4, whose two
// bytes must agree (no masks): any ternary operation of the solid brush pbo,
// the source psoSrc (24 or 32 bpp, read from pptlSrc on, colours through
// pxlo) and the destination. The drawn area is prclTrg cut to the clip, to
// the destination bitmap and to what the source bitmap holds; nothing
// outside both bitmaps is read or written. Drawn pixels get byte 3 = 0.
// An empty or inverted rectangle draws nothing and succeeds. FALSE when a
// needed surface, point or brush is missing or not drawable (a pattern
// brush, a mask, a region clip, an unknown translation).
BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
               ROP4 rop4);

// Draws prclSrc of psoSrc (24 or 32 bpp) scaled onto prclDest of psoDest
// (32 bpp), colours through pxlo. A rectangle whose left exceeds its right
// (or top its bottom) mirrors the picture on that axis. In HALFTONE mode a
// reduction averages the covered source area, an enlargement interpolates
// linearly, and the colour adjustment pca (null: none) is applied; the
// other modes take the nearest source pixel unadjusted. Only the part of
// prclDest within the clip and the destination bitmap is drawn, and only
// from source pixels within the source bitmap: destination pixels with no
// source pixel under them are left as they are. Drawn pixels get byte 3 = 0.
// The halftone origin is not used: the result keeps 8 bits per channel.
// An empty rectangle draws nothing and succeeds. FALSE for a missing or
// undrawable surface or rectangle, a mask, a region clip, an unknown
// translation or mode, a side longer than 2^30, or short memory.
BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                   RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);

// ---- Palettes -----------------------------------------------------------

// Creates a palette. PAL_RGB and PAL_BGR need no colours or masks;
// PAL_INDEXED copies cColors entries (1 to 256) from pulColors;
// PAL_BITFIELDS keeps the three masks, none of them zero. Null for any
// other mode, missing colours or masks, or when memory is short.
HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                          FLONG flBlue);

// Deletes a palette; FALSE for an unknown handle.
BOOL EngDeletePalette(HPALETTE hpal);

// ---- Spooler ------------------------------------------------------------

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD REG_BINARY = 3;

// A level-1 form record: name, size and imageable area in micrometres, the
// area with its origin at the upper left corner and y downward.
struct FORM_INFO_1 {
  DWORD Flags;
  PWSTR pName;
  SIZEL Size;
  RECTL ImageableArea;
};

inline constexpr DWORD FORM_USER = 0;
inline constexpr DWORD FORM_BUILTIN = 1;

// Appends cjBuf bytes to the job's raw data of the printer in call order.
// pcWritten (optional) receives the bytes taken. FALSE for an unknown handle
// or a failed write.
BOOL EngWritePrinter(HANDLE hPrinter, const void* pBuf, DWORD cjBuf, DWORD* pcWritten);

// Reads one registry data value of the printer. Writes up to cjSize bytes of
// it into pData and its whole size into pcjNeeded; ERROR_SUCCESS when it all
// fit, ERROR_MORE_DATA when the buffer is short, ERROR_FILE_NOT_FOUND when
// the printer or the value does not exist. pType (optional) gets REG_BINARY.
DWORD EngGetPrinterData(HANDLE hPrinter, const WCHAR* pValueName, DWORD* pType, BYTE* pData,
                        DWORD cjSize, DWORD* pcjNeeded);

// Enumerates the forms database at level 1: FORM_INFO_1 records followed by
// their names, all inside pForm. When pForm is null or cbBuf short, fails
// with last error ERROR_INSUFFICIENT_BUFFER (122) and the needed size in
// pcbNeeded. Only level 1 is known.
BOOL EngEnumForms(HANDLE hPrinter, DWORD Level, BYTE* pForm, DWORD cbBuf, DWORD* pcbNeeded,
                  DWORD* pcReturned);

// ---- Real arithmetic ----------------------------------------------------

// The engine's floating-point object: real arithmetic on integers for the
// driver's unit conversions, held in double precision.
struct FLOATOBJ {
  double dValue;
};

// Sets the object to the integer l.
void FLOATOBJ_SetLong(FLOATOBJ* pf, LONG l);

// Multiplies the object by l.
void FLOATOBJ_MulLong(FLOATOBJ* pf, LONG l);

// Divides the object by l. Division by zero gives an infinity of the object's
// sign, or no number for zero, rather than trapping.
void FLOATOBJ_DivLong(FLOATOBJ* pf, LONG l);

// The integer part, toward zero, saturated at the limits of a LONG; no number gives 0.
LONG FLOATOBJ_GetLong(const FLOATOBJ* pf);

// ---- Text ---------------------------------------------------------------
// Conversion between UTF-16 text and the engine's single-byte code page,
// ISO-8859-1: code points up to U+00FF map to the byte of the same value and
// every other character (a surrogate pair counts as one) becomes "?".

using NTSTATUS = LONG;
inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);

// Converts cbUnicode bytes of UTF-16 text into at most cbMultiByteMax bytes;
// pcbMultiByte (optional) receives the bytes written. No terminator is added
// beyond what the source holds.
NTSTATUS RtlUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                                const WCHAR* pUnicode, ULONG cbUnicode);

// The bytes the conversion of cbUnicode bytes of UTF-16 text would produce.
NTSTATUS RtlUnicodeToMultiByteSize(ULONG* pcbMultiByte, const WCHAR* pUnicode, ULONG cbUnicode);

// Converts cbMultiByte bytes into at most cbUnicodeMax bytes of UTF-16 text;
// pcbUnicode (optional) receives the bytes written.
void EngMultiByteToUnicodeN(WCHAR* pUnicode, ULONG cbUnicodeMax, ULONG* pcbUnicode,
                            const char* pMultiByte, ULONG cbMultiByte);

// Converts cbUnicode bytes of UTF-16 text into at most cbMultiByteMax bytes;
// pcbMultiByte (optional) receives the bytes written.
void EngUnicodeToMultiByteN(char* pMultiByte, ULONG cbMultiByteMax, ULONG* pcbMultiByte,
                            const WCHAR* pUnicode, ULONG cbUnicode);

static_assert(std::is_trivially_copyable_v<FORM_INFO_1>);
