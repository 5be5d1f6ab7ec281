// Device-wide keyword handlers.
#include "ppd/device_handlers.h"

const STRTABLEENTRY protocolStrs[5] = {
    {"PJL", 1}, {"BCP", 2}, {"TBCP", 4}, {"SIC", 8}, {nullptr, 0},
};

const STRTABLEENTRY langEncodingStrs[6] = {
    {"ISOLatin1", 1}, {"JIS83-RKSJ", 2}, {"MaxStandard", 3},
    {"WindowsANSI", 4}, {"None", 0},     {nullptr, 5},
};

const STRTABLEENTRY langVersionStrs[15] = {
    {"English", 1},   {"Danish", 1},    {"Dutch", 1},      {"Finnish", 1}, {"French", 1},
    {"German", 1},    {"Italian", 1},   {"Norwegian", 1},  {"Portuguese", 1},
    {"Spanish", 1},   {"Swedish", 1},   {"Chinese", 0},    {"Japanese", 2},
    {"Russian", 0},   {nullptr, 5},
};

const STRTABLEENTRY ttRasterizerStrs[5] = {
    {"None", 0}, {"Accept68k", 1}, {"Type42", 2}, {"TrueImage", 3}, {nullptr, 4},
};

const STRTABLEENTRY lsoStrs[4] = {{"Any", 0}, {"Plus90", 1}, {"Minus90", 2}, {nullptr, 3}};

const STRTABLEENTRY extensionStrs[5] = {
    {"DPS", 1}, {"CMYK", 2}, {"Composite", 4}, {"FileSystem", 8}, {nullptr, 0},
};

namespace {

// The extension bit that makes the printer a colour device.
constexpr WORD EXTENSION_CMYK = 2;

// ORs the table value of every word of the text into *bits; returns the
// words' values ORed together.
WORD or_words(const STRTABLEENTRY* table, const char* text, WORD* bits) {
  char word[WORD_BUFFER_SIZE];
  WORD seen = 0;
  while (GetWordStr(&text, WORD_BUFFER_SIZE, word) != 0) {
    WORD value = 0;
    SearchStringTable(table, word, &value);
    seen |= value;
  }
  *bits |= seen;
  return seen;
}

// Copies the value into a description string; the first copy stays.
DWORD copy_string(PPDOBJ* ppd, PARSEROBJ* entry, char** field, DWORD conversion) {
  return GetStringValue(field, &entry->value, ppd->pHeap, conversion);
}

}  // namespace

DWORD NullProc(PPDOBJ*, PARSEROBJ*) { return PPDERR_NONE; }

DWORD IncludeProc(PPDOBJ* ppd, PARSEROBJ* entry) { return NullProc(ppd, entry); }

DWORD ColorDeviceProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  GetBooleanValue(&ppd->bColorDevice, entry->value.pBuf);
  return PPDERR_NONE;
}

DWORD PrintPsErrorProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  GetBooleanValue(&ppd->bPrintPsErrors, entry->value.pBuf);
  return PPDERR_NONE;
}

DWORD ProtocolsProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  or_words(protocolStrs, entry->value.pBuf, &ppd->wProtocols);
  return PPDERR_NONE;
}

DWORD ExtensionsProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD seen = or_words(extensionStrs, entry->value.pBuf, &ppd->wExtensions);
  if (seen & EXTENSION_CMYK) ppd->bColorDevice = 1;
  return PPDERR_NONE;
}

DWORD NickNameProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrNickName, CONVERT_HEX);
}

DWORD ExitServerProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrExitServer, CONVERT_INVOCATION);
}

DWORD PasswordProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrPassword, CONVERT_INVOCATION);
}

DWORD JclBeginProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrJclBegin, CONVERT_HEX);
}

DWORD JclToPsProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrJclToPs, CONVERT_HEX);
}

DWORD JclEndProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return copy_string(ppd, entry, &ppd->pstrJclEnd, CONVERT_HEX);
}

DWORD LanguageLevelProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetIntegerValue(&ppd->dwLangLevel, entry->value.pBuf);
}

DWORD JobTimeoutProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetIntegerValue(&ppd->dwJobTimeout, entry->value.pBuf);
}

DWORD WaitTimeoutProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  return GetIntegerValue(&ppd->dwWaitTimeout, entry->value.pBuf);
}

DWORD LanguageEncodingProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD code = 0;
  if (SearchStringTable(langEncodingStrs, entry->value.pBuf, &code)) ppd->wLangEncoding = code;
  return PPDERR_NONE;
}

DWORD LanguageVersionProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  // An encoding given outright wins over the one a language implies.
  WORD code = 0;
  if (ppd->wLangEncoding == 0 && SearchStringTable(langVersionStrs, entry->value.pBuf, &code)) {
    ppd->wLangEncoding = code;
  }
  return PPDERR_NONE;
}

DWORD TTRasterizerProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD code = 0;
  if (SearchStringTable(ttRasterizerStrs, entry->value.pBuf, &code)) ppd->wTTRasterizer = code;
  return PPDERR_NONE;
}

DWORD LsOrientationProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD code = 0;
  if (SearchStringTable(lsoStrs, entry->value.pBuf, &code) && code < 3) {
    ppd->wLsOrientation = code;
  }
  return PPDERR_NONE;
}
