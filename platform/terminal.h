// The terminal a command-line program writes to.
#ifndef ZOLK_PLATFORM_TERMINAL_H
#define ZOLK_PLATFORM_TERMINAL_H

#include <string>
#include <vector>

namespace host {

// True when standard error goes to a terminal (so a progress bar can be drawn there).
bool stderr_is_terminal();
// True when standard output goes to a terminal.
bool stdout_is_terminal();

// The width in columns of the terminal standard error goes to; 80 when it cannot be told.
int stderr_columns();

// A CP932 text in the terminal's encoding (UTF-8 on POSIX).
std::string terminal_text(const std::string& cp932_text);

// A command-line argument (in the terminal's encoding) as CP932.
std::string text_from_terminal(const std::string& argument);

// A folder or file named on the command line, as an absolute CP932 path: a relative one is
// taken from the current folder, so "backup src bk" means the folders the user sees there.
// Separators stay separators (Windows: `\`, "." and ".." resolved, no "\\?\" prefix); only
// what CP932 cannot hold within a name is escaped.
std::string path_from_terminal(const std::string& argument);

// The program's arguments in the terminal's encoding (argv[0] first). On Windows they are taken
// from the wide command line as UTF-8, since `argv` holds them in the system code page, which
// cannot express every name; the console is also switched to UTF-8 output there.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace host

#endif
