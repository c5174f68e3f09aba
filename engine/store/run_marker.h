// The marker a backup run keeps in the destination folder while it works. A run that finds
// one knows the run before it was cut off, and where: it completes that run first.
#ifndef ZOLK_ENGINE_RUN_MARKER_H
#define ZOLK_ENGINE_RUN_MARKER_H

#include <optional>
#include <string>

#include "engine/backup/snapshot.h"
#include "platform/host.h"

namespace engine {

// Kept at the destination root, which is never scanned as part of a history folder; a
// source file of the same name is backed up like any other.
constexpr const char* k_run_marker_name = ".zolk-run";

struct run_marker {
  std::string new_folder;       // the history folder the run creates ("Zolk0003")
  std::string previous_folder;  // the newest before it ("Zolk0002"); empty in a first run
  bool carried = false;         // every entry of the previous folder has been moved forward
};

// Writes the marker whole or not at all (temporary file, then replace), and pushes it to disk.
// On failure no temporary file is left, and the marker that stood before may still stand.
bool write_run_marker(host::host& h, const std::string& destination, const run_marker& marker);

// The marker of an interrupted run, if there is one and it reads as a marker.
std::optional<run_marker> read_run_marker(host::host& h, const std::string& destination);

bool remove_run_marker(host::host& h, const std::string& destination);

// True when something stands at the marker's place, whether or not it reads as a marker.
bool run_marker_present(host::host& h, const std::string& destination);

// What a marker is to the store as it stands now (history: scan_history_folders, newest first).
enum class marker_match {
  complete,   // names the newest folder and the one directly below it (none in a first run):
              // the run that made the newest folder was cut, and is completed
  unstarted,  // the run was cut before it made its folder: the store is as it was before it
  stale,      // anything else: never acted on
};
marker_match match_run_marker(const run_marker& marker, const folder_tree& history);

// The history folder of a backup run that was stopped or killed and that no run has completed
// yet: the newest of `history` (scan_history_folders of `destination`) when the marker matches
// it (marker_match::complete); null otherwise. Its entries are part old, part new: it is no
// point of the source until the next run completes it.
const folder_node* unfinished_folder(host::host& h, const std::string& destination,
                                     const folder_tree& history);

// Renames the marker aside under a free name (never deleting it). The new path, or the
// marker's own path when it could not be renamed.
std::string set_aside_run_marker(host::host& h, const std::string& destination);

}  // namespace engine

#endif
