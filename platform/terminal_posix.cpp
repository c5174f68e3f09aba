#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "platform/terminal.h"

namespace host {

bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

bool stdout_is_terminal() { return isatty(STDOUT_FILENO) != 0; }

int stderr_columns() {
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

std::string terminal_text(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

std::string text_from_terminal(const std::string& argument) {
  return cp932::from_unicode(argument);
}

std::string path_from_terminal(const std::string& argument) {
  if (argument.empty() || argument[0] == '/') return cp932::from_unicode(argument);
  std::string folder(4096, '\0');
  if (getcwd(&folder[0], folder.size()) == nullptr) return cp932::from_unicode(argument);
  folder.resize(folder.find('\0'));
  return cp932::from_unicode(folder + "/" + argument);
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace host
