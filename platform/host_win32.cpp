// The Win32 host: the wide API, names through WTF-8 and CP932, packed local DOS times.
//
// Links: a symbolic link to a file is described and copied as itself (its target text, read
// from its reparse data), never followed. A link to a folder, a junction and any other reparse
// point that names another place is never descended and cannot be stored. Links are made only
// where the process may make them (an administrator, or developer mode); elsewhere the call
// fails and a run skips the link.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/host.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"
#include "platform/wide_text.h"

namespace host {
namespace {

// The error of this thread's most recent failed call; 0 once taken (see take_failure_reason).
thread_local DWORD noted_error = 0;

// Passes `ok` through, noting GetLastError when it reports a failure.
bool noted(bool ok) {
  if (!ok) {
    const DWORD error = GetLastError();
    noted_error = error != 0 ? error : ERROR_GEN_FAILURE;
  }
  return ok;
}

// Fails with `code` as the reason, for refusals the system itself did not make.
bool refused(DWORD code) {
  SetLastError(code);
  return noted(false);
}

// The system's text for an error code, without its closing line end, and the code itself.
std::wstring error_text(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n' || out.back() == L' '))
    out.pop_back();
  return out + L" (" + std::to_wstring(code) + L")";
}

constexpr DWORD k_attribute_mask = 0x3F;
constexpr DWORD k_io_chunk = 1u << 30;  // ReadFile and WriteFile take 32-bit counts

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string utf16(const wchar_t* text, size_t length) {
  return std::u16string(text, text + length);
}
std::u16string utf16(const std::wstring& text) { return utf16(text.data(), text.size()); }

// A relative path is made absolute first, so that it too gets the verbatim form and its
// unlimited length.
std::wstring win_path(const std::string& cp932_path) {
  const std::wstring path = wide(windows_path(cp932_path));
  if (path.empty() || path.compare(0, 4, L"\\\\?\\") == 0) return path;
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (written == 0 || written >= size) return path;
  full.resize(written);
  return wide(windows_path(zolk_path(utf16(full))));
}

std::wstring child(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

std::string name_from_wide(const wchar_t* name) {
  return cp932::from_unicode_name(wtf8_from_utf16(utf16(name, wcslen(name))));
}

// The DOS form holds 1980-2107 only; the range is checked here because not every system's
// FileTimeToDosDateTime refuses a time outside it (Wine wraps the year).
uint32_t packed_from_filetime(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) {
    return pack_time(calendar_time{});
  }
  WORD date = 0;
  WORD time = 0;
  if (st.wYear < 1980 || st.wYear > 2107 || !FileTimeToDosDateTime(&local, &date, &time)) {
    return pack_time(calendar_time{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
  }
  return static_cast<uint32_t>(date) << 16 | time;
}

bool filetime_from_packed(uint32_t packed, FILETIME& utc) {
  FILETIME local;
  return DosDateTimeToFileTime(static_cast<WORD>(packed >> 16), static_cast<WORD>(packed & 0xFFFF),
                               &local) &&
         LocalFileTimeToFileTime(&local, &utc);
}

constexpr DWORD k_symlink_tag = IO_REPARSE_TAG_SYMLINK;

// The fixed part of a symbolic link's reparse data (REPARSE_DATA_BUFFER, which the headers
// declare only for drivers): the places of its two names in the text that follows.
struct symlink_reparse_header {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset;
  WORD substitute_length;
  WORD print_offset;
  WORD print_length;
  ULONG flags;
};
static_assert(sizeof(symlink_reparse_header) == 20, "the layout the system writes");

// The target text of the symbolic link open as `h` (opened with FILE_FLAG_OPEN_REPARSE_POINT):
// its print name, else its substitute name without the "\??\" the system puts before an
// absolute one. A relative target stays relative. Empty when `h` is no symbolic link or its
// data cannot be read.
std::wstring symlink_target(HANDLE h) {
  std::string data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE, '\0');
  DWORD got = 0;
  if (!DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, &data[0],
                       static_cast<DWORD>(data.size()), &got, nullptr) ||
      got < sizeof(symlink_reparse_header)) {
    return std::wstring();
  }
  symlink_reparse_header header;
  memcpy(&header, data.data(), sizeof header);
  if (header.tag != k_symlink_tag) return std::wstring();
  const auto name = [&](WORD offset, WORD length) {
    const size_t start = sizeof header + offset;
    if (offset % 2 != 0 || length % 2 != 0 || start + length > got) return std::wstring();
    std::wstring text(length / 2, L'\0');
    if (length > 0) memcpy(&text[0], data.data() + start, length);
    return text;
  };
  std::wstring target = name(header.print_offset, header.print_length);
  if (!target.empty()) return target;
  target = name(header.substitute_offset, header.substitute_length);
  if (target.compare(0, 8, L"\\??\\UNC\\") == 0) return L"\\" + target.substr(7);
  if (target.compare(0, 4, L"\\??\\") == 0) return target.substr(4);
  return target;
}

// A link's target as CP932 in `out`, as names travel; false, with `out` empty, when there is no
// text or it would not come back whole.
bool cp932_target(const std::wstring& target, std::string& out) {
  out = cp932::from_unicode_name(wtf8_from_utf16(utf16(target)));
  if (!target.empty() && wide(utf16_from_wtf8(cp932::to_unicode(out))) == target) return true;
  out.clear();
  return false;
}

// True when the entry open as `h` is a symbolic link to a file (by its own attributes, whatever
// its target names or if nothing), with its target text as CP932 in `target`.
bool read_file_link(HANDLE h, std::string& target) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info) ||
      (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 ||
      (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || info.ReparseTag != k_symlink_tag) {
    return false;
  }
  return cp932_target(symlink_target(h), target);
}

// Opens the entry at `path` itself, never what it names: a link, a junction or a folder too.
HANDLE open_entry(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The symbolic link to a file at `path`, as read_file_link tells it.
bool file_link_at(const std::wstring& path, std::string& target) {
  const HANDLE h = open_entry(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool link = read_file_link(h, target);
  CloseHandle(h);
  return link;
}

// A symbolic link to a file is described as itself, as on POSIX: its target text (never
// followed, whatever it names or if nothing), its size the text's length, its time its own.
// One whose text cannot be read or kept cannot be backed up.
void describe_file_link(const std::wstring& path, found_entry& entry) {
  entry.attributes = k_archive;
  entry.is_special = !file_link_at(path, entry.link_target);
  entry.full_size = entry.link_target.size();
  entry.size = static_cast<uint32_t>(entry.full_size);
}

// A file whose reparse point keeps its data elsewhere (a cloud file, a deduplicated one) stands
// for that data, which is read through it.
void describe_stand_in_file(const std::wstring& path, found_entry& entry) {
  const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!ok || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    entry.is_special = true;
    return;
  }
  entry.attributes = info.dwFileAttributes & k_attribute_mask;
  entry.full_size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  entry.size = info.nFileSizeLow;
  entry.time = packed_from_filetime(info.ftLastWriteTime);
}

// A reparse point is never descended. A symbolic link to a file is a link; one to a folder, a
// junction (a user profile's "Application Data" among them) and every other reparse point that
// names another place cannot be backed up (a link made from one could not be told a folder's
// from a file's). Any other reparse point is a file whose data lies elsewhere: it is the file.
void describe_reparse_point(const WIN32_FIND_DATAW& data, const std::wstring& path,
                            found_entry& entry) {
  entry.is_link = true;
  const DWORD tag = data.dwReserved0;  // the reparse tag, for an entry that has one
  const bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!is_folder && tag == k_symlink_tag) {
    describe_file_link(path, entry);
  } else if (!is_folder && !IsReparseTagNameSurrogate(tag)) {
    describe_stand_in_file(path, entry);
  } else {
    entry.is_special = true;
  }
  if (entry.is_special) entry.attributes &= ~static_cast<uint32_t>(FILE_ATTRIBUTE_DIRECTORY);
}

found_entry entry_from(const WIN32_FIND_DATAW& data, const std::wstring& folder) {
  found_entry entry;
  entry.name = name_from_wide(data.cFileName);
  entry.attributes = data.dwFileAttributes & k_attribute_mask;
  const bool is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.full_size =
      is_folder ? 0 : static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  entry.size = static_cast<uint32_t>(entry.full_size);
  entry.time = packed_from_filetime(data.ftLastWriteTime);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    describe_reparse_point(data, child(folder, data.cFileName), entry);
  }
  return entry;
}

