// Settings-file bytes written out by hand, independently of the code under test, for the tests
// of the job list, the job form and zolk-cli.
#ifndef ZOLK_JOBS_SETTINGS_BYTES_H
#define ZOLK_JOBS_SETTINGS_BYTES_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace settings_bytes {

inline std::string le32(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                     static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
}

// One record block: the mark, the kind and twelve texts (absent ones as length 0).
inline std::string block(int32_t mark, char kind,
                         const std::vector<std::optional<std::string>>& texts) {
  std::string out = le32(mark) + kind;
  for (size_t i = 0; i < 12; ++i) {
    if (i >= texts.size() || !texts[i]) {
      out += le32(0);
    } else {
      out += le32(static_cast<int32_t>(texts[i]->size() + 1)) + *texts[i] + '\0';
    }
  }
  return out;
}

// A history backup job's block.
inline std::string job_block(int32_t mark, const std::string& name, const std::string& comment,
                             const std::string& source, const std::string& destination) {
  return block(mark, 'a', {name, comment, source, destination});
}

// The header of a file Zolk created.
inline std::string created_header() { return std::string("Z-OLK Ver1.00") + std::string(67, '\0'); }

}  // namespace settings_bytes

#endif
