// ymcko-ppd: writes the printer's PPD for CUPS.
//
//   ymcko-ppd [--filter PATH] [OUT]
//
// --filter names the filter by an absolute path, for a PPD that uses the
// filter of a build tree; OUT defaults to standard output.
#include <fstream>
#include <iostream>
#include <string>

#include "print/cups_ppd.h"

int main(int argc, char** argv) {
  std::string filter = ymcko::print::kFilterName;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--filter" && i + 1 < argc) {
      filter = argv[++i];
    } else if (out.empty() && arg.rfind("-", 0) != 0) {
      out = arg;
    } else {
      std::cerr << "usage: ymcko-ppd [--filter PATH] [OUT]\n";
      return 2;
    }
  }
  if (out.empty()) {
    ymcko::print::write_ppd(std::cout, filter);
    return std::cout.flush() ? 0 : 1;
  }
  std::ofstream file(out, std::ios::trunc);
  ymcko::print::write_ppd(file, filter);
  if (!file.flush()) {
    std::cerr << "ymcko-ppd: error: " << out << ": cannot be written\n";
    return 1;
  }
  return 0;
}
