// Path helpers shared by the engine and the folder fields. Paths are CP932 bytes; the
// separator is `\` outside a double-byte character (a trail byte 0x5C never separates).
// No fixed-size buffers: any length is handled.
#ifndef ZOLK_ENGINE_PATHS_H
#define ZOLK_ENGINE_PATHS_H

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// An optional path piece: std::nullopt stands for "no piece" (not the same as an empty one).
using piece = std::optional<std::string_view>;

// base, then `\` and first when given, then `\` and second when given; every run of `\`
// in the result (base included) becomes one, except the leading `\\` of a base that is a
// network path ("\\server\share"). No base and a first give "\first".
std::string path_join(piece base, piece first = std::nullopt, piece second = std::nullopt);

// The search pattern of a folder: "c:\data" -> "c:\data\*.*"; a final component starting
// with `*` is dropped ("c:\data\*.*" -> "c:\data\*.*"); sub_path (no leading separator) is
// added below the folder. "/" also separates here.
std::string folder_search_pattern(std::string_view folder, piece sub_path = std::nullopt);

// False for a root folder: a path whose remainder after a drive prefix is shorter than two
// bytes ("c:\", "c:", "\", ""). Two bytes and more are accepted ("c:\a" is a folder).
// A path starting with `\\` is a network path: false up to its share ("\\server\share\"),
// true below it ("\\server\share\folder").
bool root_folder_check(std::string_view path);

// Length of the drive prefix ("c:") of a path: 2 or 0. Always 0 on POSIX, where ':' is an
// ordinary name byte.
size_t drive_prefix_length(std::string_view path);

// The folder part of a path without its final component and the separator before it
// ("c:\a\f.txt" -> "c:\a", "/x" -> "", "f" -> ""); `\` and `/` both separate.
std::string parent_folder(std::string_view path);

// True when `inner` is `outer` or lies below it (compared piece by piece, byte for byte,
// ASCII letters folded, `/` and `\` alike).
bool path_is_within(std::string_view inner, std::string_view outer);

}  // namespace engine

#endif
