#include "engine/store/change_log.h"

#include "engine/common/paths.h"
#include "platform/cp932.h"

namespace engine {

std::string change_log_file_name(const std::string& destination, const std::string& folder_name) {
  return path_join(destination, folder_name) + k_change_log_extension;
}

bool change_log_writer::open(host::host& h, const std::string& destination,
                             const std::string& name) {
  file_ = h.open_write_beneath(destination, name);
  return file_ != nullptr;
}

void change_log_writer::open_append(host::host& h, const std::string& path) {
  file_.reset();
  append_host_ = &h;
  append_path_ = path;
}

bool change_log_writer::write_line(const char* code, const std::string& relative_path) {
  std::string line(code, 4);
  // Hosts already hand names over escaped; this holds whatever a host reports, so that no
  // name can ever end a line and start a forged one.
  line += cp932::escape_control_bytes(relative_path);
  line += "\r\n";
  if (append_host_ != nullptr) return append_host_->append_text(append_path_, line);
  if (!file_) return false;
  return file_->write(line.data(), line.size());
}

bool change_log_writer::set_time(uint32_t packed) { return file_ && file_->set_time(packed); }

bool change_log_writer::close() {
  append_host_ = nullptr;
  if (!file_) return true;
  const bool synced = file_->sync();
  const bool closed = file_->close();
  file_.reset();
  return synced && closed;
}

change_log_line& change_log::append(std::string_view raw_line) {
  change_log_line& line = lines_.emplace_back();
  const size_t code_length = raw_line.size() < 4 ? raw_line.size() : 4;
  for (size_t i = 0; i < code_length; ++i) line.code[i] = raw_line[i];
  line.text = std::string(raw_line.substr(code_length));
  if (lines_.size() > 1) {
    change_log_line& before = lines_[lines_.size() - 2];
    before.next = &line;
    line.prev = &before;
  }
  return line;
}

change_log_state for_each_change_log_line(host::host& h, const std::string& point_path,
                                          const std::function<void(std::string_view)>& line) {
  return for_each_change_log_file_line(h, point_path + k_change_log_extension, line);
}

change_log_state for_each_change_log_file_line(host::host& h, const std::string& path,
                                               const std::function<void(std::string_view)>& line) {
  std::unique_ptr<host::file> f = h.open_read(path);
  if (!f) return h.exists(path) ? change_log_state::unreadable : change_log_state::missing;
  change_log_state state = change_log_state::read;
  // A line of any length stays whole: cutting it would turn one long path into lines whose
  // "codes" are pieces of a name. `pending` holds the start of a line not yet ended.
  std::string pending;
  char buffer[65536];
  for (;;) {
    const int64_t n = f->read(buffer, sizeof buffer);
    if (n <= 0) {
      if (n < 0) state = change_log_state::unreadable;
      break;
    }
    std::string_view chunk(buffer, static_cast<size_t>(n));
    for (size_t end = chunk.find('\n'); end != std::string_view::npos; end = chunk.find('\n')) {
      std::string_view whole = chunk.substr(0, end);
      if (!pending.empty()) {
        pending.append(whole);
        whole = pending;
      }
      if (!whole.empty() && whole.back() == '\r') whole.remove_suffix(1);
      line(whole);
      pending.clear();
      chunk.remove_prefix(end + 1);
    }
    pending.append(chunk);
  }
  if (!pending.empty()) line(pending);
  return state;
}

change_log read_change_log(host::host& h, const std::string& point_path, change_log_state* state) {
  return read_change_log_file(h, point_path + k_change_log_extension, state);
}

change_log read_change_log_file(host::host& h, const std::string& path, change_log_state* state) {
  change_log log;
  const change_log_state found =
      for_each_change_log_file_line(h, path, [&](std::string_view raw) { log.append(raw); });
  if (state != nullptr) *state = found;
  return log;
}

}  // namespace engine
