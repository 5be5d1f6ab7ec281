// The printer's PPD, from the settings table.
#include "print/cups_ppd.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "print/card_geometry.h"
#include "print/card_settings.h"

namespace ymcko::print {
namespace {

// A length in hundredths of a point as a PPD writes it: "246", "0.12".
std::string points(std::uint32_t hundredths) {
  char text[24];
  if (hundredths % 100 == 0) {
    std::snprintf(text, sizeof text, "%u", hundredths / 100);
  } else {
    std::snprintf(text, sizeof text, "%u.%02u", hundredths / 100, hundredths % 100);
  }
  return text;
}

// Page sizes are worked in hundredths of a point, 7200 an inch, where a dot
// of the card is a whole and even 24: every length below is exact, and the
// margins, half of whole points less whole dots, are whole hundredths.
constexpr std::uint32_t kHundredthsPerInch = 7200;
static_assert(kHundredthsPerInch % kCardDpi == 0 && kHundredthsPerInch / kCardDpi % 2 == 0);

// One edge of a page size: the card's dots, and the paper, which is the card
// rounded up to whole points with the card centred on it.
struct Edge {
  std::uint32_t card;
  std::uint32_t paper;
  std::uint32_t margin() const { return (paper - card) / 2; }
};

constexpr Edge edge_of(std::uint32_t dots) {
  const std::uint32_t card = dots * (kHundredthsPerInch / kCardDpi);
  return {card, (card + 99) / 100 * 100};
}

// A page size of the card. CUPS's raster header keeps a page's size in
// whole points (PageSize), and its rasterizers work from that or round
// down: on paper of the card's exact 245.76 x 157.44 points Ghostscript
// placed the page by a height of 157 points, two dots too high, and
// imagetoraster made 1023 x 655 dots. On paper of whole points every
// rasterizer draws the imageable area, the card's 1024 x 656 dots, and
// pdftopdf centres a page of the card's size exactly on it.
struct PageSize {
  const char* name;
  const char* text;
  bool landscape;
  Edge across() const { return edge_of(page_width(landscape)); }
  Edge down() const { return edge_of(page_height(landscape)); }
  // "width height" of the paper.
  std::string paper() const { return points(across().paper) + " " + points(down().paper); }
  // "left bottom right top" of the card's dots on the paper.
  std::string imageable_area() const {
    return points(across().margin()) + " " + points(down().margin()) + " " +
           points(across().margin() + across().card) + " " + points(down().margin() + down().card);
  }
};

constexpr PageSize kPageSizes[] = {
    {"CR80", "CR-80 card, landscape", true},
    {"CR80Portrait", "CR-80 card, portrait", false},
};

// The option's text for people: its help up to the first comma or semicolon.
std::string text_of(const Setting& row) {
  std::string text(row.help.substr(0, row.help.find_first_of(",;(:")));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty()) text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

void write_option(std::ostream& out, const Setting& row, int order) {
  const std::string keyword(row.ppd_keyword);
  const SettingValue fallback = default_value(row);
  const bool boolean = row.kind == SettingKind::boolean;
  out << "*OpenUI *" << keyword << "/" << text_of(row) << ": " << (boolean ? "Boolean" : "PickOne")
      << "\n"
      << "*OrderDependency: " << order << " AnySetup *" << keyword << "\n";
  if (boolean) {
    out << "*Default" << keyword << ": " << (std::get<bool>(fallback) ? "True" : "False") << "\n"
        << "*" << keyword << " True/Yes: \"\"\n"
        << "*" << keyword << " False/No: \"\"\n";
  } else if (row.kind == SettingKind::integer) {
    const std::int64_t low = row.ppd_min != row.ppd_max ? row.ppd_min : row.min;
    const std::int64_t high = row.ppd_min != row.ppd_max ? row.ppd_max : row.max;
    const std::int64_t step = row.ppd_step != 0 ? row.ppd_step : 1;
    out << "*Default" << keyword << ": " << std::get<std::int64_t>(fallback) << "\n";
    for (std::int64_t value = low; value <= high; value += step) {
      const auto label = std::size_t(value - low) / std::size_t(step);
      out << "*" << keyword << " " << value << "/"
          << (label < row.ppd_labels.size() ? std::string(row.ppd_labels[label])
                                            : std::to_string(value))
          << ": \"\"\n";
    }
  } else if (row.kind == SettingKind::choice) {
    out << "*Default" << keyword << ": " << std::get<std::string>(fallback) << "\n";
    for (std::size_t i = 0; i < row.choices.size(); ++i) {
      out << "*" << keyword << " " << row.choices[i]
          << (i < row.ppd_labels.size() ? "/" + std::string(row.ppd_labels[i]) : "") << ": \"\"\n";
    }
  }
  out << "*CloseUI: *" << keyword << "\n";
}

}  // namespace

void write_ppd(std::ostream& out, const std::string& filter) {
  out << "*PPD-Adobe: \"4.3\"\n"
         "*% The ymcko card printer: CR-80 cards in yellow, magenta, cyan, black and overlay "
         "panels.\n"
         "*% Made from the ymcko settings table; do not edit.\n"
         "*FormatVersion: \"4.3\"\n"
         "*FileVersion: \"1.0\"\n"
         "*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n"
         "*PCFileName: \"YMCKO.PPD\"\n"
         "*Manufacturer: \"ymcko\"\n"
         "*Product: \"(ymcko card printer)\"\n"
         "*ModelName: \"ymcko card printer\"\n"
         "*ShortNickName: \"ymcko card printer\"\n"
         "*NickName: \"ymcko card printer\"\n"
         "*PSVersion: \"(3010.000) 0\"\n"
         "*LanguageLevel: \"3\"\n"
         "*ColorDevice: True\n"
         "*DefaultColorSpace: RGB\n"
         "*FileSystem: False\n"
         "*Throughput: \"1\"\n"
         "*LandscapeOrientation: Plus90\n"
         "*TTRasterizer: Type42\n"
         "*cupsVersion: 2.4\n"
         "*cupsModelNumber: 0\n"
         "*cupsManualCopies: False\n"
         "*cupsFilter2: \"application/vnd.cups-raster "
      << kJobType << " 0 " << filter << "\"\n\n";

  // PageSize and PageRegion offer the same sizes.
  for (const char* option : {"PageSize", "PageRegion"}) {
    out << "*OpenUI *" << option << "/Media Size: PickOne\n"
        << "*OrderDependency: 10 AnySetup *" << option << "\n"
        << "*Default" << option << ": CR80\n";
    for (const PageSize& size : kPageSizes) {
      out << "*" << option << " " << size.name << "/" << size.text << ": \"<</PageSize["
          << size.paper() << "]/ImagingBBox null>>setpagedevice\"\n";
    }
    out << "*CloseUI: *" << option << "\n";
  }
  out << "*DefaultImageableArea: CR80\n";
  for (const PageSize& size : kPageSizes) {
    out << "*ImageableArea " << size.name << "/" << size.text << ": \"" << size.imageable_area()
        << "\"\n";
  }
  out << "*DefaultPaperDimension: CR80\n";
  for (const PageSize& size : kPageSizes) {
    out << "*PaperDimension " << size.name << "/" << size.text << ": \"" << size.paper() << "\"\n";
  }

  out << "\n*OpenUI *Resolution/Resolution: PickOne\n"
         "*OrderDependency: 10 AnySetup *Resolution\n"
         "*DefaultResolution: 300dpi\n"
         "*Resolution 300dpi/300 dpi: \"<</HWResolution[300 300]>>setpagedevice\"\n"
         "*CloseUI: *Resolution\n"
         "*OpenUI *ColorModel/Colour Mode: PickOne\n"
         "*OrderDependency: 10 AnySetup *ColorModel\n"
         "*DefaultColorModel: RGB\n"
         "*ColorModel RGB/Colour: \"<</cupsColorSpace 1/cupsColorOrder 0/cupsBitsPerColor "
         "8>>setpagedevice\"\n"
         "*ColorModel Gray/Grey: \"<</cupsColorSpace 18/cupsColorOrder 0/cupsBitsPerColor "
         "8>>setpagedevice\"\n"
         "*CloseUI: *ColorModel\n\n";

  // The card's options; the printer-wide ones are installable options.
  int order = 20;
  out << "*OpenGroup: Card/Card\n";
  for (const Setting& row : settings_table()) {
    if (!row.ppd_keyword.empty() && row.target != SettingTarget::printer_property)
      write_option(out, row, order++);
  }
  out << "*CloseGroup: Card\n\n"
         "*OpenGroup: InstallableOptions/Installable Options\n";
  for (const Setting& row : settings_table()) {
    if (!row.ppd_keyword.empty() && row.target == SettingTarget::printer_property)
      write_option(out, row, order++);
  }
  out << "*CloseGroup: InstallableOptions\n";
}

}  // namespace ymcko::print
