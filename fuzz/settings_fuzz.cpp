// Fuzzes load_settings with arbitrary settings files: no crash, no leak, no read past the
// file, and whatever was loaded saves to bytes that load back to the same list.
//
// The file lives in a host held in memory, so each input costs no disk access and the reader
// sees exactly the input's bytes (AddressSanitizer catches a read beyond them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "fuzz/fuzz_target.h"
#include "jobs/settings_file.h"

namespace {

// Reads straight from the fuzzer's buffer; writes go to a string of the host.
class memory_file : public host::file {
 public:
  memory_file(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit memory_file(std::string* sink) : sink_(sink) {}
  int64_t read(void* buffer, size_t length) override {
    if (sink_ != nullptr) return -1;
    const size_t n = length < size_ - at_ ? length : size_ - at_;
    if (n > 0) std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return static_cast<int64_t>(n);
  }
  bool write(const void* buffer, size_t length) override {
    if (sink_ == nullptr) return false;
    sink_->append(static_cast<const char*>(buffer), length);
    return true;
  }
  bool seek(uint64_t offset) override {
    at_ = offset < size_ ? static_cast<size_t>(offset) : size_;
    return true;
  }
  int64_t length() override {
    return static_cast<int64_t>(sink_ != nullptr ? sink_->size() : size_);
  }
  bool get_time(uint32_t& packed) override {
    packed = 0;
    return true;
  }
  bool set_time(uint32_t) override { return true; }
  bool sync() override { return true; }
  bool close() override { return true; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t at_ = 0;
  std::string* sink_ = nullptr;
};

// One settings file given as the fuzzer's bytes; everything written is kept by name.
class memory_host : public host::host {
 public:
  memory_host(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  const std::map<std::string, std::string>& written() const { return written_; }

  bool search(const std::string&, std::vector<::host::found_entry>& out) override {
    out.clear();
    return false;
  }
  bool create_folder(const std::string&) override { return false; }
  uint32_t process_id() override { return 1; }
  bool rename(const std::string&, const std::string&) override { return false; }
  bool replace_file(const std::string& from, const std::string& to) override {
    const auto it = written_.find(from);
    if (it == written_.end()) return false;
    written_[to] = it->second;
    written_.erase(from);
    return true;
  }
  bool remove_file(const std::string& path) override { return written_.erase(path) != 0; }
  bool remove_folder(const std::string&) override { return false; }
  bool exists(const std::string& path) override {
    return path == k_path || written_.count(path) != 0 || path == k_folder;
  }
  std::unique_ptr<::host::file> open_read(const std::string& path) override {
    if (path != k_path) return nullptr;
    return std::make_unique<memory_file>(data_, size_);
  }
  std::unique_ptr<::host::file> open_write(const std::string& path) override {
    std::string& sink = written_[path];
    sink.clear();
    return std::make_unique<memory_file>(&sink);
  }
  bool append_text(const std::string&, const std::string&) override { return false; }
  ::host::lock_result lock_file(const std::string&) override { return ::host::lock_result(); }
  bool sync_folder(const std::string&) override { return true; }
  std::string executable_path() override { return "/fuzz/zolk"; }
  std::string environment(const std::string&) override { return std::string(); }
  std::string date_text(uint32_t) override { return std::string(); }
  void beep() override {}

  static constexpr const char* k_folder = "/fuzz";
  static constexpr const char* k_path = "/fuzz/Zcli.dat";

 private:
  const uint8_t* data_;
  size_t size_;
  std::map<std::string, std::string> written_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  memory_host h(data, size);
  jobs::settings_file file{memory_host::k_path};
  jobs::job_list list;
  const jobs::load_result loaded = jobs::load_settings(h, file, list);
  if (loaded.status != jobs::load_status::loaded && loaded.status != jobs::load_status::damaged) {
    std::abort();  // an existing, readable file is always read
  }
  if (list.size() != loaded.records) std::abort();

  // Saving writes the header and the whole records, and reading that back gives them again.
  if (jobs::save_settings(h, file, list) != jobs::save_status::saved) std::abort();
  const auto saved = h.written().find(memory_host::k_path);
  if (saved == h.written().end() || h.written().size() != 1) std::abort();
  const std::string& bytes = saved->second;
  if (bytes != jobs::settings_bytes(file.header, list)) std::abort();
  if (std::memcmp(bytes.data(), file.header.data(), jobs::k_header_size) != 0) std::abort();
  if (size >= jobs::k_header_size && std::memcmp(bytes.data(), data, jobs::k_header_size) != 0) {
    std::abort();  // the header is written back unchanged
  }
  jobs::header_bytes again_header{};
  jobs::job_list again;
  if (jobs::parse_settings(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                           again_header, again) != jobs::load_status::loaded) {
    std::abort();
  }
  if (again.size() != list.size() || jobs::settings_bytes(again_header, again) != bytes)
    std::abort();
  return 0;
}
