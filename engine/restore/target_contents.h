// Whether a restore would write among files that are already in its target.
#ifndef ZOLK_ENGINE_TARGET_CONTENTS_H
#define ZOLK_ENGINE_TARGET_CONTENTS_H

#include <string>

#include "platform/host.h"

namespace engine {

// True when `target` holds at least one entry, or stands there but cannot be listed (a file,
// a folder that may not be read): a restore into it could overwrite something. False for a
// missing target and for an empty folder.
bool target_holds_entries(host::host& h, const std::string& target);

}  // namespace engine

#endif
