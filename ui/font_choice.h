// Which installed font family the windows use, so Japanese text renders wherever one of the
// usual Japanese families is installed (on Debian, fonts-noto-cjk).
#ifndef ZOLK_UI_FONT_CHOICE_H
#define ZOLK_UI_FONT_CHOICE_H

#include <string>
#include <vector>

namespace ui {

// The first of the preferred Japanese families found among `installed` (exact name, then
// any family whose name holds "CJK JP"); empty when none is there.
std::string choose_japanese_font(const std::vector<std::string>& installed);

}  // namespace ui

#endif
