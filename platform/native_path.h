// Turning Zolk's CP932 paths into the host's own path text.
#ifndef ZOLK_PLATFORM_NATIVE_PATH_H
#define ZOLK_PLATFORM_NATIVE_PATH_H

#include <string>
#include <vector>

namespace host {

// Whether a name on this host may hold a `\` (POSIX): a `\` a user types there is then a name
// character, never a separator.
#ifdef _WIN32
constexpr bool k_backslash_in_names = false;
#else
constexpr bool k_backslash_in_names = true;
#endif

// Splits a CP932 path at its separators (`\` outside a double-byte character, and `/`).
// A leading separator gives an empty first piece; a drive prefix such as "c:" stays in the
// first piece. Empty pieces between separators are dropped.
std::vector<std::string> split_path(const std::string& cp932_path);

// The host's own form of a CP932 path, as UTF-8. POSIX: pieces joined with '/', every byte
// of a piece kept (there is no drive: "c:\x" is the relative "c:/x"). Windows: pieces joined
// with '\', the drive kept (WTF-8, see wide_text.h).
std::string native_path(const std::string& cp932_path);

// A CP932 text shown to the user (a run-log line), with the separators of the paths in it in
// the host's own form. POSIX: every `\` outside a double-byte character becomes `/` (a `\`
// inside a POSIX name is carried escaped, so such a byte is always a separator; the trail
// byte 0x5C of 表 is never touched). Windows: the text as it stands.
std::string shown_text(const std::string& cp932_text);

// The folder a search pattern ("folder\*.*") lists, in the host's own form.
std::string native_folder_of_pattern(const std::string& cp932_pattern);

// The folder a search pattern lists, still as CP932: everything before the last separator,
// which is kept for a root ("\*.*" gives "\"; on Windows "c:\*.*" gives "c:\"); "." when there
// is none.
std::string folder_of_pattern(const std::string& cp932_pattern);

}  // namespace host

#endif
