// FIFOs for tests of code that must never wait on one. POSIX only.
#ifndef ZOLK_PLATFORM_TESTING_FIFO_H
#define ZOLK_PLATFORM_TESTING_FIFO_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Puts a FIFO at `path` (a plain path); false when it cannot.
inline bool make_fifo(const std::string& path) { return mkfifo(path.c_str(), 0600) == 0; }

// Runs `work` and gives it `seconds`. Past that, each FIFO of `fifos` is opened and closed
// (and drained) from here again and again until `work` returns, which frees a call stuck on
// one, so that
// a failing test ends instead of hanging. True when `work` returned in time.
inline bool ends_in_time(const std::function<void()>& work, const std::vector<std::string>& fifos,
                         int seconds = 10) {
  std::future<void> done = std::async(std::launch::async, work);
  if (done.wait_for(std::chrono::seconds(seconds)) == std::future_status::ready) return true;
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    for (const std::string& fifo : fifos) {
      const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
      if (fd < 0) continue;
      char drained[65536];
      while (read(fd, drained, sizeof drained) > 0) {
      }
      close(fd);
    }
  }
  return false;
}

}  // namespace testing_support

#endif
