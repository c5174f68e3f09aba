// The terminal a command-line program writes to.
#ifndef ZOLK_PLATFORM_TERMINAL_H
#define ZOLK_PLATFORM_TERMINAL_H

#include <string>

namespace host {

// True when standard error goes to a terminal (so a progress bar can be drawn there).
bool stderr_is_terminal();

// A CP932 text in the terminal's encoding (UTF-8 on POSIX).
std::string terminal_text(const std::string& cp932_text);

// A command-line argument (in the terminal's encoding) as CP932.
std::string text_from_terminal(const std::string& argument);

}  // namespace host

#endif
