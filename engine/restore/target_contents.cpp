#include "engine/restore/target_contents.h"

#include <vector>

#include "engine/common/paths.h"

namespace engine {

bool target_holds_entries(host::host& h, const std::string& target) {
  std::vector<host::found_entry> entries;
  // What cannot be listed is not known to be empty, so it is never overwritten unasked.
  if (!h.search(folder_search_pattern(target), entries)) return h.exists(target);
  for (const host::found_entry& entry : entries) {
    if (entry.name != "." && entry.name != "..") return true;
  }
  return false;
}

}  // namespace engine
