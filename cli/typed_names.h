// One notation for the names of entries inside the points, both ways: zolk-cli writes names
// in it (log, run-log lines) and reads the PATH of versions and restore --path in it, so a
// name printed by one command can be typed back to another.
//
// A name may hold what a line of the terminal cannot show as itself: control characters, and
// on POSIX a `\`, which is a name character there and no separator. Such a character is
// written `\n` (line feed), `\r` (carriage return), `\t` (tab), `\xHH` (any other control
// byte, two hex digits) and, where names may hold it, `\\` (one backslash). Typed back, these
// escapes stand for the same bytes; a control character typed as itself stands for itself.
// Where names cannot hold a `\` (Windows), it separates like `/` and nothing is escaped.
#ifndef ZOLK_CLI_TYPED_NAMES_H
#define ZOLK_CLI_TYPED_NAMES_H

#include <optional>
#include <string>

#include "platform/native_path.h"

namespace cli {

// `text` (in the terminal's encoding) with every character written out as above, so that a
// name never splits a line or moves the cursor.
std::string written_out(const std::string& text,
                        bool backslash_in_names = host::k_backslash_in_names);

// A path inside a point typed as `argument` (the terminal's encoding), as CP932 whose names are
// spelled as the host reports them (cp932::from_unicode_name): control bytes and a `\` within a
// name carried as escapes, separators `\` or `/`. Nullopt when a `\` starts none of the escapes
// above (POSIX).
std::optional<std::string> typed_entry_path(const std::string& argument,
                                            bool backslash_in_names = host::k_backslash_in_names);

// What to tell a user whose PATH typed_entry_path refused.
std::string typed_entry_path_rule();
// The rule as the help of an option that takes such a path says it.
std::string typed_entry_path_help();

}  // namespace cli

#endif
