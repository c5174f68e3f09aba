#include "engine/paired_levels.h"

#include <utility>

namespace engine {
namespace {

// How long a side waiting on the other spins before it sleeps: about a tenth of a
// millisecond, longer than reading a folder of a few dozen entries takes. Waking a sleeping
// thread costs more than that on many machines, and would cost it twice a folder.
constexpr int k_spins = 4096;

void pause_briefly() {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

paired_levels::paired_levels(host::host& h, const std::string& copy_root,
                             const std::string& source_root)
    : h_(h), copy_root_(copy_root), source_root_(source_root) {
  // On a single processor the helper could only take turns with the caller.
  if (h_.parallel_searches() && std::thread::hardware_concurrency() > 1) {
    helper_ = std::thread([this] { serve(); });
  }
}

paired_levels::~paired_levels() {
  if (!helper_.joinable()) return;
  tell(k_closing);
  helper_.join();
}

level_pair paired_levels::read(const std::string* relative, bool copy_always) {
  level_pair pair;
  if (!helper_.joinable()) {
    pair.source = scan_folder_level(h_, source_root_, relative);
    if (copy_always || pair.source.root_readable()) {
      pair.copy = scan_folder_level(h_, copy_root_, relative);
    }
    return pair;
  }
  at_top_ = relative == nullptr;
  relative_ = relative != nullptr ? *relative : std::string();
  tell(k_asked);
  pair.source = scan_folder_level(h_, source_root_, relative);
  await(k_answered);
  pair.copy = std::move(answer_);
  state_.store(k_idle);
  return pair;
}

void paired_levels::serve() {
  for (;;) {
    await_request();
    if (state_.load() == k_closing) return;
    answer_ = scan_folder_level(h_, copy_root_, at_top_ ? nullptr : &relative_);
    tell(k_answered);
  }
}

void paired_levels::tell(int state) {
  state_.store(state);
  // Taking the lock orders this with a waiter between its last look and its sleep.
  { const std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

void paired_levels::await(int state) {
  await_until([this, state] { return state_.load() == state; });
}

void paired_levels::await_request() {
  await_until([this] {
    const int now = state_.load();
    return now == k_asked || now == k_closing;
  });
}

template <class Ready>
void paired_levels::await_until(Ready ready) {
  for (int i = 0; i < k_spins; ++i) {
    if (ready()) return;
    pause_briefly();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, ready);
}

}  // namespace engine
