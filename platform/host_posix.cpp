// The POSIX host: names are bytes, separators become '/', times are local.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/host.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"

namespace host {
namespace {

// The errno of this thread's most recent failed call; 0 once taken (see take_failure_reason).
thread_local int noted_errno = 0;

// This process's id once asked for (see posix_host::process_id); 0 until then.
std::atomic<pid_t> kept_pid{0};

// Passes `ok` through, noting errno when it reports a failure.
bool noted(bool ok) {
  if (!ok) noted_errno = errno != 0 ? errno : EIO;
  return ok;
}

// Fails with `code` as the reason, for refusals the system itself did not make.
bool refused(int code) {
  errno = code;
  return noted(false);
}

uint32_t packed_from_epoch(time_t seconds) {
  struct tm local {};
  if (localtime_r(&seconds, &local) == nullptr) return pack_time(calendar_time{});
  return pack_time(calendar_time{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                 local.tm_hour, local.tm_min, local.tm_sec});
}

// Not mktime: glibc's looks at /etc/localtime again on every call, once a file copied.
// The time is read as if it were UTC, then moved by the local offset found there; another
// step or two settle a time near a change of the offset (summer time). localtime_r reads the
// zone once, so both conversions here use one set of rules for the life of the process.
time_t epoch_from_packed(uint32_t packed) {
  const calendar_time t = unpack_time(packed);
  struct tm wanted {};
  wanted.tm_year = t.year - 1900;
  wanted.tm_mon = t.month - 1;
  wanted.tm_mday = t.day;
  wanted.tm_hour = t.hour;
  wanted.tm_min = t.minute;
  wanted.tm_sec = t.second;
  const time_t as_utc = timegm(&wanted);
  time_t epoch = as_utc;
  for (int step = 0; step < 3; ++step) {
    struct tm local {};
    if (localtime_r(&epoch, &local) == nullptr) return as_utc;
    const time_t next = as_utc - local.tm_gmtoff;
    if (next == epoch) break;
    epoch = next;
  }
  return epoch;
}

// File systems whose permission bits are the mount's, alike for every entry (FAT, exFAT, NTFS,
// and what a user-space driver mounts, which is one of these most often): their bits tell
// nothing about a file, and bits given to one do not stay.
bool type_keeps_bits(unsigned long type) {
  switch (type & 0xffffffffUL) {
    case 0x4d44UL:      // FAT
    case 0x2011bab0UL:  // exFAT
    case 0x5346544eUL:  // NTFS
    case 0x7366746eUL:  // NTFS (ntfs3)
    case 0x65735546UL:  // a user-space block file system
      return false;
    default:
      return true;
  }
}

// Whether the volume `dev` keeps permission bits; `ask` fills a statfs for it. The answer for
// the last volume asked is kept, as a run asks for the same volume again and again.
template <class Ask>
bool volume_keeps_bits(dev_t dev, Ask ask) {
  thread_local dev_t last_dev = 0;
  thread_local bool last_keeps = true;
  thread_local bool asked = false;
  if (asked && last_dev == dev) return last_keeps;
  struct statfs fs {};
  const bool keeps = ask(fs) != 0 || type_keeps_bits(static_cast<unsigned long>(fs.f_type));
  last_dev = dev;
  last_keeps = keeps;
  asked = true;
  return keeps;
}

bool fd_keeps_bits(int fd, dev_t dev) {
  return volume_keeps_bits(dev, [fd](struct statfs& fs) { return fstatfs(fd, &fs); });
}

// The umask of this process, read once without changing it (umask() itself would, for a
// moment, on every thread).
mode_t creation_mask() {
  static const mode_t mask = [] {
    mode_t found = 022;
    if (FILE* status = fopen("/proc/self/status", "re")) {
      char line[256];
      while (fgets(line, sizeof line, status) != nullptr) {
        unsigned int value = 0;
        if (sscanf(line, "Umask: %o", &value) == 1) {
          found = static_cast<mode_t>(value & 0777);
          break;
        }
      }
      fclose(status);
    }
    return found;
  }();
  return mask;
}

permissions permissions_from(const struct stat& st, bool keeps) {
  permissions p;
  p.mode = st.st_mode & 07777;
  p.owner = st.st_uid;
  p.group = st.st_gid;
  p.known = keeps;
  return p;
}

// Gives the open file or folder `fd` the permissions `p` (see file::set_permissions);
// `ordinary` is what a new entry of its kind gets from the system (before the umask).
bool give_permissions(int fd, const permissions& p, mode_t ordinary) {
  struct stat volume {};
  if (!noted(fstat(fd, &volume) == 0)) return false;
  // A volume whose bits and owners are the mount's (FAT, exFAT) takes neither; some of their
  // drivers do not even implement the calls.
  if (!fd_keeps_bits(fd, volume.st_dev)) return true;
  mode_t mode = p.known ? static_cast<mode_t>(p.mode & 07777) : (ordinary & ~creation_mask());
  // An owner that cannot be given (a volume that maps every owner to one) leaves the entry
  // with the one it has; its set-id bits go then, below.
  if (p.known && geteuid() == 0 && fchown(fd, p.owner, p.group) != 0 && errno != EPERM &&
      errno != EINVAL) {
    return noted(false);
  }
  struct stat st {};
  if ((mode & (S_ISUID | S_ISGID)) != 0) {
    if (!noted(fstat(fd, &st) == 0)) return false;
    if (st.st_uid != p.owner) mode &= ~S_ISUID;
    if (st.st_gid != p.group) mode &= ~S_ISGID;
  }
  return noted(fchmod(fd, mode) == 0);
}

uint32_t attributes_of(const struct stat& st) {
  uint32_t attributes = S_ISDIR(st.st_mode) ? k_directory : k_archive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= k_read_only;
  return attributes;
}

void describe(const struct stat& st, found_entry& entry) {
  entry.attributes = attributes_of(st);
  entry.permissions = static_cast<uint16_t>(st.st_mode & k_permission_bits);
  entry.full_size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  entry.size = static_cast<uint32_t>(entry.full_size);
  entry.time = packed_from_epoch(st.st_mtime);
}

bool is_dot_or_dot_dot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The target text of the link `name` in `dir_fd`, whose lstat is `st`; false when it cannot
// be read whole.
bool read_link_at(int dir_fd, const char* name, const struct stat& st, std::string& target) {
  size_t length = st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256;
  for (;;) {
    target.resize(length);
    const ssize_t n = readlinkat(dir_fd, name, &target[0], length);
    if (n < 0) {
      target.clear();
      return false;
    }
    if (static_cast<size_t>(n) < length) {
      target.resize(static_cast<size_t>(n));
      return true;
    }
    length *= 2;  // the link was made longer since its lstat
  }
}

// Fills an entry from lstat; a link is described as itself, with its target text; anything
// else that is not a plain file or folder is marked special.
void inspect(int dir_fd, const char* name, found_entry& entry, dev_t& dev) {
  struct stat st {};
  if (fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    entry.unreadable = true;
    entry.attributes = k_archive;
    return;
  }
  if (S_ISLNK(st.st_mode)) {
    entry.is_link = true;
    entry.attributes = k_archive;
    entry.time = packed_from_epoch(st.st_mtime);
    entry.is_special = !read_link_at(dir_fd, name, st, entry.link_target);
    entry.full_size = entry.link_target.size();
    entry.size = static_cast<uint32_t>(entry.full_size);
    return;
  }
  describe(st, entry);
  dev = st.st_dev;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) entry.is_special = true;
}

// A copy asks a file's time and length right after opening it and again once it is copied,
// and copies it in blocks until a short one. On a tree of tiny files those calls cost more than
// the data, so the file keeps what it already knows: the state found at the open (or by
// get_time) answers the next length() and get_time() until the file is read, written or moved
// in, and a copy takes no more than the length found at the open, so it stops there without
// asking the system for the end once more (a file that grew meanwhile shows it in its length,
// and the run sees it changed).
class posix_file : public file {
 public:
  explicit posix_file(int fd) : fd_(fd) {}
  // `opened`: the file's state as open_regular found it.
  posix_file(int fd, const struct stat& opened)
      : fd_(fd), state_(opened), state_known_(true), end_at_open_(opened.st_size) {}
  ~posix_file() override { close(); }

