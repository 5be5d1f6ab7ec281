// Keyword handlers for the device-wide fields: language, protocols, job
// control, colour capability, time-outs, and the handler of keywords that
// change nothing.
#pragma once

#include "engine/engine.h"
#include "ppd/parser.h"
#include "ppd/ppdobj.h"
#include "ppd/value.h"

// Word tables; each end row's value is what a word not in the table gives.
extern const STRTABLEENTRY protocolStrs[5];      // bits: PJL 1, BCP 2, TBCP 4, SIC 8; end 0
extern const STRTABLEENTRY langEncodingStrs[6];  // end 5
extern const STRTABLEENTRY langVersionStrs[15];  // a language's encoding; end 5
extern const STRTABLEENTRY ttRasterizerStrs[5];  // end 4
extern const STRTABLEENTRY lsoStrs[4];           // landscape orientation; end 3
extern const STRTABLEENTRY
    extensionStrs[5];  // bits: DPS 1, CMYK 2, Composite 4, FileSystem 8; end 0

// Accepts the entry and changes nothing ("Include", "End", "JCLRes").
DWORD NullProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD IncludeProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Booleans: a value that is no boolean sets 0 and is accepted.
DWORD ColorDeviceProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD PrintPsErrorProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Word lists whose bits are ORed in; unknown words add nothing.
DWORD ProtocolsProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD ExtensionsProc(PPDOBJ* ppd, PARSEROBJ* entry);  // CMYK also makes a colour device

// Strings; the first one given stays.
DWORD NickNameProc(PPDOBJ* ppd, PARSEROBJ* entry);  // hex runs decoded
DWORD ExitServerProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD PasswordProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD JclBeginProc(PPDOBJ* ppd, PARSEROBJ* entry);  // hex runs decoded
DWORD JclToPsProc(PPDOBJ* ppd, PARSEROBJ* entry);   // hex runs decoded
DWORD JclEndProc(PPDOBJ* ppd, PARSEROBJ* entry);    // hex runs decoded

// Integers: a malformed one gives PPDERR_SYNTAX and keeps the field.
DWORD LanguageLevelProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD JobTimeoutProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD WaitTimeoutProc(PPDOBJ* ppd, PARSEROBJ* entry);

// Single words: only a word of the table changes the field.
DWORD LanguageEncodingProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD LanguageVersionProc(PPDOBJ* ppd, PARSEROBJ* entry);  // only while no encoding is set
DWORD TTRasterizerProc(PPDOBJ* ppd, PARSEROBJ* entry);
DWORD LsOrientationProc(PPDOBJ* ppd, PARSEROBJ* entry);
