// The ymcko command-line tool.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "ymcko/cli.h"

int main(int argc, char** argv) {
  // A printer or reader that goes away makes writes fail instead of ending the tool.
  std::signal(SIGPIPE, SIG_IGN);
  return ymcko::tool::run_tool(argc, argv, std::cout, std::cerr, ::isatty(2) != 0);
}
