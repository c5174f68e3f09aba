#include "ui/font_choice.h"

#include <algorithm>

namespace ui {

std::string choose_japanese_font(const std::vector<std::string>& installed) {
  static const char* const k_preferred[] = {
      "Noto Sans CJK JP", "Noto Sans JP", "Yu Gothic UI", "Meiryo UI", "MS UI Gothic",
      "IPAexGothic",      "IPAGothic",    "TakaoGothic",  "VL Gothic",
  };
  for (const char* family : k_preferred) {
    if (std::find(installed.begin(), installed.end(), family) != installed.end()) return family;
  }
  for (const std::string& family : installed) {
    if (family.find("CJK JP") != std::string::npos) return family;
  }
  return std::string();
}

}  // namespace ui
