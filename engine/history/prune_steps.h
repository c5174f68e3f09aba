// Carrying out a prune plan, and completing a prune that was cut off.
//
// Crash safety: the merged change log is written to a temporary file first, then the marker
// with the whole plan; from then on every step is a rename until the last, which removes what
// was renamed aside, and the marker goes after that. Each phase can be made again: the merge
// moves only what is still in the thinned folder, and a rename is made only while its source
// stands and its target does not. The marker moves to the next phase only once a phase is
// whole (pushed to disk), so a phase that depends on names the next one reuses (the thinned
// folder's name is taken by the point after it) is never made again once that can happen.
#ifndef ZOLK_ENGINE_PRUNE_STEPS_H
#define ZOLK_ENGINE_PRUNE_STEPS_H

#include <string>

#include "engine/common/run_sinks.h"
#include "engine/store/prune_marker.h"
#include "platform/host.h"

namespace engine {

// Makes every phase of `plan` from plan.phase on, writing the marker as each is done, and
// removes the marker at the end. False, with `failure` naming the path, when a step could not
// be made: the marker then still tells the next command where to go on.
bool carry_out_prune(host::host& h, const std::string& store, prune_plan& plan,
                     std::string& failure);

// What completing a cut prune came to.
enum class cut_prune {
  none,        // there was none: the store is as a prune or run left it
  completed,   // a cut prune was completed
  renumbered,  // ... and its points were numbered anew
  failed,      // it could not be completed, or its marker does not read: the store must not be
               // changed or read as a whole until it is
};

// For a command holding the store's lock: completes a cut prune, if there is one, with lines
// to `log` saying so (or why it could not be). Without a marker, temporary files a prune left
// before it wrote its marker are removed.
cut_prune complete_cut_prune(host::host& h, const std::string& store, run_log& log);

}  // namespace engine

#endif
