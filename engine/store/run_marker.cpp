#include "engine/store/run_marker.h"

#include <memory>

#include "engine/common/paths.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

constexpr const char* k_carried = "carried";
constexpr const char* k_carrying = "carrying";

std::string marker_path(const std::string& destination) {
  return path_join(destination, k_run_marker_name);
}

// "Zolk" (in any letter case, as a store copied elsewhere may spell it) and digits: the names
// a run creates (Zolk10000 included), never a path.
bool is_run_folder_name(const std::string& name) {
  if (name.size() < 8 || name.size() > 16 || !same_store_name(name.substr(0, 4), "Zolk")) {
    return false;
  }
  for (size_t i = 4; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

bool write_run_marker(host::host& h, const std::string& destination, const run_marker& marker) {
  const std::string path = marker_path(destination);
  const std::string temp_name = std::string(k_run_marker_name) + ".tmp";
  const std::string temp = path_join(destination, temp_name);
  const std::string bytes = marker.new_folder + "\r\n" + marker.previous_folder + "\r\n" +
                            (marker.carried ? k_carried : k_carrying) + "\r\n";
  // Made anew beneath the destination: a link planted at the name is never written through.
  std::unique_ptr<host::file> f = h.open_write_beneath(destination, temp_name);
  bool written = f && f->write(bytes.data(), bytes.size()) && f->sync();
  written = f && f->close() && written;
  if (!written || !h.replace_file(temp, path)) {
    // A full disk must not leave the temporary file behind.
    h.remove_file(temp);
    return false;
  }
  return h.sync_folder(destination);
}

std::optional<run_marker> read_run_marker(host::host& h, const std::string& destination) {
  std::unique_ptr<host::file> f = h.open_read(marker_path(destination));
  if (!f) return std::nullopt;
  std::string bytes;
  // A marker is three short lines; whatever a read could not give leaves them unmatched.
  host::read_to_end(*f, bytes, 4096);
  std::string fields[3];
  size_t start = 0;
  for (std::string& field : fields) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) return std::nullopt;
    field = bytes.substr(start, end - start);
    start = end + 2;
  }
  // Only names of history folders are ever taken from the marker, never paths.
  if (!is_run_folder_name(fields[0])) return std::nullopt;
  if (!fields[1].empty() && !is_history_folder_name(fields[1])) return std::nullopt;
  if (fields[2] != k_carried && fields[2] != k_carrying) return std::nullopt;
  return run_marker{fields[0], fields[1], fields[2] == k_carried};
}

bool remove_run_marker(host::host& h, const std::string& destination) {
  return h.remove_file(marker_path(destination));
}

bool run_marker_present(host::host& h, const std::string& destination) {
  return h.exists(marker_path(destination));
}

marker_match match_run_marker(const run_marker& marker, const folder_tree& history) {
  const folder_node* newest = history.first();
  const folder_node* below = newest == nullptr ? nullptr : newest->next;
  const std::string below_name = below == nullptr ? std::string() : below->name;
  if (newest != nullptr && marker.new_folder == newest->name &&
      marker.previous_folder == below_name) {
    // A first run is marked as carried from the start: there is nothing to carry.
    return marker.carried || !below_name.empty() ? marker_match::complete : marker_match::stale;
  }
  // Written just before the run made its folder: it names the folder that would come next.
  const std::string newest_name = newest == nullptr ? std::string() : newest->name;
  const std::string next =
      newest == nullptr ? k_first_history_folder : next_history_folder_name(newest);
  const bool first = newest == nullptr;
  if (marker.new_folder == next && marker.previous_folder == newest_name &&
      marker.carried == first) {
    return marker_match::unstarted;
  }
  return marker_match::stale;
}

const folder_node* unfinished_folder(host::host& h, const std::string& destination,
                                     const folder_tree& history) {
  // Asked first, so that a store without a marker leaves no failure reason behind.
  if (history.empty() || !run_marker_present(h, destination)) return nullptr;
  const std::optional<run_marker> marker = read_run_marker(h, destination);
  if (!marker || match_run_marker(*marker, history) != marker_match::complete) return nullptr;
  return history.first();
}

std::string set_aside_run_marker(host::host& h, const std::string& destination) {
  const std::string path = marker_path(destination);
  for (int n = 1; n <= 100; ++n) {
    const std::string aside = path + ".stale" + (n == 1 ? std::string() : std::to_string(n));
    if (h.rename(path, aside)) return aside;
    if (!h.exists(aside)) break;  // not a name clash: the rename itself cannot be done
  }
  return path;
}

}  // namespace engine
