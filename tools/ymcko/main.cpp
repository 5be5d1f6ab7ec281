// The ymcko command-line tool.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iostream>

#include "ymcko/cli.h"
#include "ymcko/output_file.h"

int main(int argc, char** argv) {
  // A printer or reader that goes away makes writes fail instead of ending the tool.
  std::signal(SIGPIPE, SIG_IGN);
  // A standard descriptor that was closed is opened on /dev/null the wrong
  // way round: writes to it fail and are reported, and no file the tool
  // opens takes its number.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
      ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
  }
  // An interrupted job leaves no temporary file behind.
  ymcko::tool::remove_temporaries_on_interrupt();
  return ymcko::tool::run_tool(argc, argv, std::cout, std::cerr, ::isatty(2) != 0);
}
