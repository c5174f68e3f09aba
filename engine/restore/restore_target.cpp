#include "engine/restore/restore_target.h"

#include "engine/common/paths.h"
#include "engine/store/history_store.h"
#include "platform/cp932.h"

namespace engine {
std::string joined_path(const path_pieces& path) {
  std::string out = path.drive;
  if (path.rooted) out += '\\';
  for (std::string_view part : path.pieces) {
    out += part;
    out += '\\';
  }
  return out;
}

path_pieces reduce_path(std::string_view path) {
  path_pieces out;
  const size_t drive = drive_prefix_length(path);
  out.drive = std::string(path.substr(0, drive));
  path.remove_prefix(drive);
  out.rooted = !out.drive.empty() || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
  out.network = out.drive.empty() && path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
  const size_t kept = out.network ? 2 : 0;
  size_t start = 0;
  const auto take = [&](size_t end) {
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (out.pieces.size() > kept) out.pieces.pop_back();
    } else if (!part.empty() && part != ".") {
      out.pieces.push_back(part);
    }
    start = end + 1;
  };
  for (const size_t i : cp932::path_separators(path)) take(i);
  take(path.size());
  return out;
}

std::optional<msg> target_refusal(const std::string& target, const std::string& store) {
  if (target.empty()) return msg::restore_target_empty;
  const path_pieces reduced_target = reduce_path(target);
  const size_t root_depth = reduced_target.network ? 2 : 0;
  if (!root_folder_check(target) ||
      (reduced_target.rooted && reduced_target.pieces.size() <= root_depth)) {
    return msg::restore_target_is_root;
  }
  const path_pieces reduced_store = reduce_path(store);
  // A relative path cannot be set against an absolute one without the working folder.
  if (reduced_store.pieces.empty() || reduced_store.rooted != reduced_target.rooted ||
      !path_is_within(joined_path(reduced_target), joined_path(reduced_store))) {
    return std::nullopt;
  }
  const size_t depth = reduced_store.pieces.size();
  if (reduced_target.pieces.size() == depth ||
      is_history_folder_name(std::string(reduced_target.pieces[depth]))) {
    return msg::restore_target_in_history;
  }
  return std::nullopt;
}

std::optional<msg> target_refusal(host::host& h, const std::string& target,
                                  const std::string& store) {
  if (const std::optional<msg> reason = target_refusal(target, store)) return reason;
  const std::string real_target = h.real_path(target);
  const std::string real_store = h.real_path(store);
  if (real_target.empty() || real_store.empty()) return std::nullopt;
  return target_refusal(real_target, real_store);
}

}  // namespace engine
