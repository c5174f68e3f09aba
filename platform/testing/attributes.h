// Setting attribute bits on files and folders, for tests (Windows: the system's own bits;
// POSIX: only read-only, as the owner's write permission).
#ifndef ZOLK_PLATFORM_TESTING_ATTRIBUTES_H
#define ZOLK_PLATFORM_TESTING_ATTRIBUTES_H

#include <cstdint>
#include <string>
#include <utility>

namespace testing_support {

// Sets the read-only, hidden and system bits of `attributes` (host::k_read_only ...) on the
// entry at a CP932 path and clears the others. False when the system refuses. On POSIX the
// hidden and system bits do not exist and are ignored.
bool set_attributes(const std::string& path, uint32_t attributes);

// True when this system keeps hidden and system bits.
bool has_hidden_and_system_bits();

// True when the tests run with the rights of the system's administrator (POSIX: root).
bool running_as_root();

// POSIX: gives the entry at a CP932 path (a link itself, not what it names) to `owner` and
// `group`; false when the system refuses or has no owners (Windows).
bool set_owner(const std::string& path, uint32_t owner, uint32_t group);

// POSIX: the owner and group of the entry at a CP932 path (a link itself); {0, 0} when it
// cannot be told.
std::pair<uint32_t, uint32_t> owner_of(const std::string& path);

}  // namespace testing_support

#endif
