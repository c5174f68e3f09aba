#include "engine/common/file_copy.h"

#include <vector>

#include "engine/common/paths.h"
#include "platform/cp932.h"

namespace engine {
namespace {

constexpr int64_t k_blocks_stopped = -2;

// Copies the bytes; the count copied, -1 on a read or write error (a full disk among them),
// or k_blocks_stopped when the run was asked to stop.
int64_t copy_blocks(host::file& from, host::file& to, progress_meter& meter,
                    transfer_buffer& buffer, size_t block_length) {
  if (block_length > buffer.size()) block_length = buffer.size();
  int64_t total = 0;
  int64_t n = 0;
  do {
    if (meter.stop_requested()) return k_blocks_stopped;
    n = from.copy_to(to, buffer.data(), block_length);
    if (n < 0) return -1;
    total += n;
    meter.add_file_bytes(n);
  } while (static_cast<size_t>(n) == block_length);
  return total;
}

// The source as it stood when it was opened.
struct source_state {
  int64_t length = -1;
  uint32_t time = 0;
  bool have_time = false;
};

source_state state_of(host::file& f) {
  source_state state;
  state.have_time = f.get_time(state.time);
  state.length = f.length();
  return state;
}

// The copy, private while it filled, takes its source's bits (and, for root, its owner) only
// now that its data is whole.
bool give_bits(host::file& from, host::file& to) {
  host::permissions bits;
  return from.get_permissions(bits) && to.set_permissions(bits);
}

// A copy whose source moved on while it was read may hold parts of two versions: stored
// under the source's first time, the next run would take it for up to date.
bool still_as_opened(host::file& f, const source_state& opened, int64_t copied) {
  const source_state now = state_of(f);
  return copied == opened.length && now.length == opened.length &&
         now.have_time == opened.have_time && now.time == opened.time;
}

std::string temp_path_beside(host::host& h, const std::string& target) {
  const std::string folder = parent_folder(target);
  if (folder.empty()) return copy_temp_name(h);
  return path_join(folder, copy_temp_name(h));
}

// The offset just past the last separator of a path (0 when it has none).
size_t final_name_offset(const std::string& path) {
  const std::vector<size_t> separators = cp932::path_separators(path);
  return separators.empty() ? 0 : separators.back() + 1;
}

// A ".." piece after a folder that is not there: making that folder would leave a stray one
// behind, outside the path the user meant.
bool climbs_out_of_missing_folder(host::host& h, const std::string& path, size_t drive) {
  std::vector<size_t> ends = cp932::path_separators(path);
  ends.push_back(path.size());
  size_t start = drive;
  for (const size_t i : ends) {
    if (i < drive) continue;
    if (path.compare(start, i - start, "..") == 0 && i - start == 2 && start > drive &&
        !h.exists(path.substr(0, start - 1))) {
      return true;
    }
    start = i + 1;
  }
  return false;
}

// Makes the folder `relative` ends in at separators[i] beneath base, with any missing above
// it. The deepest comes first: most often it alone is missing, or none is, and each call
// walks from the base, so going down from the top cost a walk for every level.
bool make_folder_beneath(host::host& h, const std::string& base, const std::string& relative,
                         const std::vector<size_t>& separators, size_t i) {
  const std::string folder = relative.substr(0, separators[i]);
  if (h.create_folder_beneath(base, folder) || h.is_folder_beneath(base, folder)) return true;
  if (i == 0 || !make_folder_beneath(h, base, relative, separators, i - 1)) return false;
  return h.create_folder_beneath(base, folder) || h.is_folder_beneath(base, folder);
}

// Writes the source's bytes and packed time into a new file at `written`: k_copy_done, or
// why not. `made` tells whether that file was made; it is left in place either way.
int fill_copy(host::host& h, progress_meter& meter, transfer_buffer& buffer, size_t block_length,
              const std::string& source, const place& written, bool& made) {
  std::string link_target;
  std::unique_ptr<host::file> from = h.open_read_or_link(source, link_target);
  if (!from && !link_target.empty()) {
    meter.begin_file(0);
    made = h.create_link_beneath(written.base, written.relative, link_target);
    meter.end_file();
    return made ? k_copy_done : k_copy_link_not_made;
  }
  if (!from) return k_copy_failed;
  std::unique_ptr<host::file> to = h.open_write_beneath(written.base, written.relative);
  if (!to) return k_copy_failed;
  made = true;
  const source_state opened = state_of(*from);
  meter.begin_file(opened.length);
  const int64_t copied = opened.length >= 0 && from->seek(0)
                             ? copy_blocks(*from, *to, meter, buffer, block_length)
                             : -1;
  int result = k_copy_done;
  if (copied == k_blocks_stopped) {
    result = k_copy_stopped;
  } else if (copied < 0) {
    result = k_copy_failed;
  } else if (!still_as_opened(*from, opened, copied)) {
    result = k_copy_source_changed;
  } else if ((opened.have_time && !to->set_time(opened.time)) || !give_bits(*from, *to)) {
    result = k_copy_failed;
  }
  from->close();
  if (!to->close() && result == k_copy_done) result = k_copy_failed;
  meter.end_file();
  return result;
}

// The finished copy at `temp` takes the target's name. A link there is never replaced, as
// that would be taken for writing through it, unless the copy is a link itself: a link then
// stands in place of a link, and nothing is ever written through either.
bool take_name(host::host& h, const place& target, const std::string& temp) {
  if (h.rename_beneath(target.base, temp, target.relative, true)) return true;
  std::string ignored;
  const place copy{target.base, temp};
  if (h.open_read_or_link(copy.path(), ignored) != nullptr || ignored.empty()) return false;
  return h.remove_file_beneath(target.base, target.relative) &&
         h.rename_beneath(target.base, temp, target.relative, false);
}

constexpr const char* k_copy_temp_suffix = ".tmp";
constexpr const char* k_earlier_copy_temp_name = ".zolk-copy.tmp";

}  // namespace

std::string copy_temp_name(host::host& h) {
  return k_copy_temp_prefix + std::to_string(h.process_id()) + k_copy_temp_suffix;
}

bool is_copy_temp_name(const std::string& name) {
  if (name == k_earlier_copy_temp_name) return true;
  const std::string prefix = k_copy_temp_prefix;
  const std::string suffix = k_copy_temp_suffix;
  if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

place place_of(const std::string& path) {
  const size_t name = final_name_offset(path);
  if (name == 0) return place{std::string(), path};
  // A root keeps its separator: "/x" lies beneath "/", not beneath the working folder.
  const bool root = name - 1 == drive_prefix_length(path);
  return place{path.substr(0, root ? name : name - 1), path.substr(name)};
}

int copy_file_with_progress(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                            size_t block_length, const std::string& source,
                            const std::string& target, const std::function<bool()>& before_rename) {
  return copy_file_with_progress(h, meter, buffer, block_length, source, place_of(target),
                                 before_rename);
}

int copy_file_with_progress(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                            size_t block_length, const std::string& source, const place& target,
                            const std::function<bool()>& before_rename) {
  const std::string temp = temp_path_beside(h, target.relative);
  bool made = false;
  int result = fill_copy(h, meter, buffer, block_length, source, place{target.base, temp}, made);
  if (result == k_copy_done &&
      ((before_rename && !before_rename()) || !take_name(h, target, temp))) {
    result = k_copy_failed;
  }
  if (result != k_copy_done && made) h.remove_file_beneath(target.base, temp);
  return result;
}

int copy_file_in_place(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                       size_t block_length, const std::string& source, const place& target) {
  bool made = false;
  const int result = fill_copy(h, meter, buffer, block_length, source, target, made);
  if (result == k_copy_done || !made) return result;
  return h.remove_file_beneath(target.base, target.relative) ? result : k_copy_left_unfinished;
}

std::vector<std::string> missing_folders(host::host& h, std::string path) {
  std::vector<std::string> missing;
  while (!path.empty() && !h.exists(path)) {
    missing.push_back(path);
    const std::vector<size_t> separators = cp932::path_separators(path);
    if (separators.empty() || separators.back() == 0) break;
    path.resize(separators.back());
  }
  return missing;
}

void remove_made_folders(host::host& h, const std::vector<std::string>& made) {
  // remove_folder takes only an empty folder, so nothing that was put there is lost.
  for (const std::string& folder : made) h.remove_folder(folder);
}

bool give_folder_permissions(host::host& h, const std::string& from, const place& p,
                             bool owner_keeps_all) {
  host::permissions bits;
  if (!h.permissions_of(from, bits)) return false;
  if (owner_keeps_all) bits.mode |= 0700;
  return h.set_folder_permissions_beneath(p.base, p.relative, bits);
}

int create_parent_folders(host::host& h, const std::string& path) {
  const size_t drive = drive_prefix_length(path);
  if (climbs_out_of_missing_folder(h, path, drive)) return 0;
  bool first = true;
  for (const size_t i : cp932::path_separators(path)) {
    if (i < drive) continue;
    // The first separator ends the drive root (or stands alone at the start); never made.
    if (first) {
      first = false;
      if (i == drive) continue;
    }
    if (i > drive) h.create_folder(path.substr(0, i));
  }
  return 0;
}

int remove_entry(host::host& h, const place& p) {
  // A file or any link goes at once, itself; only a plain folder reached without a link is
  // emptied, so no search below ever runs through a link.
  if (h.remove_file_beneath(p.base, p.relative)) return 0;
  if (!h.is_folder_beneath(p.base, p.relative)) return -1;
  const std::string path = p.path();
  std::vector<host::found_entry> entries;
  if (!h.search(folder_search_pattern(path), entries)) return -1;
  int result = 0;
  for (const host::found_entry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    if (remove_entry(h, place{p.base, path_join(p.relative, entry.name)}) != 0) result = -1;
  }
  return h.remove_folder(path) ? result : -1;
}

int move_file_creating_folders(host::host& h, const std::string& from, const std::string& to) {
  create_parent_folders(h, to);
  return h.rename(from, to) ? 0 : -1;
}

int create_parent_folders(host::host& h, const place& p) {
  const std::vector<size_t> separators = cp932::path_separators(p.relative);
  if (separators.empty()) return 0;
  return make_folder_beneath(h, p.base, p.relative, separators, separators.size() - 1) ? 0 : -1;
}

int move_file_creating_folders(host::host& h, const std::string& base, const std::string& from,
                               const std::string& to) {
  create_parent_folders(h, place{base, to});
  return h.rename_beneath(base, from, to, false) ? 0 : -1;
}

}  // namespace engine
