// The file operations through which runs change the disk.
#ifndef ZOLK_ENGINE_FILE_COPY_H
#define ZOLK_ENGINE_FILE_COPY_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/common/paths.h"
#include "engine/common/progress_meter.h"
#include "platform/host.h"

namespace engine {

constexpr size_t k_transfer_buffer_length = 131072;
constexpr size_t k_block_length = 131071;

// One buffer per run, handed to every copy.
using transfer_buffer = std::vector<char>;
inline transfer_buffer make_transfer_buffer() { return transfer_buffer(k_transfer_buffer_length); }

// The temporary file a copy writes beside its target before the target takes its name:
// k_copy_temp_prefix, the process id, ".tmp", so that two processes never write through one
// name. A copy cut by a crash leaves it behind; the next run (or restore) removes it.
constexpr const char* k_copy_temp_prefix = ".zolk-copy.";
std::string copy_temp_name(host::host& h);

// True for a name of that pattern (any process id, decimal digits only) and for
// ".zolk-copy.tmp", which earlier versions used. No point ever holds such a name: in a history
// folder it is a cut copy's leftover, in a source it is reported and not backed up.
bool is_copy_temp_name(const std::string& name);

// What copy_file_with_progress returns.
constexpr int k_copy_done = 0;
constexpr int k_copy_failed = -1;
constexpr int k_copy_source_changed = -2;
constexpr int k_copy_stopped = -3;  // the run was asked to stop between two blocks
// copy_file_in_place only: the copy failed and its unfinished file could not be removed.
constexpr int k_copy_left_unfinished = -4;
// The source is a symbolic link, and no link can be made where the copy goes (a file system
// or a process that cannot make links). Nothing was written there.
constexpr int k_copy_link_not_made = -5;

// A place beneath a trusted folder (see host::create_folder_beneath): `base` as the user gave
// it (a destination, a restore target), `relative` below it. Nothing on the way from base to
// the place is ever followed as a link.
struct place {
  std::string base;
  std::string relative;
  // base\relative, for the lines that name the place.
  std::string path() const { return path_join(base, relative); }
};

// The place of a whole path: its folder as the base (trusted), its final name below it.
place place_of(const std::string& path);

// Copies source to target (whose folder must exist) in blocks of block_length. A source that
// is a symbolic link is never followed: the copy is a link with the same target text
// (k_copy_link_not_made where none can be made). The bytes go
// into copy_temp_name(h) beside the target, private to its owner while it fills, which gets the
// source's packed modification time and permissions (host::file::set_permissions) and then
// replaces the target in one rename, so the target is never seen half-written. The
// meter hears the file's length and every block written; between blocks the copy looks
// whether the run was asked to stop. Returns k_copy_done;
// k_copy_failed when a file could not be opened or the data could not be read or written
// whole (a full disk among them); or k_copy_source_changed when the source's length or
// packed time changed while it was read (the copy may mix two versions); or k_copy_stopped
// when the run was asked to stop before the copy was whole. On any failure
// the target is as it was and the temporary file is removed.
// `before_rename`, when given, runs once the data is complete and before the target takes its
// name; false from it fails the copy. A run writes its change-log line there, so that a crash
// can never leave a copied file that its change log does not name.
int copy_file_with_progress(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                            size_t block_length, const std::string& source,
                            const std::string& target,
                            const std::function<bool()>& before_rename = nullptr);
// The same into a place: the temporary file and the target are made beneath target.base
// without following a link; a link in the target's place, or on the way to it, fails the
// copy and nothing is written there.
int copy_file_with_progress(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                            size_t block_length, const std::string& source, const place& target,
                            const std::function<bool()>& before_rename = nullptr);

// The same, but the bytes go straight into a new file under the target's own name (a file
// or link there is removed first), sparing the temporary name and its rename, which cost a
// tiny file as much again as its data. Only for a folder whose every entry belongs to no
// point until the run that writes it ends: the completion of a cut run takes each entry
// there for that run's own copy and copies it again unless its length and time are the
// source's, which a cut-off copy's are not (its time is set only once it is whole). On a
// failure the unfinished file is removed; k_copy_left_unfinished when even that fails, and
// the caller must then leave the run to be completed.
int copy_file_in_place(host::host& h, progress_meter& meter, transfer_buffer& buffer,
                       size_t block_length, const std::string& source, const place& target);

// Gives the folder at p.relative beneath p.base (made private, see host::create_folder) the
// permissions of the folder at `from`, without following a link; the owner keeps every right
// to it when `owner_keeps_all` (a folder of the store, whose entries later runs move). True
// when the folder has them, or where no bits are kept.
bool give_folder_permissions(host::host& h, const std::string& from, const place& p,
                             bool owner_keeps_all);

// Creates every missing folder of the folder part of path (never the final component, never
// the drive root). Folders that cannot be made are passed over; returns 0. A ".." piece that
// follows a missing folder would need that folder made only to be left again: then nothing
// is made at all.
int create_parent_folders(host::host& h, const std::string& path);
// `path` and the folders above it that do not exist yet, innermost first: what making `path`
// would make. A folder that cannot be told to be missing ends the list.
std::vector<std::string> missing_folders(host::host& h, std::string path);
// Removes those of `made` (from missing_folders) that are empty folders now, innermost first:
// a run or restore refused at its start leaves nothing behind.
void remove_made_folders(host::host& h, const std::vector<std::string>& made);

// Removes the file, or the folder with everything in it, at p.relative beneath p.base. A link
// there, or inside the folder, is removed itself; a link on the way to it stops the removal.
// 0, or -1 when something could not be removed (what could be is gone).
int remove_entry(host::host& h, const place& p);
// Creates every missing folder of the folder part of p.relative beneath p.base, without
// following a link (a link on the way stops it). Returns 0 when the folder part now stands
// as plain folders, -1 otherwise.
int create_parent_folders(host::host& h, const place& p);

// create_parent_folders(to), then a rename that never replaces. 0 when the entry now stands
// at `to`, -1 otherwise (both entries then stay where they were).
int move_file_creating_folders(host::host& h, const std::string& from, const std::string& to);

// The same for two places beneath one base (a destination): no link on the way to `from` or
// `to` is followed; `from` may itself be a link, which then moves as it is.
int move_file_creating_folders(host::host& h, const std::string& base, const std::string& from,
                               const std::string& to);

}  // namespace engine

#endif