class win32_file : public file {
 public:
  explicit win32_file(HANDLE handle) : handle_(handle) {}
  ~win32_file() override { close(); }

  int64_t read(void* buffer, size_t length) override {
    const DWORD wanted = length > k_io_chunk ? k_io_chunk : static_cast<DWORD>(length);
    DWORD got = 0;
    if (!noted(ReadFile(handle_, buffer, wanted, &got, nullptr) != 0)) return -1;
    return got;
  }

  bool write(const void* buffer, size_t length) override {
    const char* p = static_cast<const char*>(buffer);
    while (length > 0) {
      const DWORD wanted = length > k_io_chunk ? k_io_chunk : static_cast<DWORD>(length);
      DWORD written = 0;
      if (!noted(WriteFile(handle_, p, wanted, &written, nullptr) != 0)) return false;
      if (written == 0) return refused(ERROR_WRITE_FAULT);
      p += written;
      length -= written;
    }
    return true;
  }

  bool seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) != 0;
  }

  int64_t length() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return -1;
    return size.QuadPart;
  }

  bool get_time(uint32_t& packed) override {
    FILETIME written;
    if (!GetFileTime(handle_, nullptr, nullptr, &written)) return false;
    packed = packed_from_filetime(written);
    return true;
  }

  bool set_time(uint32_t packed) override {
    FILETIME utc;
    return noted(filetime_from_packed(packed, utc) && SetFileTime(handle_, nullptr, nullptr, &utc));
  }

  bool sync() override { return noted(FlushFileBuffers(handle_) != 0); }

  bool close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return noted(closed != 0);
  }

 private:
  HANDLE handle_;
};

