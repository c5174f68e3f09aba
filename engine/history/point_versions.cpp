#include "engine/history/point_versions.h"

#include "engine/history/point_walk.h"
#include "engine/restore/restore_list.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

// The last piece of a history folder's path: the item keeps the whole path.
std::string folder_name_of(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

path_versions_result read_path_versions(host::host& h, const std::string& store,
                                        const std::string& path) {
  path_versions_result result;
  if (!entry_key(path)) {
    result.outcome = path_versions_result::state::bad_path;
    return result;
  }
  const opened_store opened = open_store_to_read(h, store);
  if (opened.opened() == opened_store::state::empty) return result;
  if (opened.opened() == opened_store::state::busy) {
    result.outcome = path_versions_result::state::busy;
    return result;
  }
  return read_path_versions(opened, path);
}

path_versions_result read_path_versions(const opened_store& opened, const std::string& path) {
  host::host& h = opened.host();
  const std::string& store = opened.path();
  path_versions_result result;
  const std::optional<std::string> key = entry_key(path);
  if (!key) {
    result.outcome = path_versions_result::state::bad_path;
    return result;
  }
  const folder_tree history = scan_history_folders(h, store);
  if (history.empty()) return result;
  restore_list list;
  bool anywhere = false;
  walk_points(h, store, history, nullptr, list, result.unread_logs,
              [&](const folder_node& point, const restore_list& at_point) {
                path_version version;
                version.point_entry = point_entry(point);
                if (const restore_item* item = at_point.find(*key)) {
                  version.present = anywhere = true;
                  version.is_folder = item->is_folder();
                  version.time = item->time;
                  version.size = item->size;
                  version.stored_in = folder_name_of(*item->store_folder);
                }
                result.versions.push_back(std::move(version));
              });
  // Walked newest first, so a point's next older point is known only afterwards.
  for (size_t i = 0; i + 1 < result.versions.size(); ++i) {
    result.versions[i].deleted = !result.versions[i].present && result.versions[i + 1].present;
  }
  result.outcome =
      anywhere ? path_versions_result::state::read : path_versions_result::state::no_path;
  return result;
}

}  // namespace engine
