// Steps of a backup run that are useful on their own.
#ifndef ZOLK_ENGINE_BACKUP_STEPS_H
#define ZOLK_ENGINE_BACKUP_STEPS_H

#include <string>

#include "platform/host.h"

namespace engine {

// Creates new_folder and moves every entry of previous_folder into it (renames only, so the
// cost does not depend on the size of the copy). An entry that cannot be moved stays where it
// is, as part of the older history. Returns 0, or -1 when new_folder could not be created.
int carry_forward_newest(host::host& h, const std::string& previous_folder,
                         const std::string& new_folder);

}  // namespace engine

#endif
