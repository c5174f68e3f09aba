// The host: every access Zolk makes to the operating system goes through this interface.
//
// Paths and names crossing it are CP932 bytes. A separator is `\` (outside a double-byte
// character) or `/`; each host maps separators and drive prefixes to its own form. Names that
// CP932 cannot express arrive as the reversible escapes of cp932.h, so every name round-trips.
//
// One implementation per operating system (host_posix.cpp, host_win32.cpp); default_host()
// returns it. The engine takes a host& so that tests can wrap it (fault_host.h).
#ifndef ZOLK_PLATFORM_HOST_H
#define ZOLK_PLATFORM_HOST_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

// Attribute bits as a directory search reports them.
constexpr uint32_t k_read_only = 0x01;
constexpr uint32_t k_hidden = 0x02;
constexpr uint32_t k_system = 0x04;
constexpr uint32_t k_volume = 0x08;
constexpr uint32_t k_directory = 0x10;
constexpr uint32_t k_archive = 0x20;
// Never reported by a search: the mark the engine gives a storable symbolic link (a found
// entry with is_link and not is_special) among the attributes of its nodes and items.
constexpr uint32_t k_link = 0x400;

// Permission bits as a directory search reports them (found_entry::permissions): the 07777
// bits of POSIX, marked known where the file system keeps them (not FAT, exFAT, NTFS).
constexpr uint16_t k_permission_bits = 07777;
constexpr uint16_t k_permissions_known = 0x8000;

// The permission bits and owner of a file or folder.
struct permissions {
  uint32_t mode = 0;   // the 07777 bits
  uint32_t owner = 0;  // user id
  uint32_t group = 0;  // group id
  bool known = false;  // false where the file system keeps no bits, or the system has none
};

// One entry of a directory search.
struct found_entry {
  std::string name;         // own name, CP932
  uint32_t attributes = 0;  // the bits above
  uint32_t size = 0;        // low 32 bits of the length
  uint64_t full_size = 0;   // the whole length
  uint32_t time = 0;        // packed local modification time (see packed_time.h)
  // k_permission_bits, with k_permissions_known where the file system keeps them.
  uint16_t permissions = 0;
  bool is_link = false;     // a symbolic link or reparse point (never descended)
  bool is_special = false;  // not a plain file, plain folder nor storable link: a FIFO,
                            // socket or device, or a link this host cannot store; cannot be
                            // backed up
  // A storable link's target text, never followed (the host's own form); its size is the
  // text's length, its time the link's own.
  std::string link_target;
  bool unreadable = false;  // nothing could be learned about the entry (its folder can be
                            // listed but not entered)
};

// An open file. Every operation reports failure instead of throwing. Closing happens in the
// destructor when close() was not called; close() reports whether the data reached the file.
class file {
 public:
  virtual ~file() = default;
  // Reads up to `length` bytes; returns the count read (0 at the end) or -1 on error.
  virtual int64_t read(void* buffer, size_t length) = 0;
  // Writes all `length` bytes or reports false.
  virtual bool write(const void* buffer, size_t length) = 0;
  // Moves to `offset` bytes from the start.
  virtual bool seek(uint64_t offset) = 0;
  // The length in bytes, or -1 when it cannot be told.
  virtual int64_t length() = 0;
  // The packed local modification time; false when it cannot be read.
  virtual bool get_time(uint32_t& packed) = 0;
  // Sets the modification time from a packed local time (after the last write).
  virtual bool set_time(uint32_t packed) = 0;
  // The file's permission bits and owner; `out.known` is false where none are kept (the
  // default). False when they cannot be read.
  virtual bool get_permissions(permissions& out) {
    out = permissions();
    return true;
  }
  // Gives the file the permissions `p` (after its data is written, so that it is never more
  // open than its source while it fills): its bits; the owner and group only when this
  // process may give any (root); a set-id bit only when the file then belongs to the owner
  // (group) `p` names. Where `p` is not known, the bits a new file gets by default. True
  // where the file system keeps no bits (there is nothing to give); the default does nothing.
  virtual bool set_permissions(const permissions& p) {
    (void)p;
    return true;
  }
  // Pushes written data to the disk.
  virtual bool sync() = 0;
  virtual bool close() = 0;

  // Copies up to `length` bytes from here to `target`, both at their current positions;
  // returns the count copied (less than `length` only at the end) or -1 on a read or write
  // error. `buffer` holds at least `length` bytes. Hosts may copy inside the system instead
  // of through the buffer.
  virtual int64_t copy_to(file& target, char* buffer, size_t length) {
    size_t done = 0;
    while (done < length) {
      const int64_t n = read(buffer + done, length - done);
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return target.write(buffer, done) ? static_cast<int64_t>(done) : -1;
  }
};

// Reads `f` from where it stands to its end, appending the bytes to `out`, but no more than
// `limit` bytes (a file Zolk only ever writes small is never read whole when something planted
// a huge one in its place). False when a read failed; `out` keeps what was read before.
bool read_to_end(file& f, std::string& out, size_t limit = SIZE_MAX);

// An exclusive lock on a file. Released when the object goes, and by the system when the
// process ends in any way, so a crash never leaves a lock behind.
class lock {
 public:
  virtual ~lock() = default;
};

enum class lock_state {
  taken,   // the lock is held by the caller
  busy,    // another holder has it: another process, or another lock object of this one
  failed,  // the lock file could not be opened or created
};

struct lock_result {
  lock_state state = lock_state::failed;
  std::unique_ptr<lock> held;  // set exactly when taken
};

class host {
 public:
  virtual ~host() = default;

