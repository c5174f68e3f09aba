// The time each restore point shows. A point shows its history folder's time, and a run
// changes the time of the folder before its own when it moves the older versions in; so
// after each run the folders' times are set back to the time of the run that made each.
#ifndef ZOLK_ENGINE_POINT_TIMES_H
#define ZOLK_ENGINE_POINT_TIMES_H

#include <string>

#include "platform/host.h"

namespace engine {

// Sets the time of every history folder of `destination` that has a change log beside it to
// that change log's time: the run that made the folder wrote its log last, and no later run
// writes it again. A folder without its log keeps its time. Best effort: a time that cannot
// be set changes nothing else, and the next run tries again.
void set_point_times_back(host::host& h, const std::string& destination);

}  // namespace engine

#endif