constexpr DWORD k_share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_handle(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileW(win_path(path).c_str(), access, k_share_all, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool is_existing_folder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Lists one folder; false when it cannot be listed. A folder with no entries at all (a drive
// root lacks even "." and "..") is listed as empty, but only once it is known to exist: a
// missing folder taken for an empty one would read as "everything was deleted".
bool find_all(const std::wstring& folder, std::vector<found_entry>& out) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileExW(child(folder, L"*").c_str(), FindExInfoStandard, &data,
                                       FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_NOT_FOUND && is_existing_folder(folder);
  }
  do {
    out.push_back(entry_from(data, folder));
  } while (FindNextFileW(find, &data));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  return complete;
}

std::wstring module_file_name() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return buffer.substr(0, n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring environment_variable(const std::wstring& name, bool& found) {
  std::wstring buffer(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n =
        GetEnvironmentVariableW(name.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    found = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    if (n < buffer.size()) return buffer.substr(0, n);
    buffer.resize(n);
  }
}

std::wstring formatted(const SYSTEMTIME& st, bool date) {
  const int n = date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, nullptr, 0)
                     : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring buffer(static_cast<size_t>(n), L'\0');
  const int written =
      date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, &buffer[0], n)
           : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, &buffer[0], n);
  if (written <= 0) return std::wstring();
  buffer.resize(static_cast<size_t>(written - 1));  // the count includes the terminator
  return buffer;
}

class win32_lock : public lock {
 public:
  explicit win32_lock(HANDLE handle) : handle_(handle) {}
  ~win32_lock() override { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

// A byte-range lock belongs to the handle, so a second handle of this process conflicts too,
// and the system drops it when the process ends. Reparse points are opened, never followed.
lock_result lock_at(const std::wstring& path) {
  constexpr DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, k_share_all, nullptr,
                         OPEN_ALWAYS, flags, nullptr);
  // A store on a read-only medium still has its lock file, and a reader may lock it.
  if (h == INVALID_HANDLE_VALUE) {
    h = CreateFileW(path.c_str(), GENERIC_READ, k_share_all, nullptr, OPEN_EXISTING, flags,
                    nullptr);
  }
  lock_result result;
  if (h == INVALID_HANDLE_VALUE) return result;
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD not_plain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & not_plain) != 0) {
    CloseHandle(h);
    return result;
  }
  OVERLAPPED whole{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    const DWORD error = GetLastError();
    result.state = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? lock_state::busy
                                                                              : lock_state::failed;
    CloseHandle(h);
    return result;
  }
  result.state = lock_state::taken;
  result.held = std::make_unique<win32_lock>(h);
  return result;
}

// base\relative as one CP932 path.
std::string beneath(const std::string& base, const std::string& relative) {
  return base.empty() ? relative : base + "\\" + relative;
}

