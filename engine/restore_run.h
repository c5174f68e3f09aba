// Restore: rebuilds the tree of a chosen restore point inside a target folder.
#ifndef ZOLK_ENGINE_RESTORE_RUN_H
#define ZOLK_ENGINE_RESTORE_RUN_H

#include <string>

#include "engine/run_sinks.h"
#include "engine/run_summary.h"
#include "platform/host.h"

namespace engine {

// The texts the main window holds when the start button is pressed in restore mode.
struct restore_request {
  std::string point_entry;  // the chosen text of R_ListBox ("0002: 2026/12/08 10:20:30")
  int point_index = -1;     // its selection index; -1 means nothing chosen
  std::string store;        // Rdirname: the destination folder holding the history folders
  std::string source;       // Tdirname: only named in the opening lines
  std::string target;       // Bdirname: the folder the tree is rebuilt in
  bool overwrite = false;   // a target that already holds entries is restored into (entries
                            // of the same names are overwritten); otherwise it is refused
};

// Reads the store, writes the opening lines, gathers the restore list of the chosen point and
// restores it (run_restore). Nothing chosen or no history folder: returns with no line. A
// missing point, a refused target (restore_target.h), or a target holding entries without
// `overwrite`: refused with lines saying why, nothing written.
run_summary start_restore(host::host& h, const restore_request& request, run_log& log,
                          run_progress& progress);

// True when start_restore would find the point and accept the target, and the target already
// holds entries: the restore then needs `overwrite`, which the user is asked for first.
bool restore_needs_consent(host::host& h, const restore_request& request);

}  // namespace engine

#endif
