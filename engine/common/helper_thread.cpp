#include "engine/common/helper_thread.h"

#include <utility>

namespace engine {
namespace {

void pause_briefly() {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

helper_thread::helper_thread(int idle_spins)
    : idle_spins_(idle_spins), thread_([this] { serve(); }) {}

helper_thread::~helper_thread() {
  finish();
  tell(k_closing);
  thread_.join();
}

void helper_thread::start(std::function<void()> job) {
  job_ = std::move(job);
  tell(k_asked);
}

void helper_thread::finish() {
  if (state_.load() == k_idle) return;
  await_until([this] { return state_.load() == k_done; }, k_spins);
  job_ = nullptr;
  state_.store(k_idle);
}

void helper_thread::serve() {
  for (;;) {
    await_until(
        [this] {
          const int now = state_.load();
          return now == k_asked || now == k_closing;
        },
        idle_spins_);
    if (state_.load() == k_closing) return;
    job_();
    tell(k_done);
  }
}

void helper_thread::tell(int state) {
  state_.store(state);
  // Taking the lock orders this with a waiter between its last look and its sleep.
  { const std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

template <class Ready>
void helper_thread::await_until(Ready ready, int spins) {
  for (int i = 0; i < spins; ++i) {
    if (ready()) return;
    pause_briefly();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, ready);
}

}  // namespace engine
