// Test support for restores: a whole tree as one comparable value.
#ifndef ZOLK_ENGINE_RESTORE_TEST_TREE_H
#define ZOLK_ENGINE_RESTORE_TEST_TREE_H

#include <map>
#include <string>
#include <vector>

#include "engine/common/paths.h"
#include "platform/host.h"
#include "platform/testing/temp_folder.h"

namespace restore_testing {

// Relative path ("a\b\name") -> "<folder>" or "<packed time>:<bytes>", every entry but "."
// and "..".
using tree = std::map<std::string, std::string>;

inline void add_tree(host::host& h, const std::string& root, const std::string& relative,
                     tree& out) {
  std::vector<host::found_entry> entries;
  const engine::piece sub = relative.empty() ? std::nullopt : engine::piece(relative);
  h.search(engine::folder_search_pattern(root, sub), entries);
  for (const host::found_entry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string key = relative.empty() ? entry.name : relative + "\\" + entry.name;
    if ((entry.attributes & host::k_directory) != 0) {
      out[key] = "<folder>";
      add_tree(h, root, key, out);
    } else {
      out[key] = std::to_string(entry.time) + ":" + testing_support::read_file(root + "/" + key);
    }
  }
}

inline tree tree_of(const std::string& root) {
  tree out;
  add_tree(host::default_host(), root, "", out);
  return out;
}

}  // namespace restore_testing

#endif
