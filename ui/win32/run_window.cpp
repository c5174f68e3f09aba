#include "ui/win32/run_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "platform/cp932.h"
#include "platform/native_path.h"
#include "platform/wide_text.h"
#include "ui/progress_text.h"

namespace zolk_win32 {
namespace {

constexpr int k_width = 560;
constexpr int k_height = 400;
enum control_id { id_memo = 301, id_stop, id_save, id_close, id_other };

std::string utf8_of(const std::wstring& text) {
  return host::wtf8_from_utf16(std::u16string(text.begin(), text.end()));
}

}  // namespace

// The session log goes into the user's temporary folder.
run_window::run_window(host::host& h) : model(h, h.environment("TEMP"), "\r\n") {
  create(L"ZolkRunWindow", wtext(ui::wt::run_win_caption), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
         WS_EX_CONTROLPARENT, k_width, k_height);
  if (hwnd() == nullptr) return;
  dpi_ = dpi_of(hwnd());
  log_view = make_control(hwnd(), WC_EDITW, L"",
                          WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                              ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                          id_memo, WS_EX_CLIENTEDGE);
  SendMessageW(log_view, EM_SETLIMITTEXT, 0, 0);
  progress_line =
      make_control(hwnd(), WC_STATICW, L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, id_other);
  path_line = make_control(hwnd(), WC_STATICW, L"",
                           WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, id_other);
  status_label = make_control(hwnd(), WC_STATICW, wtext(ui::wt::run_status_label),
                              WS_VISIBLE | SS_LEFT | SS_NOPREFIX, id_other);
  file_bar = make_control(hwnd(), PROGRESS_CLASSW, L"", 0, id_other);
  SendMessageW(file_bar, PBM_SETRANGE32, 0, 100);
  stop_button = make_control(hwnd(), WC_BUTTONW, wtext(ui::wt::stop_button),
                             WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, id_stop);
  save_log_button = make_control(hwnd(), WC_BUTTONW, wtext(ui::wt::save_log_button),
                                 WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, id_save);
  close_button = make_control(hwnd(), WC_BUTTONW, wtext(ui::wt::end_run_button),
                              WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, id_close);
  ask_save_path = [this] { return save_dialog(); };
  lay_out();
}

run_window::~run_window() {
  destroy();
  if (font_ != nullptr) DeleteObject(font_);
}

void run_window::lay_out() {
  if (font_ == nullptr) {
    font_ = make_font(dpi_);
    set_font_all(hwnd(), font_);
  }
  RECT c;
  GetClientRect(hwnd(), &c);
  const int m = scaled(8, dpi_);
  const int line = scaled(18, dpi_);
  const int button_h = scaled(26, dpi_);
  const int button_w = scaled(100, dpi_);
  const int w = std::max(0, static_cast<int>(c.right) - 2 * m);
  int y = c.bottom - m - button_h;
  SetWindowPos(stop_button, nullptr, m, y, button_w, button_h, SWP_NOZORDER);
  SetWindowPos(close_button, nullptr, c.right - m - button_w, y, button_w, button_h, SWP_NOZORDER);
  SetWindowPos(save_log_button, nullptr, c.right - 2 * m - 2 * button_w, y, button_w, button_h,
               SWP_NOZORDER);
  y -= m / 2 + line;
  const int label_w = scaled(70, dpi_);
  SetWindowPos(status_label, nullptr, m, y + scaled(2, dpi_), label_w, line, SWP_NOZORDER);
  SetWindowPos(file_bar, nullptr, m + label_w, y, std::max(0, w - label_w), line, SWP_NOZORDER);
  y -= line;
  SetWindowPos(path_line, nullptr, m, y, w, line, SWP_NOZORDER);
  y -= line;
  SetWindowPos(progress_line, nullptr, m, y, w, line, SWP_NOZORDER);
  SetWindowPos(log_view, nullptr, m, m, w, std::max(0, y - m / 2 - m), SWP_NOZORDER);
}

LRESULT run_window::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (close_button != nullptr) lay_out();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMinTrackSize = {scaled(360, dpi_), scaled(240, dpi_)};
      return 0;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case id_stop:
          if (model.stop_pressed()) show_buttons();
          return 0;
        case id_save:
          save_log_and_close();
          return 0;
        case id_close:
          close_asked();
          return 0;
        case IDCANCEL:  // Escape
          if (model.escape_closes() && lparam == 0) close_asked();
          return 0;
        default:
          return 0;
      }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == log_view) {
        // The log is read-only but reads as text, not as a disabled field.
        SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      return window::handle(message, wparam, lparam);
    case WM_CLOSE:
      close_asked();
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      if (font_ != nullptr) DeleteObject(font_);
      font_ = nullptr;
      const auto* r = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      lay_out();
      return 0;
    }
    default:
      return window::handle(message, wparam, lparam);
  }
}

void run_window::close_asked() {
  if (model.close_asked()) {
    ShowWindow(hwnd(), SW_HIDE);
  } else {
    show_buttons();
  }
}

namespace {

void add_shown_lines(const std::string& text, std::vector<std::wstring>& lines) {
  for (const std::string& line : engine::split_log_text(text)) {
    lines.push_back(wide(host::shown_text(line)));
  }
}

}  // namespace

