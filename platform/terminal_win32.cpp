// Arguments reach a Windows program as UTF-16 and are handed to main as UTF-8 by the cli's
// entry point; output goes out as UTF-8 with the console set to that code page.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// windows.h first: shellapi.h uses its types.
#include <windows.h>

#include <io.h>
#include <shellapi.h>
#include <stdio.h>

#include "platform/cp932.h"
#include "platform/terminal.h"
#include "platform/wide_text.h"

namespace host {

bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

bool stdout_is_terminal() { return _isatty(_fileno(stdout)) != 0; }

int stderr_columns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 80;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? columns : 80;
}

std::string terminal_text(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

std::string text_from_terminal(const std::string& argument) {
  return cp932::from_unicode(argument);
}

// Each name is converted on its own and the separators stay separators: a `\` taken into a
// name would hide drive roots and nesting from every folder check.
std::string path_from_terminal(const std::string& argument) {
  if (argument.empty()) return argument;
  const std::u16string relative = utf16_from_wtf8(argument);
  const std::wstring wide(relative.begin(), relative.end());
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return zolk_path(relative);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return zolk_path(relative);
  full.resize(length);
  return zolk_path(std::u16string(full.begin(), full.end()));
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    const std::wstring argument(wide[i]);
    out.push_back(wtf8_from_utf16(std::u16string(argument.begin(), argument.end())));
  }
  LocalFree(wide);
  SetConsoleOutputCP(CP_UTF8);
  return out;
}

}  // namespace host
