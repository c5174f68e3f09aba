#include <unistd.h>

#include "platform/cp932.h"
#include "platform/terminal.h"

namespace host {

bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

std::string terminal_text(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

std::string text_from_terminal(const std::string& argument) { return cp932::from_unicode(argument); }

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace host
