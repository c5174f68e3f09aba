#include "app/win32/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return zolk_win32::run_program(); }
