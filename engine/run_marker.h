// The marker a backup run keeps in the destination folder while it works. A run that finds
// one knows the run before it was cut off, and where: it completes that run first.
#ifndef ZOLK_ENGINE_RUN_MARKER_H
#define ZOLK_ENGINE_RUN_MARKER_H

#include <optional>
#include <string>

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
bool write_run_marker(host::host& h, const std::string& destination, const run_marker& marker);

// The marker of an interrupted run, if there is one and it reads as a marker.
std::optional<run_marker> read_run_marker(host::host& h, const std::string& destination);

bool remove_run_marker(host::host& h, const std::string& destination);

}  // namespace engine

#endif
