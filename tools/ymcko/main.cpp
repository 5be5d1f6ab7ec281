// The ymcko command-line tool.
#include <unistd.h>

#include <iostream>

#include "ymcko/cli.h"

int main(int argc, char** argv) {
  return ymcko::tool::run_tool(argc, argv, std::cout, std::cerr, ::isatty(2) != 0);
}
