// One way into a history store. Every command that reads or changes a store opens it here:
// the store's lock is taken (the OS lock on .zolk-lock; the host has only an exclusive lock, so
// a reader holds it for the time it reads, which also keeps a prune from renumbering the points
// under it), what a cut prune left is completed where the command calls for it, and the points
// are listed as typed points.
#ifndef ZOLK_ENGINE_OPENED_STORE_H
#define ZOLK_ENGINE_OPENED_STORE_H

#include <memory>
#include <string>
#include <vector>

#include "engine/common/run_sinks.h"
#include "engine/common/status.h"
#include "engine/history/prune_steps.h"
#include "engine/store/history_store.h"
#include "platform/host.h"

namespace engine {

// What opening a store completes of a prune that was cut off.
enum class store_completion {
  none,         // nothing: the command only reads (a point's changes, a path's versions)
  when_locked,  // completed when the lock is held (backup, prune, verify)
  unless_busy,  // completed unless another process holds the lock (restore: a store on a
                // read-only medium, where the lock file cannot be made, is still restored)
};

// How a command opens a store.
struct store_opening {
  // True: a store without history folders is answered `empty`, and nothing is taken or
  // written in it (a mistyped folder gains no lock file). A backup opens a new store; a
  // command that looked at the store already has no need to look again.
  bool empty_answered = false;
  store_completion completion = store_completion::none;
};

// A store as a command holds it: the lock (while the object lives) and what opening did.
class opened_store {
 public:
  enum class state {
    open,      // the lock is held
    unlocked,  // the lock file could not be made (a read-only medium): open without a lock
    busy,      // another process holds the lock: nothing was completed or read
    empty,     // no history folder (only with store_opening::empty_answered): nothing taken
  };

  opened_store(host::host& h, std::string path, state opened, std::unique_ptr<host::lock> lock,
               cut_prune completed, std::string reason = std::string());

  host::host& host() const { return h_; }
  const std::string& path() const { return path_; }
  state opened() const { return state_; }
  // True when a command may go on reading: open, or open without a lock.
  bool usable() const { return state_ == state::open || state_ == state::unlocked; }
  bool locked() const { return lock_ != nullptr; }
  // What completing a cut prune came to (none when nothing was completed).
  cut_prune completed() const { return completed_; }
  // The same as one value: ok for a store open under its lock with nothing left failed;
  // no_points, busy (msg::store_busy), not_locked (msg::store_not_locked, the lock file and the
  // system's reason; a reader goes on all the same) or failed (msg::prune_not_completed).
  const engine::status& status() const { return status_; }

  // The points of the store now, newest first (list_store_points).
  std::vector<store_point> points() const;

 private:
  host::host& h_;
  std::string path_;
  state state_;
  std::unique_ptr<host::lock> lock_;
  cut_prune completed_;
  engine::status status_;
};

// Opens the store in `store` as `how` says, without waiting for the lock. Lines of a completed
// (or failed) cut prune go to `log`; opening itself writes none: each command says in its
// own way that a store is busy or empty.
opened_store open_store(host::host& h, const std::string& store, const store_opening& how,
                        run_log& log);

// The same for a command that only reads, and so completes nothing and writes no lines: a
// store without history folders is answered `empty`.
opened_store open_store_to_read(host::host& h, const std::string& store);

}  // namespace engine

#endif
