#include "platform/testing/attributes.h"

#include "platform/host.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/wide_text.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include "platform/native_path.h"
#endif

namespace testing_support {

#ifdef _WIN32

bool set_attributes(const std::string& path, uint32_t attributes) {
  const std::u16string wide = host::windows_path(path);
  const DWORD bits = attributes & (host::k_read_only | host::k_hidden | host::k_system);
  return SetFileAttributesW(std::wstring(wide.begin(), wide.end()).c_str(),
                            bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits) != 0;
}

bool has_hidden_and_system_bits() { return true; }

bool running_as_root() { return false; }

bool set_owner(const std::string& path, uint32_t owner, uint32_t group) {
  (void)path, (void)owner, (void)group;
  return false;
}

std::pair<uint32_t, uint32_t> owner_of(const std::string& path) {
  (void)path;
  return {0, 0};
}

#else

bool set_attributes(const std::string& path, uint32_t attributes) {
  const std::string native = host::native_path(path);
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & host::k_read_only) != 0 ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
  return chmod(native.c_str(), mode) == 0;
}

bool has_hidden_and_system_bits() { return false; }

bool running_as_root() { return geteuid() == 0; }

bool set_owner(const std::string& path, uint32_t owner, uint32_t group) {
  return lchown(host::native_path(path).c_str(), owner, group) == 0;
}

std::pair<uint32_t, uint32_t> owner_of(const std::string& path) {
  struct stat st {};
  if (lstat(host::native_path(path).c_str(), &st) != 0) return {0, 0};
  return {st.st_uid, st.st_gid};
}

#endif

}  // namespace testing_support
