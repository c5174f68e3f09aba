// The checks a restore makes on its target folder before anything is written.
#ifndef ZOLK_ENGINE_RESTORE_TARGET_H
#define ZOLK_ENGINE_RESTORE_TARGET_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/messages.h"
#include "platform/host.h"

namespace engine {

// A path reduced to its pieces: "." dropped, ".." taking the piece before it away, empty
// pieces (runs of separators) dropped. `rooted` when it starts at a root or drive; `network`
// when it starts with `\\` (its first two pieces, server and share, are never taken away).
struct path_pieces {
  std::string drive;
  bool rooted = false;
  bool network = false;
  std::vector<std::string_view> pieces;
};
path_pieces reduce_path(std::string_view path);
// The pieces written back as one path, each piece followed by `\`: "c:\a\b\".
std::string joined_path(const path_pieces& path);

// Why a restore into `target` from the store in `store` must not start, if it must not:
// an empty target, a root folder (also one spelled "/.", "c:\x\.." or "\\s\t\x\.."), the store
// itself, or a folder inside a history folder of the store (also one not made yet: it would become
// part of that history).
std::optional<msg> target_refusal(const std::string& target, const std::string& store);

// The same, then once more on the real locations of both folders (host::real_path), so that
// a target reached through a link or an alias of the store is refused as well.
std::optional<msg> target_refusal(host::host& h, const std::string& target,
                                  const std::string& store);

}  // namespace engine

#endif
