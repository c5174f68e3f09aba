// The checks a restore makes on its target folder before anything is written.
#ifndef ZOLK_ENGINE_RESTORE_TARGET_H
#define ZOLK_ENGINE_RESTORE_TARGET_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messages.h"

namespace engine {

// A path reduced to its pieces: "." dropped, ".." taking the piece before it away, empty
// pieces (runs of separators) dropped. `rooted` when it starts at a root or drive.
struct path_pieces {
  std::string drive;
  bool rooted = false;
  std::vector<std::string_view> pieces;
};
path_pieces reduce_path(std::string_view path);

// Why a restore into `target` from the store in `store` must not start, if it must not:
// an empty target, a root folder (also one spelled "/." or "c:\x\.."), the store itself, or
// a folder inside a history folder of the store (also one not made yet: it would become part
// of that history).
std::optional<msg> target_refusal(const std::string& target, const std::string& store);

}  // namespace engine

#endif
