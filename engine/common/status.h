// The outcome of an operation as one value: what came of it (a code), the message a front end
// shows for it (an id of the message table), the path it concerns and the system's own reason.
// ok() is cheap to ask; the rest says why not.
#ifndef ZOLK_ENGINE_STATUS_H
#define ZOLK_ENGINE_STATUS_H

#include <optional>
#include <string>

#include "engine/common/messages.h"

namespace engine {

struct status {
  enum class code {
    ok,
    no_points,   // the store holds no restore point
    busy,        // another process holds the store's lock
    not_locked,  // the lock file could not be made (a read-only medium, a path too long)
    failed,      // what a cut command left could not be completed
  };
  code what = code::ok;
  std::optional<msg> message;  // the line a front end shows; none where each words it itself
  std::string path;            // the store, or the file the outcome concerns
  std::string reason;          // the system's own words, when it gave any (CP932)

  bool ok() const { return what == code::ok; }
};

}  // namespace engine

#endif