  int64_t read(void* buffer, size_t length) override {
    state_known_ = false;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, length);
      if (n >= 0) {
        position_ += n;
        return n;
      }
      if (errno != EINTR) {
        noted(false);
        return -1;
      }
    }
  }

  bool write(const void* buffer, size_t length) override {
    state_known_ = false;
    const char* p = static_cast<const char*>(buffer);
    while (length > 0) {
      const ssize_t n = ::write(fd_, p, length);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n == 0 ? refused(EIO) : noted(false);
      position_ += n;
      p += n;
      length -= static_cast<size_t>(n);
    }
    return true;
  }

  bool seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(LLONG_MAX)) return refused(EINVAL);
    const auto to = static_cast<off_t>(offset);
    if (position_ == to) return true;
    position_ = -1;  // unknown until the seek is done
    if (!noted(lseek(fd_, to, SEEK_SET) >= 0)) return false;
    position_ = to;
    return true;
  }

  int64_t length() override {
    if (state_known_) {
      state_known_ = false;
      return state_.st_size;
    }
    struct stat st {};
    if (!noted(fstat(fd_, &st) == 0)) return -1;
    return st.st_size;
  }

  bool get_time(uint32_t& packed) override {
    if (!state_known_) {
      if (!noted(fstat(fd_, &state_) == 0)) return false;
      state_known_ = true;
    }
    packed = packed_from_epoch(state_.st_mtime);
    return true;
  }

  bool set_time(uint32_t packed) override {
    state_known_ = false;
    struct timespec times[2];
    times[0].tv_sec = epoch_from_packed(packed);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return noted(futimens(fd_, times) == 0);
  }

  // Copies inside the kernel where both ends are plain files here; otherwise (a wrapped
  // target, a file system that cannot) through the buffer.
  int64_t copy_to(file& target, char* buffer, size_t length) override {
    auto* plain = dynamic_cast<posix_file*>(&target);
    state_known_ = false;
    if (plain == nullptr || position_ < 0 || plain->position_ < 0) {
      return file::copy_to(target, buffer, length);
    }
    plain->state_known_ = false;
    size_t done = 0;
    while (done < length && (end_at_open_ < 0 || position_ < end_at_open_)) {
      size_t ask = length - done;
      if (end_at_open_ >= 0) ask = std::min(ask, static_cast<size_t>(end_at_open_ - position_));
      const ssize_t n = copy_file_range(fd_, nullptr, plain->fd_, nullptr, ask, 0);
      if (n == 0) return static_cast<int64_t>(done);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (done == 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
          return file::copy_to(target, buffer, length);
        noted(false);
        return -1;
      }
      done += static_cast<size_t>(n);
      position_ += n;
      plain->position_ += n;
    }
    return static_cast<int64_t>(done);
  }

  bool get_permissions(permissions& out) override {
    struct stat st {};
    if (!noted(fstat(fd_, &st) == 0)) return false;
    out = permissions_from(st, fd_keeps_bits(fd_, st.st_dev));
    return true;
  }

  bool set_permissions(const permissions& p) override {
    state_known_ = false;
    return give_permissions(fd_, p, 0666);
  }

  bool sync() override { return noted(fdatasync(fd_) == 0); }

  bool close() override {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return noted(result == 0);
  }

 private:
  int fd_;
  struct stat state_ {};
  bool state_known_ = false;
  off_t position_ = 0;      // where the next read or write goes; -1 when not known
  off_t end_at_open_ = -1;  // the length found at the open; -1 when not known
};

