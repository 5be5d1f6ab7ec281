// Device font tables and the "Font" handler.
#include "ppd/fonts.h"

#include <new>


const STRTABLEENTRY fontNameStrs[FONT_NAME_COUNT + 1] = {
    {"Arial", 1},
    {"Arial-Bold", 2},
    {"Arial-BoldOblique", 3},
    {"Arial-Oblique", 4},
    {"Arial-Narrow", 5},
    {"Arial-Narrow-Bold", 6},
    {"Arial-Narrow-BoldOblique", 7},
    {"Arial-Narrow-Oblique", 8},
    {"AvantGarde-Book", 9},
    {"AvantGarde-BookOblique", 10},
    {"AvantGarde-Demi", 11},
    {"AvantGarde-DemiOblique", 12},
    {"Bookman-Demi", 13},
    {"Bookman-DemiItalic", 14},
    {"Bookman-Light", 15},
    {"Bookman-LightItalic", 16},
    {"Courier", 17},
    {"Courier-Bold", 18},
    {"Courier-BoldOblique", 19},
    {"Courier-Oblique", 20},
    {"Garamond-Bold", 21},
    {"Garamond-BoldItalic", 22},
    {"Garamond-Light", 23},
    {"Garamond-LightItalic", 24},
    {"Helvetica", 25},
    {"Helvetica-Black", 26},
    {"Helvetica-BlackOblique", 27},
    {"Helvetica-Bold", 28},
    {"Helvetica-BoldOblique", 29},
    {"Helvetica-Condensed", 30},
    {"Helvetica-Condensed-Bold", 31},
    {"Helvetica-Condensed-BoldObl", 32},
    {"Helvetica-Condensed-Oblique", 33},
    {"Helvetica-Light", 34},
    {"Helvetica-LightOblique", 35},
    {"Helvetica-Narrow", 36},
    {"Helvetica-Narrow-Bold", 37},
    {"Helvetica-Narrow-BoldOblique", 38},
    {"Helvetica-Narrow-Oblique", 39},
    {"Helvetica-Oblique", 40},
    {"Korinna-Bold", 41},
    {"Korinna-KursivBold", 42},
    {"Korinna-KursivRegular", 43},
    {"Korinna-Regular", 44},
    {"LubalinGraph-Book", 45},
    {"LubalinGraph-BookOblique", 46},
    {"LubalinGraph-Demi", 47},
    {"LubalinGraph-DemiOblique", 48},
    {"NewCenturySchlbk-Bold", 49},
    {"NewCenturySchlbk-BoldItalic", 50},
    {"NewCenturySchlbk-Italic", 51},
    {"NewCenturySchlbk-Roman", 52},
    {"Palatino-Bold", 53},
    {"Palatino-BoldItalic", 54},
    {"Palatino-Italic", 55},
    {"Palatino-Roman", 56},
    {"Souvenir-Demi", 57},
    {"Souvenir-DemiItalic", 58},
    {"Souvenir-Light", 59},
    {"Souvenir-LightItalic", 60},
    {"Symbol", 61},
    {"Times-Bold", 62},
    {"Times-BoldItalic", 63},
    {"Times-Italic", 64},
    {"Times-Roman", 65},
    {"Times-New-Roman", 66},
    {"Times-New-Roman-Bold", 67},
    {"Times-New-Roman-BoldItalic", 68},
    {"Times-New-Roman-Italic", 69},
    {"Varitimes#Bold", 70},
    {"Varitimes#BoldItalic", 71},
    {"Varitimes#Italic", 72},
    {"Varitimes#Roman", 73},
    {"ZapfCalligraphic-Bold", 74},
    {"ZapfCalligraphic-BoldItalic", 75},
    {"ZapfCalligraphic-Italic", 76},
    {"ZapfCalligraphic-Roman", 77},
    {"ZapfChancery-MediumItalic", 78},
    {"ZapfDingbats", 79},
    {nullptr, 0},
};

const STRTABLEENTRY encodingStrs[10] = {
    {"Standard", 0}, {"Special", 1}, {"ISOLatin1", 2}, {"Expert", 3}, {"ExpertSubset", 4},
    {"JIS", 5},      {"RKSJ", 6},    {"EUC", 7},       {"Shift-JIS", 8}, {nullptr, 9},
};

const STRTABLEENTRY charsetStrs[13] = {
    {"Standard", 0}, {"OldStandard", 1}, {"Special", 2}, {"ISOLatin1", 3}, {"Expert", 4},
    {"ExpertSubset", 5}, {"JIS-83", 6}, {"JIS-78", 7}, {"83pv", 8}, {"Add", 9},
    {"Ext", 10}, {"NWP", 11}, {nullptr, 12},
};

namespace {

// The encoding code of a word not in encodingStrs.
constexpr WORD ENCODING_UNKNOWN = 9;

// The text just past the next double quote, or its end when there is none.
const char* past_quote(const char* text) {
  while (*text != 0 && *text != '"') ++text;
  return *text == '"' ? text + 1 : text;
}

}  // namespace

BOOL GetFontIndex(WORD* index, const char* name) {
  return SearchStringTable(fontNameStrs, name, index);
}

BOOL GetFontEncoding(WORD* code, const char* word) {
  return SearchStringTable(encodingStrs, word, code);
}

BOOL GetCharSet(WORD* code, const char* word) { return SearchStringTable(charsetStrs, word, code); }

DWORD FontProc(PPDOBJ* ppd, PARSEROBJ* entry) {
  WORD index = 0;
  if (!GetFontIndex(&index, entry->option.pBuf)) return PPDERR_NONE;

  // The value: encoding word, a quoted version, character set word, more
  // words that are not read. Without an encoding word both stay Standard.
  WORD encoding = 0;
  WORD charset = 0;
  const char* cursor = entry->value.pBuf;
  char word[WORD_BUFFER_SIZE];
  if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) != 0) {
    GetFontEncoding(&encoding, word);
    if (encoding < ENCODING_UNKNOWN) {
      cursor = past_quote(past_quote(cursor));
      if (GetWordStr(&cursor, WORD_BUFFER_SIZE, word) != 0) GetCharSet(&charset, word);
    }
  }

  if (LISTOBJ_Find(ppd->pDevFonts, entry->option.pBuf) != nullptr) return PPDERR_NONE;

  void* piece = HEAPOBJ_Alloc(ppd->pHeap, sizeof(DEVFONT));
  if (piece == nullptr) return PPDERR_MEMORY;
  auto* font = new (piece) DEVFONT{};
  font->wIndex = index;
  font->wEncoding = encoding;
  font->wCharSet = charset;
  DWORD result = GetStringValue(&font->pstrName, &entry->option, ppd->pHeap, CONVERT_KEYWORD);
  if (result != PPDERR_NONE) return result;
  result = GetStringValue(&font->pstrTranslation, &entry->translation, ppd->pHeap, CONVERT_HEX);
  if (result != PPDERR_NONE) return result;
  LISTOBJ_Add(&ppd->pDevFonts, font);
  return PPDERR_NONE;
}
