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

#endif

}  // namespace testing_support
