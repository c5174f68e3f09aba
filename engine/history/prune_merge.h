// Thinning a point out of the history store: the store left behind restores every other point
// exactly as before.
//
// Three neighbouring points older < thinned < newer. The thinned folder holds what the newer
// run took out of the thinned point's tree; the older folder holds what the thinned run took
// out of the older point's tree. Afterwards the older folder, with the newer run's change log,
// must take the newer point's tree straight back to the older point's, as if the thinned run
// had never happened:
// - Folders: every entry of the thinned folder moves into the older folder unless the thinned
//   run's log names it (then the older point held either the older folder's version, which
//   wins, or nothing at that path: the entry was made by the thinned run). A folder that the
//   thinned run's log names something inside is merged entry by entry. Where both folders hold
//   an entry, the older folder's version wins: it is the version of the older point. What does
//   not move is the thinned point's alone and goes with it.
// - Change log: each path named by either log whose folders above are named by neither stands
//   for its whole subtree. It gets the lines that describe the older point against the newer:
//   "D-C " for a file changed in between, "D   " for what the older point held and the newer
//   does not hold as the same kind of entry, then "C   " or "S   " for what the newer point
//   holds that the older did not (a path both deleted and created keeps both lines, as a run
//   writes for a file that became a folder). A path neither point holds gets no line. Paths
//   only named below such a path are covered by its line, since a restore takes a named entry
//   with everything under it.
#ifndef ZOLK_ENGINE_PRUNE_MERGE_H
#define ZOLK_ENGINE_PRUNE_MERGE_H

#include <string>
#include <unordered_set>
#include <vector>

#include "engine/store/change_log.h"
#include "platform/host.h"

namespace engine {

// One line of a change log to write: its four-byte code and the path as a log holds it.
struct log_line {
  std::string code;
  std::string path;
  bool operator==(const log_line& o) const { return code == o.code && path == o.path; }
};

// The change log that replaces the newer run's log once the thinned point is gone: `thinned`
// is the thinned run's log, `newer` the newer run's. "D   " lines come first, then the others,
// each group in the order the paths first appear in the two logs. Lines with other codes or
// without a path are passed over.
std::vector<log_line> merge_change_logs(const change_log& thinned, const change_log& newer);

// Every path a log's "D   ", "D-C ", "C   " and "S   " lines name, as list keys (no leading
// separator), and every folder above one of them.
struct named_paths {
  std::unordered_set<std::string> named;
  std::unordered_set<std::string> above;
};
named_paths paths_named_by(const change_log& log);

// The folders above a key, outermost first ("a\b\c" -> "a", "a\b"); a trail byte 0x5C of a
// double-byte character never separates.
std::vector<std::string> folders_above(const std::string& key);

// The path a change log writes for a key: "\name" at the top, "a\b" below.
std::string log_path_of_key(const std::string& key);

// Moves the entries of the history folder `thinned` that the older point holds into `older`
// (both names of folders directly in `store`), by renames only, as described above;
// `thinned_log` is the thinned run's log. What stays in `thinned` is the thinned point's own.
// May be run again after a crash: entries already moved are gone from `thinned`. False, with
// `failure` set to the path, when an entry that must move could neither be moved nor found in
// `older` (then nothing is lost: it is still in `thinned`).
bool merge_history_folders(host::host& h, const std::string& store, const std::string& older,
                           const std::string& thinned, const named_paths& thinned_log,
                           std::string& failure);

}  // namespace engine

#endif
