// Texts between Zolk (CP932) and the wide API of Windows (UTF-16), and the small helpers every
// Win32 window of the desktop program shares: DPI scaling, the Japanese UI font, control texts.
#ifndef ZOLK_UI_WIN32_WIN32_TEXT_H
#define ZOLK_UI_WIN32_WIN32_TEXT_H

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "ui/window_texts.h"

namespace zolk_win32 {

// CP932 (with Zolk's escapes) -> UTF-16 for the wide API; lossless for every text Zolk holds.
std::wstring wide(const std::string& cp932_text);
// What the user typed or the system named -> CP932, the exact inverse of wide().
std::string narrow(const std::wstring& text);
// A caption of the window text table.
std::wstring wtext(ui::wt id);

// The text of a window, and setting it only when it differs (so typing is never disturbed
// and no change notification is sent for nothing).
std::wstring window_text(HWND hwnd);
void show_text(HWND hwnd, const std::wstring& text);

// The dots per inch of the monitor a window stands on (96 where the system cannot tell).
int dpi_of(HWND hwnd);
// A length laid out for 96 dpi, at `dpi`.
inline int scaled(int length, int dpi) { return MulDiv(length, dpi, 96); }

// The face of the Japanese UI font: "Yu Gothic UI", "Meiryo UI" or "MS UI Gothic", the first
// the system has; otherwise any installed Japanese family; empty when there is none.
const std::wstring& japanese_face();
// The windows' font at `dpi`: characters `pixels` high at 96 dpi. The caller owns it.
HFONT make_font(int dpi, int pixels = 12);
// Sets `font` on a window and all its children.
void set_font_all(HWND parent, HFONT font);

}  // namespace zolk_win32

#endif