  // Lists every entry of the folder a pattern names ("folder\*.*"; the final component is the
  // wildcard and is not interpreted further), including "." and "..", in the order the system
  // returns them. Returns false, with `out` empty, when the folder cannot be listed. "." and
  // ".." are folders; their time and length may be left zero.
  virtual bool search(const std::string& pattern, std::vector<found_entry>& out) = 0;

  // Creates one folder, private to its owner until given other bits. False when it exists or
  // cannot be made.
  virtual bool create_folder(const std::string& path) = 0;

  // Renames or moves a file or a whole folder. Never replaces: false when `to` exists, when
  // `from` is missing, or when the system refuses.
  virtual bool rename(const std::string& from, const std::string& to) = 0;

  // Renames a file over an existing file atomically: afterwards `to` holds either its old
  // contents or all of `from`, never a mix or nothing. Also succeeds when `to` is missing.
  // False when `from` is missing or the system refuses (then both files stay as they were).
  virtual bool replace_file(const std::string& from, const std::string& to) = 0;

  // Removes one file (not a folder). A link is removed itself, never what it names.
  virtual bool remove_file(const std::string& path) = 0;

  // Removes one empty folder.
  virtual bool remove_folder(const std::string& path) = 0;

  // True when something (file, folder, link) stands at `path`. False only when the system
  // says there is nothing there; when it cannot tell (a folder on the way cannot be searched),
  // the answer is true, so callers never take an unreachable file for a missing one.
  virtual bool exists(const std::string& path) = 0;

  // Opens an existing file for reading; null when it cannot be opened or is not a file.
  virtual std::unique_ptr<file> open_read(const std::string& path) = 0;

  // Opens an existing file for reading as open_read does, but never through a final link: when
  // `path` names a symbolic link, null, with its target text in `link_target` (empty
  // otherwise). The default is open_read, for hosts that store no links.
  virtual std::unique_ptr<file> open_read_or_link(const std::string& path,
                                                  std::string& link_target) {
    link_target.clear();
    return open_read(path);
  }

  // Opens a file for reading and writing, creating it (ordinary attributes) or emptying it.
  virtual std::unique_ptr<file> open_write(const std::string& path) = 0;

  // Appends bytes to a text file, creating it when missing.
  virtual bool append_text(const std::string& path, const std::string& bytes) = 0;

  // Pushes a folder's entries (names created, renamed or removed) to the disk.
  virtual bool sync_folder(const std::string& path) = 0;

  // Pushes everything written on the volume that holds `path` (files and folders) to the
  // disk. Where the system has no such call, the folder itself is pushed.
  virtual bool sync_volume(const std::string& path) { return sync_folder(path); }

  // Takes the exclusive lock on the file at `path` without waiting, creating the file when it
  // is missing (an existing one is opened as it is, even on a read-only volume). A link or
  // anything but a plain file at `path` is never followed or used: the result is failed.
  virtual lock_result lock_file(const std::string& path) = 0;
  // Places beneath a trusted folder. Each call below acts on `relative` (one or more names
  // joined by separators; no drive, no leading separator, no piece "." or "..") beneath the
  // folder `base` (empty: the working folder). `base` is reached as the system resolves it:
  // links on the way to it are the user's choice. Nothing beneath it is ever followed as a
  // link: when a folder on the way, or the final name itself, is a symbolic link, junction
  // or other reparse point, the call fails and changes nothing. (Hosts that cannot decide
  // this in one step check each piece first; what they then change still lies beneath base.)
  // The defaults refuse: a host that cannot tell links apart writes nothing beneath a base.

  // Creates the folder `relative`, private to its owner until given other bits. False when
  // anything stands there already, when a folder on the way is missing or a link, or when the
  // system refuses.
  virtual bool create_folder_beneath(const std::string& base, const std::string& relative) {
    (void)base, (void)relative;
    return false;
  }

  // True when `relative` is a plain folder (not a link to one), reached without a link.
  virtual bool is_folder_beneath(const std::string& base, const std::string& relative) {
    (void)base, (void)relative;
    return false;
  }

  // Creates an empty file at `relative`, private to its owner until given other bits, and
  // opens it for reading and writing. A file already
  // there is removed first, so its other names (hard links) keep their contents; a link there
  // is removed, never written through. Null when it cannot be made.
  virtual std::unique_ptr<file> open_write_beneath(const std::string& base,
                                                   const std::string& relative) {
    (void)base, (void)relative;
    return nullptr;
  }

