#include "engine/store/change_check.h"

#include <cstring>
#include <memory>
#include <vector>

#include "engine/common/paths.h"

namespace engine {
namespace {

constexpr size_t k_block = 64 * 1024;
constexpr size_t k_record_limit = 64;  // a planted huge file is never read whole

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads up to `length` bytes, as many as the file has; -1 on a read error.
int64_t read_fully(host::file& f, char* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    const int64_t n = f.read(buffer + done, length - done);
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

}  // namespace

uint32_t read_check_record(host::host& h, const std::string& destination) {
  const std::unique_ptr<host::file> f = h.open_read(path_join(destination, k_check_record_name));
  std::string text;
  if (f == nullptr || !host::read_to_end(*f, text, k_record_limit)) return 0;
  // Eight hex digits, then the line end: anything else (a torn write) trusts no time.
  if (text.size() < 8 || (text.size() > 8 && text[8] != '\r' && text[8] != '\n')) return 0;
  uint32_t packed = 0;
  for (size_t i = 0; i < 8; ++i) {
    const int digit = hex_digit(text[i]);
    if (digit < 0) return 0;
    packed = packed << 4 | static_cast<uint32_t>(digit);
  }
  return packed;
}

bool write_check_record(host::host& h, const std::string& destination, uint32_t since) {
  static const char k_digits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (size_t i = 0; i < 8; ++i) text[7 - i] = k_digits[(since >> (4 * i)) & 0xF];
  text += "\r\n";
  // Made anew beneath the store: a link planted in its place is removed, never written through.
  const std::unique_ptr<host::file> f = h.open_write_beneath(destination, k_check_record_name);
  if (f == nullptr) return false;
  const bool written = f->write(text.data(), text.size());
  return f->close() && written;
}

bool same_contents(host::host& h, const std::string& first, const std::string& second) {
  const std::unique_ptr<host::file> a = h.open_read(first);
  const std::unique_ptr<host::file> b = a ? h.open_read(second) : nullptr;
  if (b == nullptr) return false;
  std::vector<char> x(k_block), y(k_block);
  for (;;) {
    const int64_t n = read_fully(*a, x.data(), k_block);
    const int64_t m = read_fully(*b, y.data(), k_block);
    if (n < 0 || m < 0 || n != m) return false;
    if (n == 0) return true;
    if (std::memcmp(x.data(), y.data(), static_cast<size_t>(n)) != 0) return false;
  }
}

bool change_check::changed(const folder_node& stored, const folder_node& source,
                           const std::string& stored_path, const std::string& source_path) const {
  if (differs(stored, source)) return true;
  // A link is its target text, which differs() has compared whole.
  if (stored.is_link() || stored.time < unsure_from_) return false;
  return !same_contents(h_, source_path, stored_path);
}

}  // namespace engine