// True when every piece of `relative` beneath `base` (the last one only when `with_last`) is
// not a reparse point. A missing piece passes: the call that follows fails on it. Windows has
// no call that walks a path without following links, so each piece is looked at first.
bool no_reparse_beneath(const std::string& base, const std::string& relative, bool with_last) {
  const std::vector<std::string> pieces = split_path(relative);
  if (pieces.empty() || pieces.front().empty()) return false;
  std::string path = base;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i] == "." || pieces[i] == "..") return false;
    path = beneath(path, pieces[i]);
    if (i + 1 == pieces.size() && !with_last) break;
    const DWORD attributes = GetFileAttributesW(win_path(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return false;
    }
  }
  return true;
}

// The final path of an opened handle, without the verbatim prefix ("\\?\UNC\s\x" -> "\\s\x").
std::wstring final_path(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), 0, k_share_all, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring buffer(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
  if (n >= buffer.size()) {
    buffer.resize(n);
    n = GetFinalPathNameByHandleW(h, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
  }
  CloseHandle(h);
  if (n == 0 || n >= buffer.size()) return std::wstring();
  buffer.resize(n);
  if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + buffer.substr(7);
  if (buffer.compare(0, 4, L"\\\\?\\") == 0) return buffer.substr(4);
  return buffer;
}

// The final path of the nearest existing folder, with the missing rest added (win_path has
// already taken "." and ".." away as text).
std::wstring resolved(std::wstring path) {
  std::vector<std::wstring> rest;
  for (;;) {
    std::wstring real = final_path(path);
    if (!real.empty()) {
      for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
        if (real.back() != L'\\') real += L'\\';
        real += *it;
      }
      return real;
    }
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 >= path.size()) return std::wstring();
    rest.push_back(path.substr(slash + 1));
    path.resize(slash);
    if (!path.empty() && path.back() == L':') path += L'\\';  // the drive root, not the volume
  }
}

// The file open as `h`, which it takes; null (closing it) when it is no file on a disk.
std::unique_ptr<file> disk_file(HANDLE h) {
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    refused(ERROR_INVALID_FUNCTION);
    return nullptr;
  }
  return std::make_unique<win32_file>(h);
}

// Makes a symbolic link to a file at `path` (nothing stands there). Every link a search reports
// as storable is one to a file, so a link made from its text is one too. Windows before 10
// (1703) refuses the flag that lets a process without the right to make links make them in
// developer mode; it is then asked without it. Only a link found there afterwards counts: Wine
// answers that it made one, and makes none.
bool make_file_link(const std::wstring& path, const std::wstring& target) {
  constexpr DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  bool made = CreateSymbolicLinkW(path.c_str(), target.c_str(), unprivileged) != 0;
  if (!made && GetLastError() == ERROR_INVALID_PARAMETER) {
    made = CreateSymbolicLinkW(path.c_str(), target.c_str(), 0) != 0;
  }
  if (!noted(made)) return false;
  std::string ignored;
  return file_link_at(path, ignored) || refused(ERROR_NOT_SUPPORTED);
}

class win32_host : public host {
 public:
  bool search(const std::string& pattern, std::vector<found_entry>& out) override {
    out.clear();
    if (find_all(win_path(folder_of_pattern(pattern)), out)) return true;
    noted(false);
    out.clear();
    return false;
  }

  bool create_folder(const std::string& path) override {
    return noted(CreateDirectoryW(win_path(path).c_str(), nullptr) != 0);
  }

  bool rename(const std::string& from, const std::string& to) override {
    return noted(MoveFileW(win_path(from).c_str(), win_path(to).c_str()) != 0);
  }