  // Makes a symbolic link at `relative` whose target text is `target` (as a search gave it;
  // never followed nor checked). A file or link standing there is removed first; a folder
  // there fails the call. False where links cannot be made (the file system, the process's
  // rights; the default). Windows tells a link to a file from one to a folder by the link's own
  // kind, fixed when it is made: its searches report only links to files as storable (a link to
  // a folder or a junction is special), so every link it makes is one to a file, whatever the
  // target names then or later.
  virtual bool create_link_beneath(const std::string& base, const std::string& relative,
                                   const std::string& target) {
    (void)base, (void)relative, (void)target;
    return false;
  }

  // Renames or moves `from` to `to`, both beneath `base`. `from` itself may be a link (the link
  // moves, not what it names). Without `replace` it never replaces anything (as rename);
  // with `replace` a file at `to` is replaced atomically (as replace_file), but a link at
  // `to` fails the call.
  virtual bool rename_beneath(const std::string& base, const std::string& from,
                              const std::string& to, bool replace) {
    (void)base, (void)from, (void)to, (void)replace;
    return false;
  }

  // Removes the file at `relative`; a link there is removed itself, never what it names.
  virtual bool remove_file_beneath(const std::string& base, const std::string& relative) {
    (void)base, (void)relative;
    return false;
  }

  // True when `search` may run on two threads at once (each thread's failure reasons stay
  // its own). A run then reads the source and its copy side by side.
  virtual bool parallel_searches() { return false; }
  // True when files may be copied on two threads at once: open_read, open_write_beneath,
  // remove_file_beneath and the calls on the files they open, each thread's failure reasons
  // (and kept folder, see let_go_of_folders) staying its own. A run then has one folder's
  // small files copied on a helper thread while it copies the next folder's.
  virtual bool parallel_copies() { return false; }

  // A host may keep open, on the calling thread, the folder the last file beneath a base was
  // made in, and reach later names in that folder through it: a copy of many small files into
  // one folder then walks from the base once, not once a file. It lets that folder go itself
  // whenever one of our calls might move or remove it (a rename other than within that very
  // folder, a folder removed, a rename or replace by path, a sync). This lets it go as well:
  // each operation of ours (a run, a restore, a prune) calls it when it starts and when it
  // ends, so that a folder moved or removed by someone else between two operations is never
  // written through, and no folder is held open (a removable medium busy) after one.
  virtual void let_go_of_folders() {}

  // The real location of `path`, for comparing places: an absolute path with every link
  // resolved and no "." or ".." piece, in the host's letter case where it can tell. When
  // `path` does not exist, its nearest existing folder is resolved and the rest added with
  // "." and ".." pieces reduced as text. Empty when not even that can be resolved. The
  // default gives the path as it stands.
  virtual std::string real_path(const std::string& path) { return path; }

  // The permission bits and owner of the entry at `path` (a link itself, never what it
  // names); `out.known` false where none are kept (the default). False when they cannot be read.
  virtual bool permissions_of(const std::string& path, permissions& out) {
    (void)path;
    out = permissions();
    return true;
  }

  // Gives the plain folder at `relative` beneath `base` the permissions `p`, as
  // file::set_permissions gives a file its own; a link there fails the call. The default, for
  // hosts that keep no bits, does nothing.
  virtual bool set_folder_permissions_beneath(const std::string& base, const std::string& relative,
                                              const permissions& p) {
    (void)base, (void)relative, (void)p;
    return true;
  }

  // Sets the modification time of the plain folder at `path` (not through a link) from a
  // packed local time. The default refuses.
  virtual bool set_folder_time(const std::string& path, uint32_t packed) {
    (void)path, (void)packed;
    return false;
  }

  // Why the most recent call of this thread that failed (any call above, or on a file it
  // opened) failed, in the system's own words (CP932), then forgets it; empty when no failure
  // was noted since the last take. Successful calls leave a noted reason as it is, so a
  // caller takes it just after the failure it reports. The default knows no reasons.
  virtual std::string take_failure_reason() { return std::string(); }

  // The packed local time now, by the clock that stamps the files this machine writes; 0 when
  // it cannot be told (callers then trust no time, see engine/store/change_check.h).
  virtual uint32_t current_time() { return 0; }

  // Full path of the running program.
  virtual std::string executable_path() = 0;

  // The id of this process, which no other running process shares.
  virtual uint32_t process_id() = 0;

  // The value of an environment variable as CP932 (escapes as for names); empty when unset.
  virtual std::string environment(const std::string& name) = 0;

  // A packed local time as display text: "1999/05/12 10:20:30"; only the date at midnight.
  virtual std::string date_text(uint32_t packed) = 0;

  // The plain warning sound.
  virtual void beep() = 0;
};

// One operation's hold on the folders a host keeps (see host::let_go_of_folders): lets them
// go when it starts and when it ends, however it ends.
class operation_folders {
 public:
  explicit operation_folders(host& h) : h_(h) { h_.let_go_of_folders(); }
  ~operation_folders() { h_.let_go_of_folders(); }
  operation_folders(const operation_folders&) = delete;
  operation_folders& operator=(const operation_folders&) = delete;

 private:
  host& h_;
};

// The host of the system Zolk was built for. Lives for the whole program.
host& default_host();

}  // namespace host

#endif
