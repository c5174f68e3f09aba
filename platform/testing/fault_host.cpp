#include "platform/testing/fault_host.h"

#include "platform/native_path.h"

namespace host {
namespace {

bool is_mutation(call_kind kind) {
  return kind != call_kind::search && kind != call_kind::open_read && kind != call_kind::sync &&
         kind != call_kind::exists && kind != call_kind::lock && kind != call_kind::read;
}

// A file whose reads, writes and time changes go through the fault host's decisions.
class fault_file : public file {
 public:
  fault_file(std::unique_ptr<file> inner, fault_host& owner, std::string path,
             std::function<void()> before_read = nullptr)
      : inner_(std::move(inner)),
        owner_(owner),
        path_(std::move(path)),
        before_read_(std::move(before_read)) {}
  int64_t read(void* buffer, size_t length) override {
    if (before_read_) {
      const std::function<void()> action = std::move(before_read_);
      before_read_ = nullptr;
      action();
    }
    if (!owner_.allow(call_kind::read, path_)) return -1;
    return inner_->read(buffer, length);
  }
  bool write(const void* buffer, size_t length) override {
    return owner_.allow(call_kind::write, path_) && inner_->write(buffer, length);
  }
  bool seek(uint64_t offset) override { return inner_->seek(offset); }
  int64_t length() override { return inner_->length(); }
  bool get_time(uint32_t& packed) override { return inner_->get_time(packed); }
  bool set_time(uint32_t packed) override {
    return owner_.allow(call_kind::set_time, path_) && inner_->set_time(packed);
  }
  bool get_permissions(permissions& out) override { return inner_->get_permissions(out); }
  bool set_permissions(const permissions& p) override {
    return owner_.allow(call_kind::set_permissions, path_) && inner_->set_permissions(p);
  }
  bool sync() override { return owner_.allow(call_kind::sync, path_); }
  bool close() override { return inner_->close(); }