void run_window::add_line(const std::string& text) {
  std::vector<std::wstring> lines;
  add_shown_lines(text, lines);
  append_lines(lines);
}

void run_window::add_message(engine::front_msg id) { add_line(ui::text(id)); }

void run_window::report(const engine::progress_facts& facts) {
  const bool was_visible = bar_.visible();
  bar_.show_facts(facts);
  if (bar_.visible() != was_visible) ShowWindow(file_bar, bar_.visible() ? SW_SHOWNA : SW_HIDE);
  if (bar_.visible()) render_bar();
}

void run_window::show_batch(const ui::run_batch& batch, double elapsed_seconds) {
  std::vector<std::wstring> lines;
  for (const std::string& text : batch.texts) add_shown_lines(text, lines);
  if (!lines.empty()) append_lines(lines);
  if (!batch.facts) return;
  report(*batch.facts);
  show_text(progress_line, wide(ui::progress_counts_text(*batch.facts, elapsed_seconds)));
  show_text(path_line, wide(host::shown_text(batch.facts->current_path)));
}

// A reader scrolled up to earlier lines keeps their place; a view at the end follows the run.
void run_window::append_lines(const std::vector<std::wstring>& lines) {
  SCROLLINFO bar = {};
  bar.cbSize = sizeof bar;
  bar.fMask = SIF_ALL;
  const bool scrolled = GetScrollInfo(log_view, SB_VERT, &bar) != FALSE;
  const bool at_end = !scrolled || bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  const int first = static_cast<int>(SendMessageW(log_view, EM_GETFIRSTVISIBLELINE, 0, 0));
  std::wstring text = GetWindowTextLengthW(log_view) > 0 ? L"\r\n" : L"";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += lines[i];
  }
  const int end = GetWindowTextLengthW(log_view);
  SendMessageW(log_view, EM_SETSEL, end, end);
  SendMessageW(log_view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  int dropped = 0;
  const int count = static_cast<int>(SendMessageW(log_view, EM_GETLINECOUNT, 0, 0));
  if (count > k_kept_lines) {
    dropped = count - k_kept_lines;
    const int cut = static_cast<int>(SendMessageW(log_view, EM_LINEINDEX, dropped, 0));
    SendMessageW(log_view, EM_SETSEL, 0, cut);
    SendMessageW(log_view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  }
  const int length = GetWindowTextLengthW(log_view);
  SendMessageW(log_view, EM_SETSEL, length, length);
  if (at_end) {
    SendMessageW(log_view, EM_SCROLLCARET, 0, 0);
  } else {
    const int now = static_cast<int>(SendMessageW(log_view, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageW(log_view, EM_LINESCROLL, 0, std::max(0, first - dropped) - now);
  }
  std::vector<std::string> utf8_lines;
  utf8_lines.reserve(lines.size());
  for (const std::wstring& line : lines) utf8_lines.push_back(utf8_of(line));
  model.add_lines(utf8_lines);
  show_buttons();
}

std::vector<std::wstring> run_window::shown_lines() const {
  std::vector<std::wstring> lines;
  const std::wstring all = window_text(log_view);
  if (all.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t at = all.find(L"\r\n", start);
    lines.push_back(all.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
    if (at == std::wstring::npos) return lines;
    start = at + 2;
  }
}

bool run_window::save_log_and_close() {
  if (!model.save_enabled() || !ask_save_path) return false;
  if (!model.save_log(ask_save_path())) return false;
  ShowWindow(hwnd(), SW_HIDE);
  return true;
}

std::string run_window::save_dialog() {
  std::wstring file(MAX_PATH * 4, L'\0');
  const std::wstring initial = L"zolk-log.txt";
  std::copy(initial.begin(), initial.end(), file.begin());
  // The filter of the text table, in the form the dialog wants: pairs ended by zeros.
  std::wstring filter = wtext(ui::wt::log_file_filter);
  std::wstring dialog_filter;
  size_t start = 0;
  while (start < filter.size()) {
    size_t at = filter.find(L";;", start);
    const std::wstring item =
        filter.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start);
    const size_t open = item.rfind(L'(');
    const size_t close = item.rfind(L')');
    const std::wstring pattern =
        open != std::wstring::npos && close > open ? item.substr(open + 1, close - open - 1) : L"*";
    dialog_filter += item + L'\0' + pattern + L'\0';
    if (at == std::wstring::npos) break;
    start = at + 2;
  }
  dialog_filter += L'\0';
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = dialog_filter.c_str();
  dialog.lpstrFile = &file[0];
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  const std::wstring title = wtext(ui::wt::save_log_button);
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return std::string();
  return narrow(std::wstring(file.c_str()));
}

void run_window::show_buttons() {
  EnableWindow(stop_button, model.stop_enabled());
  EnableWindow(save_log_button, model.save_enabled());
}

void run_window::show_for_run() {
  model.run_started();
  show_buttons();
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
}

void run_window::run_ended() {
  const bool close_now = model.run_ended();
  show_buttons();
  if (close_now) ShowWindow(hwnd(), SW_HIDE);
}

void run_window::render_bar() {
  SendMessageW(file_bar, PBM_SETRANGE32, bar_.bar_min(), bar_.bar_max());
  SendMessageW(file_bar, PBM_SETPOS, bar_.bar_value(), 0);
}

}  // namespace zolk_win32