  bool replace_file(const std::string& from, const std::string& to) override {
    return noted(MoveFileExW(win_path(from).c_str(), win_path(to).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
  }

  bool remove_file(const std::string& path) override {
    return noted(DeleteFileW(win_path(path).c_str()) != 0);
  }

  bool exists(const std::string& path) override {
    if (GetFileAttributesW(win_path(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_DIRECTORY;
  }

  std::unique_ptr<file> open_read(const std::string& path) override {
    const HANDLE h = open_handle(path, GENERIC_READ, OPEN_EXISTING);
    if (!noted(h != INVALID_HANDLE_VALUE)) return nullptr;
    return disk_file(h);
  }

  // The entry itself is opened, never what a final reparse point names: a symbolic link to a
  // file gives its target text; a file whose data lies elsewhere (no name surrogate) is opened
  // again through its reparse point, and kept only when that is still the entry first opened;
  // anything else is refused.
  std::unique_ptr<file> open_read_or_link(const std::string& path,
                                          std::string& link_target) override {
    link_target.clear();
    const std::wstring native = win_path(path);
    const HANDLE h = CreateFileW(native.c_str(), GENERIC_READ, k_share_all, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();  // a link may refuse to be read, yet be read as one
      if (!file_link_at(native, link_target)) refused(error);
      return nullptr;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!noted(GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) != 0)) {
      CloseHandle(h);
      return nullptr;
    }
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return disk_file(h);
    BY_HANDLE_FILE_INFORMATION first;
    const bool is_link = read_file_link(h, link_target);
    const bool stand_in = !is_link && (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                          !IsReparseTagNameSurrogate(tag.ReparseTag) &&
                          GetFileInformationByHandle(h, &first) != 0;
    CloseHandle(h);
    if (is_link) return nullptr;
    if (!stand_in) {
      refused(ERROR_CANT_ACCESS_FILE);
      return nullptr;
    }
    const HANDLE data = open_handle(path, GENERIC_READ, OPEN_EXISTING);
    if (!noted(data != INVALID_HANDLE_VALUE)) return nullptr;
    BY_HANDLE_FILE_INFORMATION opened;
    if (!GetFileInformationByHandle(data, &opened) ||
        opened.dwVolumeSerialNumber != first.dwVolumeSerialNumber ||
        opened.nFileIndexHigh != first.nFileIndexHigh ||
        opened.nFileIndexLow != first.nFileIndexLow) {
      CloseHandle(data);
      refused(ERROR_CANT_ACCESS_FILE);
      return nullptr;
    }
    return disk_file(data);
  }

  // OPEN_ALWAYS and then cutting to nothing, because CREATE_ALWAYS refuses an existing hidden
  // or system file.
  std::unique_ptr<file> open_write(const std::string& path) override {
    const HANDLE h = open_handle(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (!noted(h != INVALID_HANDLE_VALUE)) return nullptr;
    auto f = std::make_unique<win32_file>(h);
    if (!noted(SetEndOfFile(h) != 0)) return nullptr;
    return f;
  }

  bool append_text(const std::string& path, const std::string& bytes) override {
    const HANDLE h = open_handle(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!noted(h != INVALID_HANDLE_VALUE)) return false;
    win32_file f(h);
    const bool written = f.write(bytes.data(), bytes.size());
    return f.close() && written;
  }

  // Windows journals folder entries itself, and flushing a folder handle needs write access
  // that an ordinary user may lack; the flush is tried, and the folder's presence decides.
  bool sync_folder(const std::string& path) override {
    const std::wstring folder = win_path(path);
    HANDLE h = CreateFileW(folder.c_str(), GENERIC_READ | GENERIC_WRITE, k_share_all, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      h = CreateFileW(folder.c_str(), GENERIC_READ, k_share_all, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    }
    if (!noted(h != INVALID_HANDLE_VALUE)) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool is_folder = GetFileInformationByHandle(h, &info) &&
                           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder) FlushFileBuffers(h);
    CloseHandle(h);
    return is_folder;
  }

  lock_result lock_file(const std::string& path) override { return lock_at(win_path(path)); }

  bool remove_folder(const std::string& path) override {
    return noted(RemoveDirectoryW(win_path(path).c_str()) != 0);
  }

  bool create_folder_beneath(const std::string& base, const std::string& relative) override {
    if (!no_reparse_beneath(base, relative, true)) return refused(ERROR_CANT_ACCESS_FILE);
    return noted(CreateDirectoryW(win_path(beneath(base, relative)).c_str(), nullptr) != 0);
  }

  bool is_folder_beneath(const std::string& base, const std::string& relative) override {
    if (!no_reparse_beneath(base, relative, true)) return false;
    return is_existing_folder(win_path(beneath(base, relative)));
  }

  std::unique_ptr<file> open_write_beneath(const std::string& base,
                                           const std::string& relative) override {
    if (!no_reparse_beneath(base, relative, false)) {
      refused(ERROR_CANT_ACCESS_FILE);
      return nullptr;
    }
    const std::wstring path = win_path(beneath(base, relative));
    DeleteFileW(path.c_str());
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, k_share_all, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!noted(h != INVALID_HANDLE_VALUE)) return nullptr;
    return std::make_unique<win32_file>(h);
  }

  // A file or a link to a file standing there is removed first; anything else (a folder, a
  // junction, a link to a folder) fails the call.
  bool create_link_beneath(const std::string& base, const std::string& relative,
                           const std::string& target) override {
    if (target.empty() || !no_reparse_beneath(base, relative, false)) {
      return refused(ERROR_CANT_ACCESS_FILE);
    }
    const std::wstring path = win_path(beneath(base, relative));
    const DWORD standing = GetFileAttributesW(path.c_str());
    if (standing != INVALID_FILE_ATTRIBUTES) {
      if ((standing & FILE_ATTRIBUTE_DIRECTORY) != 0) return refused(ERROR_ALREADY_EXISTS);
      if (!noted(DeleteFileW(path.c_str()) != 0)) return false;
    }
    return make_file_link(path, wide(utf16_from_wtf8(cp932::to_unicode(target))));
  }

  bool rename_beneath(const std::string& base, const std::string& from, const std::string& to,
                      bool replace) override {
    if (!no_reparse_beneath(base, from, false) || !no_reparse_beneath(base, to, true)) {
      return refused(ERROR_CANT_ACCESS_FILE);
    }
    const std::wstring from_path = win_path(beneath(base, from));
    const std::wstring to_path = win_path(beneath(base, to));
    if (!replace) return noted(MoveFileW(from_path.c_str(), to_path.c_str()) != 0);
    return noted(MoveFileExW(from_path.c_str(), to_path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
  }

  bool remove_file_beneath(const std::string& base, const std::string& relative) override {
    if (!no_reparse_beneath(base, relative, false)) return refused(ERROR_CANT_ACCESS_FILE);
    return noted(DeleteFileW(win_path(beneath(base, relative)).c_str()) != 0);
  }

  std::string real_path(const std::string& path) override {
    const std::wstring real = resolved(win_path(path));
    return real.empty() ? std::string() : zolk_path(utf16(real));
  }

  // FILE_FLAG_OPEN_REPARSE_POINT: a junction or link at the name is never followed; one that
  // stands there is refused.
  bool set_folder_time(const std::string& path, uint32_t packed) override {
    FILETIME utc;
    if (!filetime_from_packed(packed, utc)) return refused(ERROR_INVALID_PARAMETER);
    const HANDLE h = CreateFileW(
        win_path(path).c_str(), FILE_WRITE_ATTRIBUTES, k_share_all, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (!noted(h != INVALID_HANDLE_VALUE)) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD not_plain = FILE_ATTRIBUTE_REPARSE_POINT;
    bool ok = noted(GetFileInformationByHandle(h, &info) != 0);
    if (ok && ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
               (info.dwFileAttributes & not_plain) != 0)) {
      ok = refused(ERROR_DIRECTORY);
    }
    ok = ok && noted(SetFileTime(h, nullptr, nullptr, &utc) != 0);
    CloseHandle(h);
    return ok;
  }

  bool parallel_searches() override { return true; }
  bool parallel_copies() override { return true; }

  std::string take_failure_reason() override {
    if (noted_error == 0) return std::string();
    const std::wstring text = error_text(noted_error);
    noted_error = 0;
    return cp932::from_unicode(wtf8_from_utf16(utf16(text)));
  }

  std::string executable_path() override { return zolk_path(utf16(module_file_name())); }

  uint32_t process_id() override { return static_cast<uint32_t>(GetCurrentProcessId()); }

  std::string environment(const std::string& name) override {
    bool found = false;
    const std::wstring value =
        environment_variable(wide(utf16_from_wtf8(cp932::to_unicode(name))), found);
    return found ? cp932::from_unicode(wtf8_from_utf16(utf16(value))) : std::string();
  }

  uint32_t current_time() override {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return packed_from_filetime(now);
  }

  std::string date_text(uint32_t packed) override {
    const calendar_time t = unpack_time(packed);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    std::wstring text = formatted(st, true);
    // A packed value the locale functions refuse (a damaged time) still shows something.
    if (text.empty()) return format_date_text(packed);
    if (t.hour != 0 || t.minute != 0 || t.second != 0) text += L" " + formatted(st, false);
    return cp932::from_unicode(wtf8_from_utf16(utf16(text)));
  }

  void beep() override { MessageBeep(MB_OK); }
};

}  // namespace

host& default_host() {
  static win32_host instance;
  return instance;
}

}  // namespace host
