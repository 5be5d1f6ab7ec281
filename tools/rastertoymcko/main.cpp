// rastertoymcko: the CUPS filter of the ymcko card printer.
//
//   rastertoymcko job-id user title copies options [file]
//
// Reads CUPS raster from the file or standard input and writes the card job
// to standard output. On SIGTERM it finishes the current card, ends the
// document and exits.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "print/descriptor_sink.h"
#include "rastertoymcko/filter.h"

namespace {

volatile std::sig_atomic_t g_cancelled = 0;

void on_terminate(int) { g_cancelled = 1; }

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away makes writes fail instead of ending the filter.
  std::signal(SIGPIPE, SIG_IGN);
  struct sigaction terminate {};
  terminate.sa_handler = on_terminate;
  sigemptyset(&terminate.sa_mask);
  sigaction(SIGTERM, &terminate, nullptr);

  ymcko::filter::Arguments arguments;
  try {
    arguments = ymcko::filter::parse_arguments(argc, argv);
  } catch (const ymcko::print::Error& error) {
    std::cerr << "ERROR: " << error.input() << ": " << error.what() << "\n";
    return 1;
  }
  int in = 0;
  if (arguments.file) {
    in = ::open(arguments.file->c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
      std::cerr << "ERROR: " << *arguments.file << ": cannot be opened: " << std::strerror(errno)
                << "\n";
      return 1;
    }
  }
  ymcko::print::DescriptorSink out(1, "standard output");
  const int status =
      ymcko::filter::run(arguments, in, out, std::cerr, std::getenv("PPD"), g_cancelled);
  if (in != 0) ::close(in);
  return status;
}
