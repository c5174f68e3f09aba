#include "platform/host.h"

#include <algorithm>

namespace host {

bool read_to_end(file& f, std::string& out, size_t limit) {
  char buffer[65536];
  size_t read = 0;
  while (read < limit) {
    const int64_t n = f.read(buffer, std::min(sizeof buffer, limit - read));
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buffer, static_cast<size_t>(n));
    read += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace host
