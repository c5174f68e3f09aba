// A top-level window of the desktop program as a C++ object: one window procedure for all of
// them, which hands every message to the object's handle(). Also the helpers that create and
// place child controls in pixels laid out for 96 dpi.
#ifndef ZOLK_UI_WIN32_WIN32_WINDOW_H
#define ZOLK_UI_WIN32_WIN32_WINDOW_H

#include <string>
#include <vector>

#include "ui/win32/win32_text.h"

namespace zolk_win32 {

class window {
 public:
  window() = default;
  virtual ~window();
  window(const window&) = delete;
  window& operator=(const window&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Creates the window (its class registered on first use) with a client area of `width` x
  // `height` pixels at 96 dpi, scaled to the dpi of the primary monitor. Throws nothing; a
  // failure leaves hwnd() null.
  void create(const wchar_t* class_name, const std::wstring& caption, DWORD style, DWORD ex_style,
              int width, int height);
  // Destroys the window now. A derived class calls it first in its destructor, so that the
  // messages of the window's going (a field losing the focus) still find the whole object.
  void destroy();
  // Every message of the window; the default handling unless overridden.
  virtual LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  HWND hwnd_ = nullptr;
};

// A child control of `parent` with the control id `id`, placed later by place().
HWND make_control(HWND parent, const wchar_t* class_name, const std::wstring& text, DWORD style,
                  int id, DWORD ex_style = 0);

// Where a control stands in pixels at 96 dpi, in its parent's client area.
struct placement {
  HWND hwnd;
  int left, top, width, height;
};
void place(const placement& p, int dpi);
void place_all(const std::vector<placement>& all, int dpi);

// The size of the frame around a client area of `width` x `height` at `dpi`.
SIZE frame_size(DWORD style, DWORD ex_style, int width, int height, int dpi);

// A tooltip control for the children of `parent`; add_hint sets or replaces a child's hint.
HWND make_tooltips(HWND parent);
void set_hint(HWND tooltips, HWND parent, HWND control, const std::wstring& hint);

}  // namespace zolk_win32

#endif
