// Copies of small files for a run or a restore, on two threads where the host allows it.
//
// A first run (or a restore) of many tiny files spends nearly all of its time in the
// system, making each file, filling it and giving it its time, and little of that waits on
// the disk: a second processor copying one folder's files while the run copies the next
// folder's takes a fifth to a third off the whole. Two threads making files in one folder
// mostly wait on each other (the system makes a folder's entries one at a time), so the
// helper is handed a whole batch, one folder's files, and the caller goes on to the next.
// The caller reports the outcomes afterwards, batch by batch in its own order, so the lines
// are the same whichever thread made which file.
#ifndef ZOLK_ENGINE_COPY_BATCH_H
#define ZOLK_ENGINE_COPY_BATCH_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/file_copy.h"
#include "engine/common/helper_thread.h"
#include "engine/common/progress_meter.h"
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

// How the files of a batch are written.
enum class batch_writes {
  // Straight under their own names (copy_file_in_place), as a run does in a folder whose
  // entries belong to no point yet. Two batches may share a folder.
  in_place,
  // Through the process's temporary name beside each target (copy_file_with_progress), as
  // a restore does, so that no file is ever seen half-written under its name. Two copies into
  // one folder at once would write through the same temporary file: the caller never lets
  // the helper's batch and its own lie in one folder, and the helper copies its batch alone.
  through_temporary_name,
};

// The copies of a batch are made in the batch's order. Once a stop is asked for, no further
// file is started: the files started are always the first ones of a batch, and each of them
// ends (done, failed, stopped).
class copy_batch {
 public:
  // `stop` (may be null) is looked at before each file and between the blocks of a copy.
  copy_batch(host::host& h, const stop_request* stop, batch_writes writes = batch_writes::in_place);
  copy_batch(const copy_batch&) = delete;
  copy_batch& operator=(const copy_batch&) = delete;

  // True when a helper takes batches: the host allows it and there is a second processor.
  bool shared() const { return shared_; }

  // Hands `files` to the helper, which copies them while the caller goes on. One batch at a
  // time, and only when shared().
  void start(std::vector<batch_file> files);
  // True between start() and finish().
  bool started() const { return started_; }
  // Returns the started batch, copied, once the helper is done with it (nothing when none
  // was started). A batch written in place is finished with the caller's help: the files the
  // helper has not yet taken are copied on the caller's thread (through the temporary name
  // the two would share one file).
  std::vector<batch_file> finish();

  // Copies `files` on the caller's thread.
  void copy_here(std::vector<batch_file>& files);

 private:
  // Takes the next file of `files` through `next` until none is left.
  void take_files(std::vector<batch_file>& files, std::atomic<size_t>& next,
                  transfer_buffer& buffer);
  void copy_one(batch_file& f, transfer_buffer& buffer);

  host::host& h_;
  const stop_request* stop_;
  const batch_writes writes_;
  transfer_buffer own_buffer_;
  transfer_buffer helper_buffer_;
  const bool shared_;
  bool started_ = false;
  // The started batch; declared before helper_, whose end waits for the helper.
  std::vector<batch_file> files_;
  std::atomic<size_t> next_{0};            // the next file of the started batch to take
  std::unique_ptr<helper_thread> helper_;  // made for the first batch started
};

// Tells `meter` what the copy of `f` did (the entry `entry`, the file's length and bytes), as
// the copy would have told it on the caller's thread; for each file the batch started.
void replay_progress(progress_meter& meter, const batch_file& f, const std::string& entry);

}  // namespace engine

#endif
