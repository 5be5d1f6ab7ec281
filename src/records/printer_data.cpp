// The printer-wide properties defaults that need no printer description.
#include "records/printer_data.h"

#include <cstring>

namespace ymcko {

void write_printer_data_defaults(PRINTERDATA& data) {
  std::memset(&data, 0, sizeof data);
  data.wVersion = PRINTERDATA_VERSION;
  data.wSize = sizeof(PRINTERDATA);
  data.dwFreeMem = MIN_FREE_MEM;
}

}  // namespace ymcko
