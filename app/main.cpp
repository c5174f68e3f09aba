#include <cstdio>
#include <cstring>

#include "app/program.h"

#ifndef ZOLK_VERSION
#define ZOLK_VERSION "unknown"
#endif

int main(int argc, char** argv) {
  // Answered before Qt starts, so it works where no display can be opened (a package check).
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zolk %s\n", ZOLK_VERSION);
    return 0;
  }
  return zolk_app::run_program(argc, argv);
}
