// Escape numbers and result codes the driver answers in DrvEscape.
#pragma once

#include "engine/engine.h"

// Standard escapes.
inline constexpr ULONG QUERYESCSUPPORT = 8;
inline constexpr ULONG SETCOPYCOUNT = 17;
inline constexpr ULONG GETTECHNOLOGY = 20;

// Private escapes carrying the magnetic-stripe data.
inline constexpr ULONG ESC_SET_MAG_TRACK1 = 4156;
inline constexpr ULONG ESC_SET_MAG_TRACK2 = 4157;
inline constexpr ULONG ESC_SET_MAG_TRACK3 = 4158;
inline constexpr ULONG ESC_SET_MAG_MODE = 4159;

// Results of DrvEscape; the negative ones travel as their 32-bit pattern.
inline constexpr ULONG ESCAPE_DONE = 1;
inline constexpr ULONG ESCAPE_UNSUPPORTED = 0;
inline constexpr ULONG ESCAPE_MAX_COPIES = 999;
inline constexpr ULONG ESCAPE_NO_INPUT = static_cast<ULONG>(-1);
inline constexpr ULONG ESCAPE_BAD_SIZE = static_cast<ULONG>(-2);
inline constexpr ULONG ESCAPE_BAD_MODE = static_cast<ULONG>(-4);

// wMagMode values: the letter sent in the stripe command.
inline constexpr WORD MAG_MODE_Q = 0;
inline constexpr WORD MAG_MODE_R = 1;
inline constexpr WORD MAG_MODE_W = 2;

// TRUE for the escapes DrvEscape answers.
BOOL isSupported(ULONG iEsc);
