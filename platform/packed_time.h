// The packed MS-DOS local date and time: bits 31-25 year - 1980, 24-21 month, 20-16 day,
// 15-11 hour, 10-5 minute, 4-0 seconds / 2. Two-second resolution; years 1980-2107.
#ifndef ZOLK_PLATFORM_PACKED_TIME_H
#define ZOLK_PLATFORM_PACKED_TIME_H

#include <cstdint>
#include <string>

namespace host {

struct calendar_time {
  int year = 1980;  // 1980-2107
  int month = 1;    // 1-12
  int day = 1;      // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;  // 0-59; odd seconds round down when packed
};

// Packs a calendar time; years outside 1980-2107 are clamped to the first or last moment.
uint32_t pack_time(const calendar_time& t);

// Unpacks; the fields are taken as they stand (no validation).
calendar_time unpack_time(uint32_t packed);

// The fixed display form: "1999/05/12 10:20:30", and only "1999/05/12" at exactly midnight.
std::string format_date_text(uint32_t packed);

}  // namespace host

#endif
