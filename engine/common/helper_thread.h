// A second thread that does one job at a time for the thread that owns it.
//
// The jobs a run hands over are short (reading one folder, copying a folder's small files) and
// come by the thousand, so starting a thread for each would cost more than some of them. The
// helper lives as long as its owner and waits between jobs. The owner waiting for a job to
// end spins briefly before it sleeps, since waking a sleeping thread costs more than many a
// job; so may the helper waiting for the next job.
#ifndef ZOLK_ENGINE_HELPER_THREAD_H
#define ZOLK_ENGINE_HELPER_THREAD_H

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace engine {

class helper_thread {
 public:
  // `idle_spins`: how many times the helper looks for its next job before it sleeps (each
  // look a pause of the processor); 0 where jobs come far apart, so that a waiting helper
  // leaves its processor to the system, which may have work of the run's to do there.
  explicit helper_thread(int idle_spins);
  // Waits for a job still running, then ends the thread.
  ~helper_thread();
  helper_thread(const helper_thread&) = delete;
  helper_thread& operator=(const helper_thread&) = delete;

  // Hands `job` to the helper, which starts it at once. Only one job at a time: the owner
  // calls finish() before it starts another. What the job touches must stay untouched by
  // the owner until finish() returns.
  void start(std::function<void()> job);
  // Returns once the job started last has ended.
  void finish();

  // How many times the owner waiting on its helper looks before it sleeps: about a tenth of
  // a millisecond, longer than reading a folder of a few dozen entries takes. Waking a
  // sleeping thread costs more than that on many machines.
  static constexpr int k_spins = 4096;

  // True when a helper could run beside its owner at all (more than one processor).
  static bool worthwhile() { return std::thread::hardware_concurrency() > 1; }

 private:
  static constexpr int k_idle = 0;
  static constexpr int k_asked = 1;    // job_ holds the job to do
  static constexpr int k_done = 2;     // the job has ended
  static constexpr int k_closing = 3;  // the owner is going away

  void serve();
  void tell(int state);
  template <class Ready>
  void await_until(Ready ready, int spins);

  const int idle_spins_;
  std::atomic<int> state_{k_idle};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;  // written by the owner before it asks
  std::thread thread_;         // last: starts once everything above is in place
};

}  // namespace engine

#endif
