#include "ui/win32/win32_text.h"

#include <vector>

#include "platform/cp932.h"
#include "platform/wide_text.h"
#include "ui/font_choice.h"

namespace zolk_win32 {

std::wstring wide(const std::string& cp932_text) {
  const std::u16string utf16 = host::utf16_from_wtf8(cp932::to_unicode(cp932_text));
  return std::wstring(utf16.begin(), utf16.end());
}

// A `\` the user typed is a separator; inside a name Zolk would carry it escaped.
std::string narrow(const std::wstring& text) {
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(L'\\', start);
    const std::wstring piece = text.substr(start, at == std::wstring::npos ? at : at - start);
    out += cp932::from_unicode(host::wtf8_from_utf16(std::u16string(piece.begin(), piece.end())));
    if (at == std::wstring::npos) return out;
    out += '\\';
    start = at + 1;
  }
}

std::wstring wtext(ui::wt id) { return wide(ui::text(id)); }

std::wstring window_text(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, &text[0], length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void show_text(HWND hwnd, const std::wstring& text) {
  if (window_text(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
}

int dpi_of(HWND hwnd) {
  // GetDpiForWindow exists from Windows 10 1607 on; older systems have one dpi for all.
  using get_dpi = UINT(WINAPI*)(HWND);
  static const get_dpi for_window = [] {
    const FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    return reinterpret_cast<get_dpi>(reinterpret_cast<void (*)()>(proc));
  }();
  if (for_window != nullptr && hwnd != nullptr) {
    const UINT dpi = for_window(hwnd);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

namespace {

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

int CALLBACK collect_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM families) {
  const std::wstring face = font->lfFaceName;
  if (!face.empty() && face[0] != L'@') {  // '@' faces are the vertical forms
    reinterpret_cast<std::vector<std::string>*>(families)->push_back(
        host::wtf8_from_utf16(std::u16string(face.begin(), face.end())));
  }
  return 1;
}

bool installed(HDC dc, const wchar_t* face) {
  LOGFONTW wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, note_found, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring find_japanese_face() {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return std::wstring();
  std::wstring face;
  for (const wchar_t* preferred : {L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic"}) {
    if (installed(dc, preferred)) {
      face = preferred;
      break;
    }
  }
  if (face.empty()) {
    std::vector<std::string> families;
    LOGFONTW all = {};
    all.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(dc, &all, collect_family, reinterpret_cast<LPARAM>(&families), 0);
    const std::u16string chosen = host::utf16_from_wtf8(ui::choose_japanese_font(families));
    face.assign(chosen.begin(), chosen.end());
  }
  ReleaseDC(nullptr, dc);
  return face;
}

}  // namespace

const std::wstring& japanese_face() {
  static const std::wstring face = find_japanese_face();
  return face;
}

HFONT make_font(int dpi, int pixels) {
  LOGFONTW font = {};
  font.lfHeight = -scaled(pixels, dpi);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring& face = japanese_face();
  if (!face.empty()) {
    lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
  } else {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      lstrcpynW(font.lfFaceName, metrics.lfMessageFont.lfFaceName, LF_FACESIZE);
    }
  }
  return CreateFontIndirectW(&font);
}

namespace {

BOOL CALLBACK set_child_font(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

void set_font_all(HWND parent, HFONT font) {
  SendMessageW(parent, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EnumChildWindows(parent, set_child_font, reinterpret_cast<LPARAM>(font));
}

}  // namespace zolk_win32
