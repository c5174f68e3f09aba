#include "engine/store/prune_marker.h"

#include <memory>

#include "engine/common/paths.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

constexpr const char* k_phase_names[] = {"merge", "log", "trash", "renumber", "empty"};
constexpr const char* k_first_line = "zolk-prune 1";

std::vector<std::string> split_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) return lines;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
}

std::vector<std::string> split_words(const std::string& line) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t end = line.find(' ', start);
    words.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return words;
}

std::string read_small_file(host::host& h, const std::string& path) {
  std::unique_ptr<host::file> f = h.open_read(path);
  std::string bytes;
  // A marker cut short by a failed read lacks its last line and is not taken.
  if (f) host::read_to_end(*f, bytes, 1u << 20);
  return bytes;
}

// One line of the plan into `plan`; false when it does not read.
bool read_line(const std::vector<std::string>& w, prune_plan& plan) {
  if (w.size() == 5 && w[0] == "thin") {
    if (!is_history_folder_name(w[1]) || !is_history_folder_name(w[2]) ||
        !is_history_folder_name(w[3]) || w[4].empty() || w[4].size() > 10 ||
        w[4].find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    plan.older = w[1], plan.thinned = w[2], plan.newer = w[3];
    plan.older_time = static_cast<uint32_t>(std::stoull(w[4]));
    return true;
  }
  if (w.size() == 2 && w[0] == "drop" && is_history_folder_name(w[1])) {
    plan.dropped.push_back(w[1]);
    return true;
  }
  if (w.size() == 4 && w[0] == "rename" && is_history_folder_name(w[1]) &&
      is_history_folder_name(w[2]) && (w[3] == "log" || w[3] == "nolog")) {
    plan.renames.push_back(prune_rename{w[1], w[2], w[3] == "log"});
    return true;
  }
  return false;
}

}  // namespace

std::string prune_trash_name(const std::string& name) { return k_prune_trash_prefix + name; }

bool write_prune_marker(host::host& h, const std::string& destination, const prune_plan& plan) {
  std::string bytes = std::string(k_first_line) + "\r\n";
  bytes += std::string(k_phase_names[static_cast<int>(plan.phase)]) + "\r\n";
  if (plan.thins()) {
    bytes += "thin " + plan.older + " " + plan.thinned + " " + plan.newer + " " +
             std::to_string(plan.older_time) + "\r\n";
  }
  for (const std::string& name : plan.dropped) bytes += "drop " + name + "\r\n";
  for (const prune_rename& r : plan.renames) {
    bytes += "rename " + r.from + " " + r.to + (r.log ? " log" : " nolog") + "\r\n";
  }
  bytes += "end\r\n";
  // Made anew beneath the destination: a link planted at the name is never written through.
  std::unique_ptr<host::file> f = h.open_write_beneath(destination, k_prune_marker_temp_name);
  bool written = f && f->write(bytes.data(), bytes.size()) && f->sync();
  written = f && f->close() && written;
  const std::string temp = path_join(destination, k_prune_marker_temp_name);
  if (!written || !h.replace_file(temp, path_join(destination, k_prune_marker_name))) {
    h.remove_file(temp);
    return false;
  }
  return h.sync_folder(destination);
}

std::optional<prune_plan> read_prune_marker(host::host& h, const std::string& destination,
                                            bool* present) {
  const std::string path = path_join(destination, k_prune_marker_name);
  if (present != nullptr) *present = h.exists(path);
  const std::vector<std::string> lines = split_lines(read_small_file(h, path));
  // The last line proves the marker was written whole.
  if (lines.size() < 3 || lines.front() != k_first_line || lines.back() != "end")
    return std::nullopt;
  prune_plan plan;
  bool phase_known = false;
  for (int i = 0; i < 5; ++i) {
    if (lines[1] == k_phase_names[i]) plan.phase = static_cast<prune_phase>(i), phase_known = true;
  }
  if (!phase_known) return std::nullopt;
  for (size_t i = 2; i + 1 < lines.size(); ++i) {
    if (!read_line(split_words(lines[i]), plan)) return std::nullopt;
  }
  return plan;
}

}  // namespace engine
