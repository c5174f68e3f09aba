#include "ui/win32/win32_window.h"

#include <commctrl.h>

namespace zolk_win32 {

window::~window() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void window::destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
  hwnd_ = nullptr;
}

void window::create(const wchar_t* class_name, const std::wstring& caption, DWORD style,
                    DWORD ex_style, int width, int height) {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!GetClassInfoExW(instance, class_name, &existing)) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = class_name;
    RegisterClassExW(&wc);
  }
  const SIZE outer = frame_size(style, ex_style, width, height, dpi_of(nullptr));
  CreateWindowExW(ex_style, class_name, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  outer.cx, outer.cy, nullptr, nullptr, instance, this);
}

LRESULT window::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK window::procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* self = static_cast<window*>(created->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->handle(message, wparam, lparam);
}

HWND make_control(HWND parent, const wchar_t* class_name, const std::wstring& text, DWORD style,
                  int id, DWORD ex_style) {
  return CreateWindowExW(ex_style, class_name, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, 0,
                         0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void place(const placement& p, int dpi) {
  SetWindowPos(p.hwnd, nullptr, scaled(p.left, dpi), scaled(p.top, dpi), scaled(p.width, dpi),
               scaled(p.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

void place_all(const std::vector<placement>& all, int dpi) {
  for (const placement& p : all) place(p, dpi);
}

SIZE frame_size(DWORD style, DWORD ex_style, int width, int height, int dpi) {
  RECT r = {0, 0, scaled(width, dpi), scaled(height, dpi)};
  // The frame of the window's own dpi where the system can tell it (Windows 10 1607 on).
  using adjust_for_dpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const adjust_for_dpi adjust = [] {
    const FARPROC proc =
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
    return reinterpret_cast<adjust_for_dpi>(reinterpret_cast<void (*)()>(proc));
  }();
  if (adjust == nullptr || !adjust(&r, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
  }
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND make_tooltips(HWND parent) {
  HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tips != nullptr) SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 600);
  return tips;
}

void set_hint(HWND tooltips, HWND parent, HWND control, const std::wstring& hint) {
  if (tooltips == nullptr) return;
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = parent;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  SendMessageW(tooltips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (hint.empty()) return;
  std::wstring text = hint;
  tool.lpszText = &text[0];
  SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace zolk_win32
