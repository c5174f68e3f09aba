// Arguments reach a Windows program as UTF-16 and are handed to main as UTF-8 by the cli's
// entry point; output goes out as UTF-8 with the console set to that code page.
#include <io.h>
#include <stdio.h>

#include "platform/cp932.h"
#include "platform/terminal.h"

namespace host {

bool stderr_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

std::string terminal_text(const std::string& cp932_text) { return cp932::to_unicode(cp932_text); }

std::string text_from_terminal(const std::string& argument) { return cp932::from_unicode(argument); }

}  // namespace host
