// The marker a prune keeps in the destination folder while it changes the store: the whole
// plan and how far it has come. A prune that is cut off is completed from it by the next
// command that takes the store's lock (backup, restore, prune, verify).
#ifndef ZOLK_ENGINE_PRUNE_MARKER_H
#define ZOLK_ENGINE_PRUNE_MARKER_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace engine {

// Zolk's own files of a prune, all at the destination root, none of them part of the store.
constexpr const char* k_prune_marker_name = ".zolk-prune";
constexpr const char* k_prune_marker_temp_name = ".zolk-prune.tmp";
constexpr const char* k_prune_log_temp_name = ".zolk-prune.Zcl";  // the merged change log
constexpr const char* k_prune_trash_prefix = ".zolk-pruned.";     // + the folder or log name

// The steps of a prune in the order they are made. Each can be made again after a crash.
enum class prune_phase {
  merge,     // the thinned folder's entries move into the older folder
  log,       // the merged change log replaces the newer run's log
  trash,     // the folders and logs of the points that go are renamed aside
  renumber,  // the points left are renamed to 0001, 0002, ... in order
  empty,     // what was renamed aside is removed, then the marker
};

struct prune_rename {
  std::string from;  // "Zolk0004"
  std::string to;    // "Zolk0003"
  bool log = false;  // its change log is renamed too
};

struct prune_plan {
  prune_phase phase = prune_phase::merge;
  // A thinned point: its folder merges into `older`, and `newer`'s change log is replaced.
  std::string older, thinned, newer;  // all empty when no point is thinned
  uint32_t older_time = 0;            // the older folder's time, set back after the merge
  std::vector<std::string> dropped;   // oldest points that go whole
  std::vector<prune_rename> renames;  // oldest first
  bool thins() const { return !thinned.empty(); }
};

// Writes the marker whole or not at all (temporary file, then replace) and pushes it to disk.
bool write_prune_marker(host::host& h, const std::string& destination, const prune_plan& plan);

// The plan of a cut prune; nullopt when there is no marker or it does not read as one (then
// `present` tells whether something stands at its name). Only history folder names are ever
// taken from it, never paths.
std::optional<prune_plan> read_prune_marker(host::host& h, const std::string& destination,
                                            bool* present = nullptr);

// The name a folder or change log takes while it waits to be removed.
std::string prune_trash_name(const std::string& name);

}  // namespace engine

#endif
