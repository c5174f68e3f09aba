// The CP932 character table of the C library (iconv), for POSIX systems.
#include <iconv.h>

#include <cerrno>

#include "platform/cp932.h"

namespace cp932 {
namespace {

// One conversion descriptor per direction and thread, opened on first use.
class converter {
 public:
  converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  converter(const converter&) = delete;
  converter& operator=(const converter&) = delete;

  // Converts the whole input; false when any of it does not convert.
  bool run(const char* in, size_t in_length, char* out, size_t& out_length) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in_ptr = const_cast<char*>(in);
    char* out_ptr = out;
    size_t in_left = in_length;
    size_t out_left = out_length;
    const size_t result = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
    if (result == static_cast<size_t>(-1) || in_left != 0) return false;
    // An irreversible conversion counts as none: Zolk never stores a look-alike.
    if (result != 0) return false;
    out_length -= out_left;
    return true;
  }

 private:
  iconv_t cd_;
};

converter& to_cp932() {
  thread_local converter c("CP932", "UTF-32LE");
  return c;
}

converter& from_cp932() {
  thread_local converter c("UTF-32LE", "CP932");
  return c;
}

}  // namespace

bool encode_code_point(uint32_t code_point, std::string& out) {
  const unsigned char in[4] = {
      static_cast<unsigned char>(code_point), static_cast<unsigned char>(code_point >> 8),
      static_cast<unsigned char>(code_point >> 16), static_cast<unsigned char>(code_point >> 24)};
  char buffer[8];
  size_t length = sizeof buffer;
  if (!to_cp932().run(reinterpret_cast<const char*>(in), 4, buffer, length)) return false;
  out.assign(buffer, length);
  return length > 0 && length <= 2;
}

bool decode_character(const unsigned char* bytes, int count, uint32_t& code_point) {
  unsigned char buffer[8];
  size_t length = sizeof buffer;
  if (!from_cp932().run(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count),
                        reinterpret_cast<char*>(buffer), length) ||
      length != 4) {
    return false;
  }
  code_point = static_cast<uint32_t>(buffer[0]) | static_cast<uint32_t>(buffer[1]) << 8 |
               static_cast<uint32_t>(buffer[2]) << 16 | static_cast<uint32_t>(buffer[3]) << 24;
  return true;
}

}  // namespace cp932
