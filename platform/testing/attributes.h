// Setting attribute bits on files and folders, for tests (Windows: the system's own bits;
// POSIX: only read-only, as the owner's write permission).
#ifndef ZOLK_PLATFORM_TESTING_ATTRIBUTES_H
#define ZOLK_PLATFORM_TESTING_ATTRIBUTES_H

#include <cstdint>
#include <string>

namespace testing_support {

// Sets the read-only, hidden and system bits of `attributes` (host::k_read_only ...) on the
// entry at a CP932 path and clears the others. False when the system refuses. On POSIX the
// hidden and system bits do not exist and are ignored.
bool set_attributes(const std::string& path, uint32_t attributes);

// True when this system keeps hidden and system bits.
bool has_hidden_and_system_bits();

}  // namespace testing_support

#endif