// renameat2 without replacing; false with errno EINVAL or ENOSYS where the file system or
// the system lacks it.
bool renameat_no_replace_at_once(int from_fd, const std::string& from, int to_fd,
                                 const std::string& to) {
#ifdef SYS_renameat2
  return syscall(SYS_renameat2, from_fd, from.c_str(), to_fd, to.c_str(), 1u) == 0;
#else
  errno = ENOSYS;
  return false;
#endif
}

// Where renameat2 cannot refuse to replace (FUSE file systems such as exFAT answer EINVAL), a
// file is linked then unlinked, as link never replaces. A file system without links (exFAT,
// FAT) and a folder get a plain renameat, which would replace: it is made only when the
// kernel's lookup of `to`, which folds letter case wherever the file system does, finds
// nothing there (a case twin "A.txt" of "a.txt" included). The store is locked, so nothing of
// ours makes `to` between the two calls.
bool renameat_no_replace_fallback(int from_fd, const std::string& from, int to_fd,
                                  const std::string& to) {
  struct stat st {};
  if (fstatat(from_fd, from.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    if (linkat(from_fd, from.c_str(), to_fd, to.c_str(), 0) == 0) {
      return unlinkat(from_fd, from.c_str(), 0) == 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK) return false;
  }
  struct stat existing {};
  if (fstatat(to_fd, to.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  if (errno != ENOENT) return false;
  return renameat(from_fd, from.c_str(), to_fd, to.c_str()) == 0;
}

// Moves without replacing. renameat2 decides atomically; where the file system lacks it,
// see renameat_no_replace_fallback.
bool rename_no_replace(const std::string& from, const std::string& to) {
  if (renameat_no_replace_at_once(AT_FDCWD, from, AT_FDCWD, to)) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return renameat_no_replace_fallback(AT_FDCWD, from, AT_FDCWD, to);
}

class posix_lock : public lock {
 public:
  explicit posix_lock(int fd) : fd_(fd) {}
  ~posix_lock() override { ::close(fd_); }

 private:
  int fd_;
};

// flock belongs to the open file description, so a second open in this process conflicts
// too, and the system drops it with the last descriptor when the process dies.
lock_result lock_at(const std::string& path) {
  // O_NONBLOCK: a FIFO planted at the name must not stall the open.
  const int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | flags, 0666);
  // A store on a read-only volume still has its lock file, and a reader may lock it.
  if (fd < 0 && (errno == EROFS || errno == EACCES)) fd = open(path.c_str(), O_RDONLY | flags);
  lock_result result;
  if (fd < 0) return result;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return result;
  }
  int locked = -1;
  do {
    locked = flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    result.state = errno == EWOULDBLOCK ? lock_state::busy : lock_state::failed;
    ::close(fd);
    return result;
  }
  result.state = lock_state::taken;
  result.held = std::make_unique<posix_lock>(fd);
  return result;
}

// A folder descriptor that closes itself.
class folder_fd {
 public:
  explicit folder_fd(int fd = -1) : fd_(fd) {}
  ~folder_fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  folder_fd(const folder_fd&) = delete;
  folder_fd& operator=(const folder_fd&) = delete;
  folder_fd(folder_fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  folder_fd& operator=(folder_fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

#ifdef O_PATH
constexpr int k_walk_flags = O_PATH | O_DIRECTORY | O_CLOEXEC;  // no read right needed to pass
#else
constexpr int k_walk_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// True when pieces may name something beneath a base: at least one, the first not empty,
// none "." or "..". errno is EINVAL otherwise.
bool valid_beneath(const std::vector<std::string>& pieces) {
  bool valid = !pieces.empty() && !pieces.front().empty();
  for (const std::string& piece : pieces) valid = valid && piece != "." && piece != "..";
  if (!valid) errno = EINVAL;
  return valid;
}

// The folder of the first `count` pieces beneath `base`, reached one piece at a time with
// O_NOFOLLOW, so that a link planted anywhere on the way stops the walk instead of leading
// out of `base`.
folder_fd walk_beneath(const std::string& base, const std::vector<std::string>& pieces,
                       size_t count) {
  const std::string native_base = native_path(base);
  folder_fd folder(open(native_base.empty() ? "." : native_base.c_str(), k_walk_flags));
  for (size_t i = 0; folder.ok() && i < count; ++i) {
    folder =
        folder_fd(openat(folder.get(), native_path(pieces[i]).c_str(), k_walk_flags | O_NOFOLLOW));
  }
  return folder;
}

// The folder that holds the last name of `relative` beneath `base` (see walk_beneath).
// `name` receives the last name in the host's form.
folder_fd open_parent_beneath(const std::string& base, const std::string& relative,
                              std::string& name) {
  const std::vector<std::string> pieces = split_path(relative);
  if (!valid_beneath(pieces)) return folder_fd();
  name = native_path(pieces.back());
  return walk_beneath(base, pieces, pieces.size() - 1);
}

// The folder the last file made by open_write_beneath (on this thread) was made in, kept
// open (see host::let_go_of_folders). A copy makes its temporary file there, fills it and
// renames it within that folder, and the next copy most often goes to the same folder; on a
// tree of tiny files, walking from the base again (an open and a close for each level) cost
// more than the data.
struct kept_folder {
  std::string base;
  std::vector<std::string> pieces;  // the folder's own, below base
  folder_fd folder;
};
thread_local kept_folder kept;

void let_go_of_kept_folder() {
  kept.folder = folder_fd();
  kept.base.clear();
  kept.pieces.clear();
}

// The folder a name beneath a base lies in: the kept folder when it is that one, otherwise
// walked to for this call alone (until keep() keeps it).
struct parent_folder {
  int fd = -1;
  folder_fd walked;  // holds the folder when it is not the kept one
  std::vector<std::string> pieces;
  std::string name;  // the last piece, in the host's form
  bool is_kept() const { return fd >= 0 && !walked.ok(); }
};

parent_folder parent_beneath(const std::string& base, std::vector<std::string> pieces) {
  parent_folder parent;
  if (!valid_beneath(pieces)) return parent;
  parent.name = native_path(pieces.back());
  pieces.pop_back();
  if (kept.folder.ok() && kept.base == base && kept.pieces == pieces) {
    parent.fd = kept.folder.get();
  } else {
    parent.walked = walk_beneath(base, pieces, pieces.size());
    parent.fd = parent.walked.get();
  }
  parent.pieces = std::move(pieces);
  return parent;
}

// Does `act` in the folder of `pieces` beneath `base` (`parent` receives it); a kept folder
// that was removed behind our back (ENOENT) is let go and the folder walked to again.
template <class Act>
bool act_in_parent(const std::string& base, const std::vector<std::string>& pieces,
                   parent_folder& parent, Act act) {
  parent = parent_beneath(base, pieces);
  if (parent.fd >= 0 && act(parent)) return true;
  if (errno != ENOENT || !parent.is_kept()) return false;
  let_go_of_kept_folder();
  parent = parent_beneath(base, pieces);
  return parent.fd >= 0 && act(parent);
}

bool same_letters(const std::string& x, const std::string& y) {
  return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// True when moving (or replacing) the entry `pieces` beneath `base` may move the kept folder:
// it is that folder or one it lies in, or lies beneath another spelling of the base. Names are
// compared without regard to case, for a store on a volume that ignores it.
bool takes_kept_folder(const std::string& base, const std::vector<std::string>& pieces) {
  if (!kept.folder.ok()) return false;
  if (base != kept.base) return true;
  return pieces.size() <= kept.pieces.size() &&
         std::equal(pieces.begin(), pieces.end(), kept.pieces.begin(), same_letters);
}

// Keeps a folder walked to, in place of the one kept so far; parent.fd stays valid.
void keep(const std::string& base, parent_folder& parent) {
  if (!parent.walked.ok()) return;
  kept.base = base;
  kept.pieces = std::move(parent.pieces);
  kept.folder = std::move(parent.walked);
}

bool is_link_at(int dir_fd, const std::string& name) {
  struct stat st {};
  return fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

// True when the pieces `x` and `y` name entries of one folder: the same pieces but for the
// last, which names an entry (not empty, "." or "..") in both.
bool same_folder(const std::vector<std::string>& x, const std::vector<std::string>& y) {
  if (x.size() != y.size() || x.empty()) return false;
  for (const std::string* last : {&x.back(), &y.back()}) {
    if (last->empty() || *last == "." || *last == "..") return false;
  }
  return std::equal(x.begin(), x.end() - 1, y.begin());
}

// renameat without replacing, as rename_no_replace does for whole paths.
bool renameat_no_replace(int from_fd, const std::string& from, int to_fd, const std::string& to) {
  if (renameat_no_replace_at_once(from_fd, from, to_fd, to)) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return renameat_no_replace_fallback(from_fd, from, to_fd, to);
}

// `name` with its ASCII letters in the other case; equal to `name` when it has none.
std::string other_case(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

// True when the folder holds an entry spelt exactly `name`, byte for byte.
bool holds_exactly(int dir_fd, const std::string& name) {
  const int fd = openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  bool found = false;
  while (const struct dirent* e = readdir(dir)) {
    if (name == e->d_name) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

// True when what stands at `name` in the folder is the entry of that exact name, not a twin
// that a file system folding letter case (exFAT, FAT, NTFS, a case-folding folder) or
// dropping a trailing dot found in its place. Where the same name in the other case finds
// nothing, the folder tells case apart and the lookup was exact; otherwise (or for a name
// without letters, or ending in a dot or blank) the folder is listed.
bool stands_exactly(int dir_fd, const std::string& name) {
  const std::string swapped = other_case(name);
  struct stat st {};
  if (swapped != name && name.back() != '.' && name.back() != ' ' &&
      fstatat(dir_fd, swapped.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
    return true;
  }
  return holds_exactly(dir_fd, name);
}

// realpath of the nearest existing folder of `native`, with the missing rest added and its
// "." and ".." pieces reduced as text (nothing there exists, so no link can change them).
std::string resolved(const std::string& native) {
  std::vector<std::string> rest;
  std::string path = native.empty() ? "." : native;
  for (;;) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string out = real;
      free(real);
      for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
        if (*it == "..") {
          const size_t slash = out.rfind('/');
          out.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
        } else if (*it != "." && !it->empty()) {
          if (out.back() != '/') out += '/';
          out += *it;
        }
      }
      return out;
    }
    if (errno != ENOENT && errno != ENOTDIR) return std::string();
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
      rest.push_back(path);
      path = ".";
    } else if (slash == 0) {
      if (path.size() == 1) return std::string();
      rest.push_back(path.substr(1));
      path = "/";
    } else {
      rest.push_back(path.substr(slash + 1));
      path.resize(slash);
    }
  }
}

// Opens `path` only when it is a regular file, and never waits: a FIFO put in place of a
// file of the store or of the settings would hold the open, or a later write, forever. The
// descriptor blocks as usual once it is known to be a file (F_SETFL takes the status flags
// we opened with, O_NONBLOCK left out; it ignores the access and creation flags). `st`
// receives the file's state. -1 on any failure.
int open_regular(const std::string& path, int flags, struct stat& st) {
  const int fd = open(native_path(path).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, flags) != 0) {
    ::close(fd);
    errno = EINVAL;  // not a plain file
    return -1;
  }
  return fd;
}

// Makes a new file named parent.name in the parent folder, never through a link there;
// the descriptor, or -1.
int create_file_in(const parent_folder& parent) {
  if (parent.fd < 0) return -1;
  constexpr int k_flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  // Private while it fills: a copy gets its bits once its data is written.
  int fd = openat(parent.fd, parent.name.c_str(), k_flags, 0600);
  if (fd < 0 && errno == EEXIST) {  // a leftover: the entry goes, never what it may link to
    unlinkat(parent.fd, parent.name.c_str(), 0);
    fd = openat(parent.fd, parent.name.c_str(), k_flags, 0600);
  }
  return fd;
}

// Renames between two folders; with `replace` a file at `to` is replaced, a link there is not,
// and neither is a twin that only a file system folding letter case takes for `to` ("A.txt"
// for "a.txt"): that fails with EEXIST.
bool rename_at(int from_fd, const std::string& from, int to_fd, const std::string& to,
               bool replace) {
  if (!replace) return renameat_no_replace(from_fd, from, to_fd, to);
  // Most targets are new (a first run, a restore into an empty folder): one call settles
  // those; a name already there is replaced only when it is no link and no twin.
  if (renameat_no_replace_at_once(from_fd, from, to_fd, to)) return true;
  if (errno == EINVAL || errno == ENOSYS) {
    if (renameat_no_replace_fallback(from_fd, from, to_fd, to)) return true;
  }
  if (errno != EEXIST) return false;
  if (is_link_at(to_fd, to)) {
    errno = ELOOP;
    return false;
  }
  if (!stands_exactly(to_fd, to)) {
    errno = EEXIST;
    return false;
  }
  return renameat(from_fd, from.c_str(), to_fd, to.c_str()) == 0;
}

class posix_host : public host {
 public:
  bool search(const std::string& pattern, std::vector<found_entry>& out) override {
    out.clear();
    const std::string folder = native_folder_of_pattern(pattern);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return noted(false);
    const int dir_fd = dirfd(dir);
    // A folder's entries lie on its own volume, but for the folders other volumes are mounted on.
    struct stat folder_state {};
    const bool have_folder_state = fstat(dir_fd, &folder_state) == 0;
    const bool keeps = !have_folder_state || fd_keeps_bits(dir_fd, folder_state.st_dev);
    while (struct dirent* d = readdir(dir)) {
      found_entry entry;
      entry.name = cp932::from_unicode_name(d->d_name);
      if (is_dot_or_dot_dot(d->d_name)) {
        // Every caller passes over these two: asking their state was two calls a folder.
        entry.attributes = k_directory;
        out.push_back(std::move(entry));
        continue;
      }
      dev_t dev = 0;
      inspect(dir_fd, d->d_name, entry, dev);
      if (keeps || (have_folder_state && dev != folder_state.st_dev)) {
        entry.permissions |= k_permissions_known;
      }
      // An entry removed since the folder was read is simply gone (errno is the failed
      // lstat's); any other failure, in a folder that may be listed but not entered, leaves
      // the entry unknown.
      if (entry.unreadable && errno == ENOENT) continue;
      out.push_back(std::move(entry));
    }
    closedir(dir);
    return true;
  }

  bool create_folder(const std::string& path) override {
    return noted(mkdir(native_path(path).c_str(), 0700) == 0);
  }

  // The calls by path that may move or remove a folder let the kept one go first.
  bool rename(const std::string& from, const std::string& to) override {
    let_go_of_kept_folder();
    return noted(rename_no_replace(native_path(from), native_path(to)));
  }

  bool replace_file(const std::string& from, const std::string& to) override {
    let_go_of_kept_folder();
    return noted(::rename(native_path(from).c_str(), native_path(to).c_str()) == 0);
  }

  bool remove_file(const std::string& path) override {
    return noted(unlink(native_path(path).c_str()) == 0);
  }

  bool remove_folder(const std::string& path) override {
    let_go_of_kept_folder();
    return noted(rmdir(native_path(path).c_str()) == 0);
  }

  bool exists(const std::string& path) override {
    struct stat st {};
    if (lstat(native_path(path).c_str(), &st) == 0) return true;
    return errno != ENOENT && errno != ENOTDIR;
  }

  std::unique_ptr<file> open_read(const std::string& path) override {
    struct stat st {};
    const int fd = open_regular(path, O_RDONLY, st);
    if (!noted(fd >= 0)) return nullptr;
    return std::make_unique<posix_file>(fd, st);
  }

  std::unique_ptr<file> open_read_or_link(const std::string& path,
                                          std::string& link_target) override {
    link_target.clear();
    const std::string native = native_path(path);
    struct stat st {};
    const int fd = open_regular(path, O_RDONLY | O_NOFOLLOW, st);
    if (fd >= 0) return std::make_unique<posix_file>(fd, st);
    const int code = errno;
    if (lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        read_link_at(AT_FDCWD, native.c_str(), st, link_target)) {
      return nullptr;
    }
    refused(code);
    return nullptr;
  }

  std::unique_ptr<file> open_write(const std::string& path) override {
    struct stat st {};
    const int fd = open_regular(path, O_RDWR | O_CREAT | O_TRUNC, st);
    if (!noted(fd >= 0)) return nullptr;
    return std::make_unique<posix_file>(fd);
  }

  bool append_text(const std::string& path, const std::string& bytes) override {
    struct stat st {};
    const int fd = open_regular(path, O_WRONLY | O_APPEND | O_CREAT, st);
    if (!noted(fd >= 0)) return false;
    posix_file f(fd);
    const bool written = f.write(bytes.data(), bytes.size());
    return f.close() && written;
  }

  bool sync_folder(const std::string& path) override {
    let_go_of_kept_folder();
    const int fd = open(native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!noted(fd >= 0)) return false;
    const bool synced = noted(fsync(fd) == 0);
    ::close(fd);
    return synced;
  }

  bool sync_volume(const std::string& path) override {
    let_go_of_kept_folder();
    const int fd = open(native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!noted(fd >= 0)) return false;
    const bool synced = noted(syncfs(fd) == 0);
    ::close(fd);
    return synced;
  }

  lock_result lock_file(const std::string& path) override { return lock_at(native_path(path)); }

  bool create_folder_beneath(const std::string& base, const std::string& relative) override {
    std::string name;
    const folder_fd parent = open_parent_beneath(base, relative, name);
    return noted(parent.ok() && mkdirat(parent.get(), name.c_str(), 0700) == 0);
  }

  bool permissions_of(const std::string& path, permissions& out) override {
    const std::string native = native_path(path);
    struct stat st {};
    if (!noted(lstat(native.c_str(), &st) == 0)) return false;
    const bool keeps = volume_keeps_bits(
        st.st_dev, [&native](struct statfs& fs) { return statfs(native.c_str(), &fs); });
    out = permissions_from(st, keeps);
    return true;
  }

  bool set_folder_permissions_beneath(const std::string& base, const std::string& relative,
                                      const permissions& p) override {
    std::string name;
    const folder_fd parent = open_parent_beneath(base, relative, name);
    if (!noted(parent.ok())) return false;
    const folder_fd folder(
        openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return noted(folder.ok()) && give_permissions(folder.get(), p, 0777);
  }

  bool is_folder_beneath(const std::string& base, const std::string& relative) override {
    std::string name;
    const folder_fd parent = open_parent_beneath(base, relative, name);
    struct stat st {};
    return parent.ok() && fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(st.st_mode);
  }

  std::unique_ptr<file> open_write_beneath(const std::string& base,
                                           const std::string& relative) override {
    parent_folder parent;
    int fd = -1;
    const bool made =
        act_in_parent(base, split_path(relative), parent, [&](const parent_folder& p) {
          fd = create_file_in(p);
          return fd >= 0;
        });
    if (!noted(made)) return nullptr;
    keep(base, parent);
    return std::make_unique<posix_file>(fd);
  }

  bool create_link_beneath(const std::string& base, const std::string& relative,
                           const std::string& target) override {
    parent_folder parent;
    return noted(act_in_parent(base, split_path(relative), parent, [&](const parent_folder& p) {
      if (symlinkat(target.c_str(), p.fd, p.name.c_str()) == 0) return true;
      if (errno != EEXIST || unlinkat(p.fd, p.name.c_str(), 0) != 0) return false;
      return symlinkat(target.c_str(), p.fd, p.name.c_str()) == 0;
    }));
  }

  bool rename_beneath(const std::string& base, const std::string& from, const std::string& to,
                      bool replace) override {
    const std::vector<std::string> from_pieces = split_path(from);
    const std::vector<std::string> to_pieces = split_path(to);
    if (takes_kept_folder(base, from_pieces) || takes_kept_folder(base, to_pieces)) {
      let_go_of_kept_folder();
    }
    parent_folder parent;
    if (!same_folder(from_pieces, to_pieces)) {
      // A run moves a replaced file out of the kept folder, where its new copy waits: the
      // source side may be the kept folder, the target side is walked to (and never kept, so
      // that a walk again on the source side cannot close it).
      std::string to_name;
      const folder_fd to_parent = open_parent_beneath(base, to, to_name);
      if (!noted(to_parent.ok())) return false;
      return noted(act_in_parent(base, from_pieces, parent, [&](const parent_folder& p) {
        return rename_at(p.fd, p.name, to_parent.get(), to_name, replace);
      }));
    }
    // A copy's temporary file is renamed within its folder, most often the kept one.
    const std::string to_name = native_path(to_pieces.back());
    return noted(act_in_parent(base, from_pieces, parent, [&](const parent_folder& p) {
      return rename_at(p.fd, p.name, p.fd, to_name, replace);
    }));
  }

  bool remove_file_beneath(const std::string& base, const std::string& relative) override {
    parent_folder parent;
    return noted(act_in_parent(base, split_path(relative), parent, [](const parent_folder& p) {
      return unlinkat(p.fd, p.name.c_str(), 0) == 0;
    }));
  }

  void let_go_of_folders() override { let_go_of_kept_folder(); }

  std::string real_path(const std::string& path) override {
    const std::string real = resolved(native_path(path));
    return real.empty() ? std::string() : cp932::from_unicode(real);
  }

  bool set_folder_time(const std::string& path, uint32_t packed) override {
    const std::string native = native_path(path);
    struct stat st {};
    if (!noted(lstat(native.c_str(), &st) == 0)) return false;
    if (!S_ISDIR(st.st_mode)) return refused(ENOTDIR);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = epoch_from_packed(packed);
    times[1].tv_nsec = 0;
    return noted(utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0);
  }

  bool parallel_searches() override { return true; }
  bool parallel_copies() override { return true; }

  std::string take_failure_reason() override {
    if (noted_errno == 0) return std::string();
    char buffer[256];
    const std::string reason = strerror_r(noted_errno, buffer, sizeof buffer);
    noted_errno = 0;
    return cp932::from_unicode(reason);
  }

  std::string executable_path() override {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
    if (n <= 0) return std::string();
    buffer.resize(static_cast<size_t>(n));
    return cp932::from_unicode_name(buffer);
  }

  // getpid is a system call every time, and a copy asks once a file: the id is kept, and
  // forgotten in a child of fork, which has an id of its own.
  uint32_t process_id() override {
    static const int watching_forks = pthread_atfork(nullptr, nullptr, [] { kept_pid = 0; });
    (void)watching_forks;
    pid_t pid = kept_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
      pid = getpid();
      kept_pid.store(pid, std::memory_order_relaxed);
    }
    return static_cast<uint32_t>(pid);
  }

  std::string environment(const std::string& name) override {
    const char* value = getenv(cp932::to_unicode(name).c_str());
    return value == nullptr ? std::string() : cp932::from_unicode(value);
  }

  std::string date_text(uint32_t packed) override { return format_date_text(packed); }

  uint32_t current_time() override { return packed_from_epoch(time(nullptr)); }

  void beep() override {
    if (isatty(STDERR_FILENO)) {
      const ssize_t ignored = ::write(STDERR_FILENO, "\a", 1);
      (void)ignored;
    }
  }
};

}  // namespace

host& default_host() {
  static posix_host instance;
  return instance;
}

}  // namespace host
