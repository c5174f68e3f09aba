#include "engine/history/opened_store.h"

#include <utility>

#include "engine/common/paths.h"
#include "engine/store/store_lock.h"

namespace engine {
namespace {

// Drops the lines of a command that writes none.
class silent_log : public run_log {
 public:
  void add_line(const std::string&) override {}
  void add_message(front_msg) override {}
};

}  // namespace

opened_store::opened_store(host::host& h, std::string path, state opened,
                           std::unique_ptr<host::lock> lock, cut_prune completed,
                           std::string reason)
    : h_(h), path_(std::move(path)), state_(opened), lock_(std::move(lock)), completed_(completed) {
  status_.path = path_;
  switch (state_) {
    case state::empty:
      status_.what = status::code::no_points;
      break;
    case state::busy:
      status_.what = status::code::busy;
      status_.message = msg::store_busy;
      break;
    case state::unlocked:
      status_.what = status::code::not_locked;
      status_.message = msg::store_not_locked;
      status_.path = path_join(path_, k_store_lock_name);
      status_.reason = std::move(reason);
      break;
    case state::open:
      break;
  }
  if (completed_ == cut_prune::failed) {
    status_.what = status::code::failed;
    status_.message = msg::prune_not_completed;
    status_.path = path_;
  }
}

std::vector<store_point> opened_store::points() const { return list_store_points(h_, path_); }

opened_store open_store(host::host& h, const std::string& store, const store_opening& how,
                        run_log& log) {
  using state = opened_store::state;
  if (how.empty_answered && scan_history_folders(h, store).empty()) {
    return opened_store(h, store, state::empty, nullptr, cut_prune::none);
  }
  host::lock_result lock = lock_store(h, store);
  if (lock.state == host::lock_state::busy) {
    return opened_store(h, store, state::busy, nullptr, cut_prune::none);
  }
  const state opened = lock.held ? state::open : state::unlocked;
  // Taken at once, before completing a cut prune may note a reason of its own.
  std::string reason = lock.held ? std::string() : h.take_failure_reason();
  cut_prune completed = cut_prune::none;
  if (how.completion == store_completion::unless_busy ||
      (how.completion == store_completion::when_locked && lock.held)) {
    completed = complete_cut_prune(h, store, log);
  }
  return opened_store(h, store, opened, std::move(lock.held), completed, std::move(reason));
}

opened_store open_store_to_read(host::host& h, const std::string& store) {
  silent_log none;
  store_opening how;
  how.empty_answered = true;
  return open_store(h, store, how, none);
}

}  // namespace engine
