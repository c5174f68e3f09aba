// A host for tests that passes every call to another host, counting the calls by kind, and
// fails chosen ones: the k-th call of a kind, every call on a chosen path, or, to act out a
// crash, every mutating call after the k-th.
#ifndef ZOLK_PLATFORM_TESTING_FAULT_HOST_H
#define ZOLK_PLATFORM_TESTING_FAULT_HOST_H

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/host.h"

namespace host {

enum class call_kind {
  search,
  create_folder,
  rename,
  remove_file,
  open_read,
  open_write,
  write,
  set_time,
  append_text,
  sync,
  replace,
  exists,
  lock,
  remove_folder,
  read,             // a read from an open file
  set_permissions,  // of an open file, or of a folder beneath a base
  create_link
};

// Pushes to disk (sync calls) are decided and counted but not performed: a test cannot
// observe them, and on a busy machine each costs a flush of the whole volume.
class fault_host : public host {
 public:
  explicit fault_host(host& inner) : inner_(inner) {}

  // The `k`-th call (1-based) of `kind` from now on fails.
  void fail_call(call_kind kind, int k) { fail_at_[kind].insert(calls_[kind] + k); }
  // Every call of `kind` whose (first) path contains `fragment` fails.
  void fail_path(call_kind kind, const std::string& fragment) {
    fail_paths_[kind].insert(fragment);
  }
  // After `k` more mutating calls (create, rename, replace, remove, open for writing, write,
  // set time, append), every mutating call fails: the process has "stopped" there.
  void crash_after(int k) { crash_at_ = mutations_ + k; }
  // The first read of the next file opened for reading whose path contains `fragment` runs
  // `action` first: the file changes while it is being read.
  void change_on_read(const std::string& fragment, std::function<void()> action) {
    change_on_read_[fragment] = std::move(action);
  }
  // Searches whose pattern contains `fragment` list the names but cannot tell anything about
  // the entries, as for a folder that may be listed but not entered.
  void hide_entries(const std::string& fragment) { hidden_entries_.insert(fragment); }
  // Links are described as the Windows host does: a link to a folder (standing in for a folder
  // link or a junction there) without its target text, as an entry that cannot be backed up,
  // and never opened; every other link (to a file, dangling, a loop) as itself, as on POSIX.
  void describe_links_as_windows() { links_as_windows_ = true; }
  void clear_faults();
  // Every entry a search reports from now on carries these attribute bits besides its own
  // (all but "." and ".."), as a store on a read-only disk or copied from a CD does.
  void add_reported_attributes(uint32_t bits) { extra_attributes_ = bits; }
  // Lets searches run on two threads, as the host passed to does when it can. Off by
  // default: the k-th call of a kind is then always the same call.
  void allow_parallel_searches() { parallel_ = true; }
  bool parallel_searches() override { return parallel_ && inner_.parallel_searches(); }
  // Lets files be copied on two threads, as the host passed to does when it can. Off by
  // default, for the same reason.
  void allow_parallel_copies() { parallel_copies_ = true; }
  bool parallel_copies() override { return parallel_copies_ && inner_.parallel_copies(); }

  int calls(call_kind kind) const;
  int mutations() const { return mutations_; }
  bool crashed() const { return crash_at_ >= 0 && mutations_ >= crash_at_; }

  // Decides one call; public so that the wrapped files can use it.
  bool allow(call_kind kind, const std::string& path);

  bool search(const std::string& pattern, std::vector<found_entry>& out) override;
  bool create_folder(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool replace_file(const std::string& from, const std::string& to) override;
  bool remove_file(const std::string& path) override;
  bool remove_folder(const std::string& path) override;
  // A failed `exists` call answers true (the host could not tell), as the contract allows.
  bool exists(const std::string& path) override;
  std::unique_ptr<file> open_read(const std::string& path) override;
  std::unique_ptr<file> open_write(const std::string& path) override;
  // Counts and fails as open_read.
  std::unique_ptr<file> open_read_or_link(const std::string& path,
                                          std::string& link_target) override;
  bool append_text(const std::string& path, const std::string& bytes) override;
  bool sync_folder(const std::string& path) override;
  bool sync_volume(const std::string& path) override;
  // A failed lock call answers failed (the lock file could not be made).
  lock_result lock_file(const std::string& path) override;
  // The calls beneath a base count and fail as their plain kinds do, on the path base\relative.
  bool create_folder_beneath(const std::string& base, const std::string& relative) override;
  bool is_folder_beneath(const std::string& base, const std::string& relative) override;
  std::unique_ptr<file> open_write_beneath(const std::string& base,
                                           const std::string& relative) override;
  bool rename_beneath(const std::string& base, const std::string& from, const std::string& to,
                      bool replace) override;
  bool remove_file_beneath(const std::string& base, const std::string& relative) override;
  bool create_link_beneath(const std::string& base, const std::string& relative,
                           const std::string& target) override;
  std::string real_path(const std::string& path) override { return inner_.real_path(path); }
  std::string executable_path() override { return inner_.executable_path(); }
  uint32_t process_id() override { return inner_.process_id(); }
  std::string environment(const std::string& name) override { return inner_.environment(name); }
  std::string date_text(uint32_t packed) override { return inner_.date_text(packed); }
  // The clock: the inner host's, or the time set here (a test can stop it in one slot).
  void set_clock(uint32_t packed) { clock_ = packed; }
  uint32_t current_time() override { return clock_ != 0 ? clock_ : inner_.current_time(); }
  bool set_folder_time(const std::string& path, uint32_t packed) override;
  bool permissions_of(const std::string& path, permissions& out) override {
    return inner_.permissions_of(path, out);
  }
  bool set_folder_permissions_beneath(const std::string& base, const std::string& relative,
                                      const permissions& p) override;
  // A failure this host makes up is noted with the reason given here (the inner host's own
  // reasons pass through otherwise).
  void set_failure_reason(const std::string& reason) { failure_reason_ = reason; }
  std::string take_failure_reason() override;
  void beep() override { ++beeps_; }
  void let_go_of_folders() override { inner_.let_go_of_folders(); }
  int beeps() const { return beeps_; }

 private:
  // `inner` (null passes through) as a file whose reads go through this host's decisions.
  std::unique_ptr<file> wrap_read(const std::string& path, std::unique_ptr<file> inner);

  void describe_links_as_windows_does(const std::string& pattern, std::vector<found_entry>& out);
  // True when `path` is a folder, or a link that leads to one.
  bool leads_to_folder(const std::string& path);

  host& inner_;
  mutable std::mutex deciding_;  // calls may come from two threads (allow_parallel_*)
  bool parallel_ = false;
  bool parallel_copies_ = false;
  std::map<call_kind, int> calls_;
  std::map<call_kind, std::set<int>> fail_at_;
  std::map<call_kind, std::set<std::string>> fail_paths_;
  std::map<std::string, std::function<void()>> change_on_read_;
  std::set<std::string> hidden_entries_;
  int mutations_ = 0;
  int crash_at_ = -1;
  int beeps_ = 0;
  uint32_t extra_attributes_ = 0;
  uint32_t clock_ = 0;
  bool links_as_windows_ = false;
  std::string failure_reason_ = "injected failure";
  std::map<std::thread::id, std::string> noted_reasons_;  // each thread's own
};

}  // namespace host

#endif