 private:
  std::unique_ptr<file> inner_;
  fault_host& owner_;
  std::string path_;
  std::function<void()> before_read_;
};

bool contains_any(const std::string& text, const std::set<std::string>& fragments) {
  for (const std::string& fragment : fragments) {
    if (text.find(fragment) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool fault_host::leads_to_folder(const std::string& path) {
  std::vector<found_entry> entries;
  return inner_.search(path + "\\*.*", entries);
}

// A link to a folder loses its target and cannot be backed up; every other link stays itself.
void fault_host::describe_links_as_windows_does(const std::string& pattern,
                                                std::vector<found_entry>& out) {
  const std::string folder = folder_of_pattern(pattern);
  for (found_entry& entry : out) {
    if (!entry.is_link || !leads_to_folder(folder + "\\" + entry.name)) continue;
    entry.link_target.clear();
    entry.is_special = true;
  }
}

void fault_host::clear_faults() {
  fail_at_.clear();
  fail_paths_.clear();
  change_on_read_.clear();
  hidden_entries_.clear();
  crash_at_ = -1;
}

int fault_host::calls(call_kind kind) const {
  const std::lock_guard<std::mutex> lock(deciding_);
  const auto it = calls_.find(kind);
  return it == calls_.end() ? 0 : it->second;
}

bool fault_host::allow(call_kind kind, const std::string& path) {
  const std::lock_guard<std::mutex> lock(deciding_);
  const int n = ++calls_[kind];
  if (is_mutation(kind)) {
    if (crashed()) return false;
    ++mutations_;
  }
  const auto at = fail_at_.find(kind);
  bool fails = at != fail_at_.end() && at->second.count(n) != 0;
  const auto paths = fail_paths_.find(kind);
  if (paths != fail_paths_.end()) {
    for (const std::string& fragment : paths->second) {
      if (path.find(fragment) != std::string::npos) fails = true;
    }
  }
  if (fails) noted_reasons_[std::this_thread::get_id()] = failure_reason_;
  return !fails;
}

bool fault_host::set_folder_time(const std::string& path, uint32_t packed) {
  return allow(call_kind::set_time, path) && inner_.set_folder_time(path, packed);
}

std::string fault_host::take_failure_reason() {
  std::string noted = inner_.take_failure_reason();
  const std::lock_guard<std::mutex> lock(deciding_);
  const auto own = noted_reasons_.find(std::this_thread::get_id());
  if (own == noted_reasons_.end()) return noted;
  if (!own->second.empty()) noted = std::move(own->second);
  noted_reasons_.erase(own);
  return noted;
}

bool fault_host::search(const std::string& pattern, std::vector<found_entry>& out) {
  if (!allow(call_kind::search, pattern)) {
    out.clear();
    return false;
  }
  if (!inner_.search(pattern, out)) return false;
  for (found_entry& entry : out) {
    if (entry.name != "." && entry.name != "..") entry.attributes |= extra_attributes_;
  }
  if (links_as_windows_) describe_links_as_windows_does(pattern, out);
  if (contains_any(pattern, hidden_entries_)) {
    for (found_entry& entry : out) {
      if (entry.name == "." || entry.name == "..") continue;
      const std::string name = std::move(entry.name);
      entry = found_entry();
      entry.name = name;
      entry.attributes = k_archive;
      entry.unreadable = true;
    }
  }
  return true;
}

bool fault_host::create_folder(const std::string& path) {
  return allow(call_kind::create_folder, path) && inner_.create_folder(path);
}

bool fault_host::rename(const std::string& from, const std::string& to) {
  return allow(call_kind::rename, from) && inner_.rename(from, to);
}

bool fault_host::replace_file(const std::string& from, const std::string& to) {
  return allow(call_kind::replace, from) && inner_.replace_file(from, to);
}

bool fault_host::exists(const std::string& path) {
  return !allow(call_kind::exists, path) || inner_.exists(path);
}

bool fault_host::remove_folder(const std::string& path) {
  return allow(call_kind::remove_folder, path) && inner_.remove_folder(path);
}

bool fault_host::remove_file(const std::string& path) {
  return allow(call_kind::remove_file, path) && inner_.remove_file(path);
}

std::unique_ptr<file> fault_host::open_read(const std::string& path) {
  if (!allow(call_kind::open_read, path)) return nullptr;
  return wrap_read(path, inner_.open_read(path));
}

std::unique_ptr<file> fault_host::wrap_read(const std::string& path, std::unique_ptr<file> inner) {
  if (!inner) return nullptr;
  std::function<void()> before_read;
  const std::lock_guard<std::mutex> lock(deciding_);
  for (auto it = change_on_read_.begin(); it != change_on_read_.end(); ++it) {
    if (path.find(it->first) == std::string::npos) continue;
    before_read = std::move(it->second);
    change_on_read_.erase(it);
    break;
  }
  return std::make_unique<fault_file>(std::move(inner), *this, path, std::move(before_read));
}

std::unique_ptr<file> fault_host::open_read_or_link(const std::string& path,
                                                    std::string& link_target) {
  link_target.clear();
  if (!allow(call_kind::open_read, path)) return nullptr;
  std::unique_ptr<file> inner = inner_.open_read_or_link(path, link_target);
  if (links_as_windows_ && !link_target.empty() && leads_to_folder(path)) link_target.clear();
  return wrap_read(path, std::move(inner));
}

std::unique_ptr<file> fault_host::open_write(const std::string& path) {
  if (!allow(call_kind::open_write, path)) return nullptr;
  std::unique_ptr<file> inner = inner_.open_write(path);
  if (!inner) return nullptr;
  return std::make_unique<fault_file>(std::move(inner), *this, path);
}

lock_result fault_host::lock_file(const std::string& path) {
  if (!allow(call_kind::lock, path)) return lock_result();
  return inner_.lock_file(path);
}

bool fault_host::append_text(const std::string& path, const std::string& bytes) {
  return allow(call_kind::append_text, path) && inner_.append_text(path, bytes);
}

bool fault_host::sync_volume(const std::string& path) { return allow(call_kind::sync, path); }

bool fault_host::sync_folder(const std::string& path) { return allow(call_kind::sync, path); }

static std::string beneath_path(const std::string& base, const std::string& relative) {
  return base.empty() ? relative : base + "\\" + relative;
}

bool fault_host::create_folder_beneath(const std::string& base, const std::string& relative) {
  return allow(call_kind::create_folder, beneath_path(base, relative)) &&
         inner_.create_folder_beneath(base, relative);
}

bool fault_host::is_folder_beneath(const std::string& base, const std::string& relative) {
  return allow(call_kind::exists, beneath_path(base, relative)) &&
         inner_.is_folder_beneath(base, relative);
}

std::unique_ptr<file> fault_host::open_write_beneath(const std::string& base,
                                                     const std::string& relative) {
  const std::string path = beneath_path(base, relative);
  if (!allow(call_kind::open_write, path)) return nullptr;
  std::unique_ptr<file> inner = inner_.open_write_beneath(base, relative);
  if (!inner) return nullptr;
  return std::make_unique<fault_file>(std::move(inner), *this, path);
}

bool fault_host::rename_beneath(const std::string& base, const std::string& from,
                                const std::string& to, bool replace) {
  return allow(replace ? call_kind::replace : call_kind::rename, beneath_path(base, from)) &&
         inner_.rename_beneath(base, from, to, replace);
}

bool fault_host::set_folder_permissions_beneath(const std::string& base,
                                                const std::string& relative, const permissions& p) {
  return allow(call_kind::set_permissions, beneath_path(base, relative)) &&
         inner_.set_folder_permissions_beneath(base, relative, p);
}

bool fault_host::create_link_beneath(const std::string& base, const std::string& relative,
                                     const std::string& target) {
  return allow(call_kind::create_link, beneath_path(base, relative)) &&
         inner_.create_link_beneath(base, relative, target);
}

bool fault_host::remove_file_beneath(const std::string& base, const std::string& relative) {
  return allow(call_kind::remove_file, beneath_path(base, relative)) &&
         inner_.remove_file_beneath(base, relative);
}

}  // namespace host
