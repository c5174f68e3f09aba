// Reading one level of the source and the same level of the copy, at once where the host
// allows it.
//
// A run that finds little changed does hardly anything but read the two trees, and on a tree
// of small folders nearly all of that time is spent waiting on the system for the states of
// the entries. Where the host can search on two threads at once, the copy's level is read on
// a helper thread while the caller reads the source's, so the two walks take about the time
// of one. Elsewhere (a host that cannot, a test host counting its calls in order) the levels
// are read one after the other, the source's first.
#ifndef ZOLK_ENGINE_PAIRED_LEVELS_H
#define ZOLK_ENGINE_PAIRED_LEVELS_H

#include <memory>
#include <string>

#include "engine/backup/snapshot.h"
#include "engine/common/helper_thread.h"
#include "platform/host.h"

namespace engine {

struct level_pair {
  folder_tree source;
  folder_tree copy;
};

class paired_levels {
 public:
  paired_levels(host::host& h, const std::string& copy_root, const std::string& source_root);
  paired_levels(const paired_levels&) = delete;
  paired_levels& operator=(const paired_levels&) = delete;

  // The two levels at `relative` (null: the top), as scan_folder_level reads them. Read in
  // turn, the copy's level is left empty when the source's could not be read, unless
  // `copy_always`.
  level_pair read(const std::string* relative, bool copy_always);

 private:
  host::host& h_;
  const std::string copy_root_;
  const std::string source_root_;
  std::unique_ptr<helper_thread> helper_;  // null where the levels are read in turn
};

}  // namespace engine

#endif
