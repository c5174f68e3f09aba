#include "engine/common/copy_batch.h"

namespace engine {
namespace {

// Keeps the length a copy tells its meter, which the caller replays for the run's own.
class file_facts : public run_progress {
 public:
  void report(const progress_facts& facts) override {
    if (facts.file_bytes_total >= 0) length = facts.file_bytes_total;
  }
  int64_t length = -1;
};

}  // namespace

copy_batch::copy_batch(host::host& h, const stop_request* stop, batch_writes writes)
    : h_(h),
      stop_(stop),
      writes_(writes),
      own_buffer_(k_batch_file_length + 1),
      shared_(h.parallel_copies() && helper_thread::worthwhile()) {}

void copy_batch::start(std::vector<batch_file> files) {
  if (!helper_) {
    helper_buffer_ = transfer_buffer(k_batch_file_length + 1);
    // Between two batches the run reads and makes folders and copies a batch itself.
    helper_ = std::make_unique<helper_thread>(0);
  }
  files_ = std::move(files);
  started_ = true;
  next_.store(0);
  helper_->start([this] {
    take_files(files_, next_, helper_buffer_);
    // Nothing this thread keeps open may outlive the batch: the run may move or remove
    // those folders later, through calls this thread never sees.
    h_.let_go_of_folders();
  });
}

std::vector<batch_file> copy_batch::finish() {
  if (!started_) return {};
  if (writes_ == batch_writes::in_place) take_files(files_, next_, own_buffer_);
  helper_->finish();
  started_ = false;
  return std::move(files_);
}

void copy_batch::copy_here(std::vector<batch_file>& files) {
  std::atomic<size_t> next{0};
  take_files(files, next, own_buffer_);
}

void copy_batch::take_files(std::vector<batch_file>& files, std::atomic<size_t>& next,
                            transfer_buffer& buffer) {
  for (;;) {
    if (stop_ != nullptr && stop_->requested()) return;
    const size_t i = next.fetch_add(1);
    if (i >= files.size()) return;
    copy_one(files[i], buffer);
  }
}

void copy_batch::copy_one(batch_file& f, transfer_buffer& buffer) {
  file_facts facts;
  progress_meter meter(facts, stop_);
  f.result = writes_ == batch_writes::in_place
                 ? copy_file_in_place(h_, meter, buffer, buffer.size(), f.source, f.target)
                 : copy_file_with_progress(h_, meter, buffer, buffer.size(), f.source, f.target);
  f.length = facts.length;
  f.copied = meter.facts().bytes_done;
  if (f.result != k_copy_done) f.reason = h_.take_failure_reason();
}

void replay_progress(progress_meter& meter, const batch_file& f, const std::string& entry) {
  meter.begin_entry(entry);
  if (f.length >= 0) {
    meter.begin_file(f.length);
    meter.add_file_bytes(f.copied);
    meter.end_file();
  }
  meter.end_entry();
}

}  // namespace engine
