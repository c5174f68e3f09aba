#include "app/program.h"

int main(int argc, char** argv) { return zolk_app::run_program(argc, argv); }
