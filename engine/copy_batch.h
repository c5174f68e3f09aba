// Copies of a run's small files, on two threads where the host allows it.
//
// A first run of many tiny files spends nearly all of its time in the system, making each
// file, filling it and giving it its time, and little of that waits on the disk: a second
// processor copying one folder's files while the run copies the next folder's takes a fifth
// to a third off the whole. Two threads making files in one folder mostly wait on each
// other (the system makes a folder's entries one at a time), so the helper is handed a whole
// batch, one folder's files, and the caller goes on to the next. Only copies that go
// straight under their own names (copy_file_in_place) are shared out, since two copies
// through the temporary name of one folder would write the same file. The caller reports the
// outcomes afterwards, batch by batch in its own order, so the run's lines are the same
// whichever thread made which file.
#ifndef ZOLK_ENGINE_COPY_BATCH_H
#define ZOLK_ENGINE_COPY_BATCH_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_copy.h"
#include "engine/helper_thread.h"
#include "engine/progress_meter.h"
#include "platform/host.h"

namespace engine {

// A file may join a batch when it is no longer than this: a longer one is copied alone, its
// blocks shown as they are written.
constexpr uint64_t k_batch_file_length = 65536;
// A batch is never longer than this, so that the run's lines and progress keep up.
constexpr size_t k_batch_files = 256;

// Set as the outcome of a file the batch never started (the run was asked to stop first);
// no copy function returns it.
constexpr int k_copy_not_started = -100;

struct batch_file {
  std::string source;
  std::string relative;  // the caller's name for the file in its report
  place target;
  // Filled in by the copy.
  int result = k_copy_not_started;
  int64_t length = -1;  // as the copy found the source when it opened it; -1 when it did not
  int64_t copied = 0;   // bytes written
  std::string reason;   // the host's words for a failure, taken on the thread that failed
};

// Every copy is made with copy_file_in_place, the files of a batch in the batch's order.
// Once a stop is asked for, no further file is started: the files started are always the
// first ones of a batch, and each of them ends (done, failed, stopped).
class copy_batch {
 public:
  // `stop` (may be null) is looked at before each file and between the blocks of a copy.
  copy_batch(host::host& h, const stop_request* stop);
  copy_batch(const copy_batch&) = delete;
  copy_batch& operator=(const copy_batch&) = delete;

  // True when a helper takes batches: the host allows it and there is a second processor.
  bool shared() const { return shared_; }

  // Hands `files` to the helper, which copies them while the caller goes on; the caller
  // leaves `files` alone until finish() returns. One batch at a time, and only when shared().
  void start(std::vector<batch_file>& files);
  // True between start() and finish().
  bool started() const { return started_ != nullptr; }
  // Copies the files the helper has not yet taken of the started batch (if any) on the
  // caller's thread, and returns once the helper is done with it.
  void finish();

  // Copies `files` on the caller's thread.
  void copy_here(std::vector<batch_file>& files);

 private:
  // Takes the next file of `files` through `next` until none is left.
  void take_files(std::vector<batch_file>& files, std::atomic<size_t>& next,
                  transfer_buffer& buffer);
  void copy_one(batch_file& f, transfer_buffer& buffer);

  host::host& h_;
  const stop_request* stop_;
  transfer_buffer own_buffer_;
  transfer_buffer helper_buffer_;
  const bool shared_;
  std::vector<batch_file>* started_ = nullptr;
  std::atomic<size_t> next_{0};  // the next file of the started batch to take
  std::unique_ptr<helper_thread> helper_;  // made for the first batch started
};

}  // namespace engine

#endif
