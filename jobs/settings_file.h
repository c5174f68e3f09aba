// The settings file Zcli.dat: the job list kept from one run of the program to the next.
//
// Layout (integers little-endian, no padding, no count, no checksum):
//   offset 0, 80 bytes: settings_header. A file Zolk creates starts with "Z-OLK Ver1.00" and a
//     zero byte, then 66 zero bytes. An existing header is never interpreted: it is read and
//     written back unchanged.
//   then one block per record, first to last:
//     4 bytes first_job_mark (signed), 1 byte job_kind,
//     12 times: 4 bytes signed length L, then L bytes when L >= 1.
//     L is the text's byte count plus one, and the L bytes are the text and a zero byte.
//     An absent text is written as L = 0; the reader takes any L <= 0 as absent.
// A record with four empty texts and eight absent ones is 4 + 1 + 4 * (4 + 1) + 8 * 4 = 57 bytes.
//
// All file access goes through host::host. Paths are CP932.
#ifndef ZOLK_JOBS_SETTINGS_FILE_H
#define ZOLK_JOBS_SETTINGS_FILE_H

#include <array>
#include <cstddef>
#include <string>

#include "jobs/job_list.h"
#include "platform/host.h"

namespace jobs {

constexpr size_t k_header_size = 80;
using header_bytes = std::array<unsigned char, k_header_size>;

// "Z-OLK Ver1.00": 13 bytes; a created header holds them and a zero byte.
extern const char k_version_text[];
// The file's own name.
extern const char k_settings_file_name[];  // "Zcli.dat"

// One settings file as the program holds it between load and saves.
struct settings_file {
  std::string path;       // CP932 path of the file
  header_bytes header{};  // settings_header: all zero until loaded
  // Set by load_settings when the file exists but could not be read: saves then refuse to
  // replace it (save_status::refused_unreadable), so jobs that could not be read are never
  // overwritten by the ones entered since.
  bool protect_unreadable = false;
  // Set by load_settings when the file was damaged: the next save first renames it aside to
  // "<path>.damaged" (or "<path>.damaged-2", ...), so whatever could not be read stays on disk
  // for the user. Cleared by that save.
  bool set_aside_damaged = false;
};

enum class load_status {
  loaded,         // the file was read whole (a file shorter than the header gives no records)
  created,        // there was no file: one holding the header alone was created
  create_failed,  // there was no file, and none could be created (the list is empty; the next
                  // save tries again)
  missing,        // there was no file and load_options::create_when_missing was false
  damaged,        // the file ended inside a record: every whole record before it is in the
                  // list and the partial one is dropped; or a text lacked its zero byte:
                  // that text is absent, its record kept. set_aside_damaged is set.
  unreadable,     // the file exists but could not be opened or read: it is left untouched,
                  // the list is empty and settings_file::protect_unreadable is set
};

struct load_result {
  load_status status = load_status::loaded;
  size_t records = 0;  // records now in the list, of every kind
};

struct load_options {
  bool create_when_missing = true;  // the desktop program: true; zolk-cli (read only): false
};

// Loads the file at `file.path` into `list` (cleared first) and `file.header`.
// - Missing (host::exists says so): header := version text and zeros; with
//   create_when_missing the file is created holding that header alone (status created or
//   create_failed), otherwise nothing is written (status missing).
// - Present but not readable: nothing is written, protect_unreadable is set (unreadable).
// - Otherwise: up to 80 bytes of header (the rest zero), then the records (loaded or damaged).
// Never throws; the list owns every record it got.
load_result load_settings(host::host& h, settings_file& file, job_list& list,
                          const load_options& options = load_options());

enum class save_status {
  saved,               // the file now holds the header and the whole list
  create_failed,       // the temporary file (or the missing folder) could not be created
  write_failed,        // writing or syncing the temporary file failed
  replace_failed,      // the temporary file could not replace the file
  refused_unreadable,  // the file could not be read at load; it is kept as it is
};

// Rewrites `file.path` from `file.header` and every record of `list`, first to last (an
// empty list gives the header alone). Atomic: the bytes go to a temporary file in the same
// folder, named with a leading full stop, which is synced and then renamed over the file
// (host::replace_file); on any failure the temporary file is removed and the old file stays
// whole. A missing folder of the path is created first. Anything but `saved` must be told to
// the user: the change then lives only in memory. A damaged file (set_aside_damaged) is
// renamed aside just before the new file takes its name; should that rename fail, the save
// goes on.
save_status save_settings(host::host& h, settings_file& file, const job_list& list);

// The name a damaged file is set aside under ("<path>.damaged", "<path>.damaged-2", ...):
// the first that does not exist yet.
std::string damaged_copy_path(host::host& h, const std::string& path);

// --- The byte format on its own (used by load and save, and by the fuzz target) ---

// The whole file content for a header and a list.
std::string settings_bytes(const header_bytes& header, const job_list& list);

// Parses a whole file content into `header` (zero-filled past the bytes present) and `list`
// (cleared first). Returns loaded or damaged. Reads nothing past `size` bytes; never
// allocates more than the input could hold.
load_status parse_settings(const unsigned char* data, size_t size, header_bytes& header,
                           job_list& list);

// --- Where the file lives ---

// The path of Zcli.dat: in the user's configuration folder (below) when the program is
// installed (POSIX: its folder lies below /usr/, /opt/, /bin/ or /sbin/), even for root;
// otherwise beside the executable when the file already exists there or that folder is writable
// (tested by creating and removing a temporary file named with a leading full stop); otherwise in
// the user's configuration folder: on POSIX $XDG_CONFIG_HOME/zolk/ (when set and absolute) else
// $HOME/.config/zolk/; on Windows %APPDATA%\zolk\. When no configuration folder can be named, the
// path beside the executable.
std::string default_settings_path(host::host& h);

// The configuration folder part of the above, ending in a separator; empty when none can be
// named. The folder need not exist (save_settings creates it).
std::string user_settings_folder(host::host& h);

}  // namespace jobs

#endif
