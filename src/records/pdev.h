// The device instance record PDEV and its sub-records. Not exchanged: a native
// record whose fields keep their order, with a signature first and last.
#pragma once

#include <cstddef>

#include "engine/engine.h"
#include "pool/memory_pool.h"
#include "records/devmode.h"
#include "records/printer_data.h"
#include "records/psreal.h"

inline constexpr ULONG PDEV_SIGNATURE = 0x50534444;

// The packed printer description image; its layout belongs to the image code.
struct PPDDATA;

// The form the instance prints on.
struct PRINTERFORM {
  WCHAR wszFormName[32];  // always terminated within the 32 characters
  char szOptionName[32];  // keyword of the matching page size option
  PSRECT rcImageable;     // printable area, description coordinates
  PSSIZE szPaper;
  ULONG bLandscape;  // 1 when turned for landscape
  WORD iPageSizeOption;
};

// Colour mode record; the capability code and the surface fill it.
struct COLORSETUP {
  BYTE bState;       // 0
  BYTE cDepth;       // 8 for colour, 2 for monochrome
  BYTE cPlanes;      // 2 for colour, 1 for monochrome
  BYTE iIndex;       // 1 for colour, 0xFF for monochrome
  ULONG ulReserved;  // 0
  ULONG* pulTable;   // 256 four-byte entries while colour and a surface is enabled
  BYTE bFill;        // 0xFF
  BYTE abZero[7];
  COLORADJUSTMENT coloradj;  // the job's colour adjustment
};

inline constexpr std::size_t COLORSETUP_TABLE_ENTRIES = 256;

// A count of bits followed by (count + 7) / 8 bytes of bits.
struct BITARRAY {
  ULONG cBits;
};

inline BYTE* bit_array_bytes(BITARRAY* array) { return reinterpret_cast<BYTE*>(array + 1); }
inline std::size_t bit_array_size(ULONG bits) {
  return sizeof(BITARRAY) + (std::size_t{bits} + 7) / 8;
}

// flJobState bits.
inline constexpr ULONG PDEV_DOC_STARTED = 0x4;
inline constexpr ULONG PDEV_PAGE_OPEN = 0x8000;
inline constexpr ULONG PDEV_RESET_IN_DOC = 0x100000;
inline constexpr ULONG PDEV_BACK_SIDE = 0x1000000;
inline constexpr ULONG PDEV_CARD_IN = 0x2000000;

struct PDEV {
  ULONG ulSignature;
  DRVDEVMODE dm;              // the instance's validated card-job settings
  PRINTERDATA* pPrinterData;  // engine memory, freed at disable
  HMODULE hModule;
  HHEAP hHeap;         // instance pool: the record itself lives in it
  HANDLE hPrinter;     // target of every spooler write
  PWSTR pwstrDocName;  // pool copy of the document name, or null
  LONG iScaledDpi;
  LONG cCopies;
  HDEV hdev;
  HSURF hSurface;
  PVOID pvBits;  // page bitmap pixels, engine memory
  HPALETTE hPalette;
  PPDDATA* pPpdData;  // packed description, engine memory
  DWORD cbPpdData;    // its length in bytes, as PpdCreate made it
  BITARRAY* pInstFontBits;
  ULONG flJobState;
  PRINTERFORM curForm;
  ULONG cPages;
  PVOID pTTSubstTable;
  ULONG cDeviceFonts;
  ULONG cSoftFonts;
  BITARRAY* pJobFontBits;
  COLORSETUP* pColorSetup;
  ULONG ulSignatureEnd;
};

// True when p is not null and both signatures are intact.
BOOL bValidatePDEV(const PDEV* p);

// The valid device instance behind a handle or a surface; null (after
// setting the last error to 87) when there is none.
PDEV* validated_instance(DHPDEV dhpdev);
PDEV* validated_instance(SURFOBJ* pso);

// The device instance a DHPDEV or a surface stands for (not validated).
inline PDEV* pdev_from(DHPDEV dhpdev) { return reinterpret_cast<PDEV*>(dhpdev); }
