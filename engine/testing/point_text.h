// Tests name points as a user reads them: "0002", or a whole entry of the point list
// ("0002: 2026/12/08 10:20:30"). The engine takes a point's number, never its text.
#ifndef ZOLK_ENGINE_TESTING_POINT_TEXT_H
#define ZOLK_ENGINE_TESTING_POINT_TEXT_H

#include <string>

namespace testing_support {

// The number the first four characters of `text` give; 0 when they are not four digits.
inline int point_in_text(const std::string& text) {
  if (text.size() < 4) return 0;
  int number = 0;
  for (size_t i = 0; i < 4; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

}  // namespace testing_support

#endif
