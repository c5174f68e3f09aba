#include "platform/packed_time.h"

#include <cstdio>

namespace host {

uint32_t pack_time(const calendar_time& t) {
  if (t.year < 1980) return pack_time(calendar_time{1980, 1, 1, 0, 0, 0});
  if (t.year > 2107) return pack_time(calendar_time{2107, 12, 31, 23, 59, 58});
  return static_cast<uint32_t>(t.year - 1980) << 25 | static_cast<uint32_t>(t.month) << 21 |
         static_cast<uint32_t>(t.day) << 16 | static_cast<uint32_t>(t.hour) << 11 |
         static_cast<uint32_t>(t.minute) << 5 | static_cast<uint32_t>(t.second / 2);
}

calendar_time unpack_time(uint32_t packed) {
  calendar_time t;
  t.year = static_cast<int>(packed >> 25) + 1980;
  t.month = static_cast<int>((packed >> 21) & 0x0F);
  t.day = static_cast<int>((packed >> 16) & 0x1F);
  t.hour = static_cast<int>((packed >> 11) & 0x1F);
  t.minute = static_cast<int>((packed >> 5) & 0x3F);
  t.second = static_cast<int>(packed & 0x1F) * 2;
  return t;
}

std::string format_date_text(uint32_t packed) {
  const calendar_time t = unpack_time(packed);
  char buffer[48];
  if (t.hour == 0 && t.minute == 0 && t.second == 0) {
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", t.year, t.month, t.day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
  }
  return buffer;
}

}  // namespace host
