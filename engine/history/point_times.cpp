#include "engine/history/point_times.h"

#include <unordered_map>
#include <vector>

#include "engine/common/paths.h"
#include "engine/store/change_log.h"
#include "engine/store/history_store.h"

namespace engine {

void set_point_times_back(host::host& h, const std::string& destination) {
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(destination), entries)) return;
  // One listing gives both the folders and their logs: no call per point beyond the times
  // that are actually wrong.
  std::unordered_map<std::string, uint32_t> log_times;
  for (const host::found_entry& entry : entries) {
    const bool plain_file = (entry.attributes & host::k_directory) == 0 && !entry.is_link &&
                            !entry.is_special && !entry.unreadable;
    // A store copied elsewhere may spell a folder and its log in other letter cases.
    if (plain_file && is_change_log_name(entry.name)) {
      log_times[folded_store_name(entry.name.substr(0, 8))] = entry.time;
    }
  }
  for (const host::found_entry& entry : entries) {
    const bool plain_folder =
        (entry.attributes & host::k_directory) != 0 && !entry.is_link && !entry.is_special;
    if (!plain_folder || !is_history_folder_name(entry.name)) continue;
    const auto log = log_times.find(folded_store_name(entry.name));
    if (log == log_times.end() || log->second == entry.time) continue;
    if (!h.set_folder_time(path_join(destination, entry.name), log->second)) {
      h.take_failure_reason();  // not the reason of any entry the run reports
    }
  }
}

}  // namespace engine
