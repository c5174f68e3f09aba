#include "ui/win32/main_window_view.h"

#include <commctrl.h>

#include "ui/win32/folder_chooser.h"
#include "ui/win32/run_window.h"

namespace zolk_win32 {
namespace {

constexpr int k_width = 554;
constexpr int k_height = 327;
constexpr int k_page_height = 265;
constexpr DWORD k_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr UINT_PTR k_run_timer = 1;
constexpr UINT k_field_left = WM_APP + 1;  // wparam: the id of the field left

enum control_id {
  id_backup_mode = 101,
  id_restore_mode,
  id_mode_status,
  id_job_name,
  id_new_job,
  id_comment,
  id_source_folder,
  id_browse_source,
  id_by_job_name,
  id_by_source_folder,
  id_restore_job,
  id_browse_restore_source,
  id_point_list,
  id_destination_folder,
  id_browse_destination,
  id_register,
  id_update,
  id_delete,
  id_start,
  id_end,
  id_other,
};

// The page and the panel: plain containers that paint their background and hand the
// notifications of their controls to the main window.
LRESULT CALLBACK container_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* created = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
  }
  auto* owner = reinterpret_cast<main_window_view*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (owner == nullptr || message == WM_NCDESTROY)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  return owner->container_message(hwnd, message, wparam, lparam);
}

HWND make_container(HWND parent, main_window_view* owner, DWORD ex_style) {
  static const wchar_t k_class[] = L"ZolkContainer";
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(instance, k_class, &existing)) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = container_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = k_class;
    RegisterClassExW(&wc);
  }
  return CreateWindowExW(WS_EX_CONTROLPARENT | ex_style, k_class, L"",
                         WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, nullptr,
                         instance, owner);
}

// The "speed buttons" of the window take no focus, so pressing one leaves a field without
// running its check: the button is pressed and released here instead of by the system.
LRESULT CALLBACK speed_button_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (IsWindowEnabled(hwnd)) {
        SetCapture(hwnd);
        SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd) {
        RECT r;
        GetClientRect(hwnd, &r);
        const POINT p = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        SendMessageW(hwnd, BM_SETSTATE, PtInRect(&r, p), 0);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) {
        RECT r;
        GetClientRect(hwnd, &r);
        const POINT p = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ReleaseCapture();
        SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
        if (PtInRect(&r, p)) {
          SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                       reinterpret_cast<LPARAM>(hwnd));
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
      return 0;
    default:
      return DefSubclassProc(hwnd, message, wparam, lparam);
  }
}

HWND speed_button(HWND parent, const std::wstring& caption, int id, DWORD style = BS_PUSHBUTTON) {
  HWND b = make_control(parent, WC_BUTTONW, caption, WS_VISIBLE | style, id);
  SetWindowSubclass(b, speed_button_procedure, 0, 0);
  return b;
}

HWND label(HWND parent, const std::wstring& caption, DWORD style = 0) {
  return make_control(parent, WC_STATICW, caption, WS_VISIBLE | SS_LEFT | SS_NOPREFIX | style,
                      id_other);
}

HWND edit(HWND parent, int id) {
  return make_control(parent, WC_EDITW, L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, id,
                      WS_EX_CLIENTEDGE);
}

// An editable drop-down list whose field takes exactly what is typed.
HWND combo(HWND parent, int id) {
  return make_control(parent, WC_COMBOBOXW, L"",
                      WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, id);
}

// A browse button takes the focus when clicked (so the field beside it is left and checked)
// but is passed over by the Tab key.
HWND browse_button(HWND parent, int id) {
  return make_control(parent, WC_BUTTONW, wtext(ui::wt::browse), WS_VISIBLE | BS_PUSHBUTTON, id);
}

std::wstring item_text(HWND combo_box, int index) {
  const LRESULT length = SendMessageW(combo_box, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo_box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(length));
  return text;
}

// Touches the control only where it differs from the model, so typing is never disturbed.
void show_combo(HWND combo_box, const ui::job_combo_model& model) {
  const int count = static_cast<int>(SendMessageW(combo_box, CB_GETCOUNT, 0, 0));
  bool same = count == static_cast<int>(model.entries.size());
  for (int i = 0; same && i < count; ++i) same = item_text(combo_box, i) == wide(model.entries[i]);
  if (!same) {
    SendMessageW(combo_box, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : model.entries) {
      SendMessageW(combo_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(entry).c_str()));
    }
  }
  const int selected = static_cast<int>(SendMessageW(combo_box, CB_GETCURSEL, 0, 0));
  if (model.selected != selected) SendMessageW(combo_box, CB_SETCURSEL, model.selected, 0);
  show_text(combo_box, wide(model.text));
}

void show_visible(HWND control, bool visible) {
  // The style bit, not IsWindowVisible: the window itself may be hidden.
  const bool shown = (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != visible) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

main_window_view::main_window_view(host::host& h, const std::string& settings_path,
                                   ui::message_port& messages)
    : messages_(&messages) {
  on_end = [] { PostQuitMessage(0); };
  create(L"ZolkMainWindow", wtext(ui::wt::main_caption), k_style, 0, k_width, k_height);
  if (hwnd() == nullptr) return;
  dpi_ = dpi_of(hwnd());
  SetWindowPos(hwnd(), nullptr, scaled(208, dpi_), scaled(168, dpi_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  build();
  run_link_.start_timer = [this] { SetTimer(hwnd(), k_run_timer, 50, nullptr); };
  run_link_.stop_timer = [this] { KillTimer(hwnd(), k_run_timer); };
  run_link_.sound = [] { MessageBeep(MB_OK); };
  logic_ = std::make_unique<ui::main_window>(h, settings_path, messages, run_link_);
  logic_->open();
  show_model();
}

main_window_view::~main_window_view() {
  if (hwnd() != nullptr) KillTimer(hwnd(), k_run_timer);
  destroy();
  if (tooltips_ != nullptr) DestroyWindow(tooltips_);
  if (page_brush_ != nullptr) DeleteObject(page_brush_);
  if (font_ != nullptr) DeleteObject(font_);
  if (small_font_ != nullptr) DeleteObject(small_font_);
}

void main_window_view::build() {
  pages = make_control(hwnd(), WC_TABCONTROLW, L"", WS_VISIBLE | TCS_FOCUSNEVER, id_other);
  TCITEMW tab = {};
  tab.mask = TCIF_TEXT;
  std::wstring page_caption = wtext(ui::wt::page_caption);
  tab.pszText = &page_caption[0];
  SendMessageW(pages, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
  job_page = make_container(hwnd(), this, 0);
  build_page();
  build_job_rows();
  build_lower_rows();
  build_panel();
  build_bottom();
  // The page lies over the tab control, which only draws its tab and frame around it.
  SetWindowPos(job_page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(job_page, SW_SHOWNA);
  tooltips_ = make_tooltips(hwnd());
  show_hint(backup_mode_button, wtext(ui::wt::backup_mode_hint));
  show_hint(restore_mode_button, wtext(ui::wt::restore_mode_hint));
  show_hint(end_button, wtext(ui::wt::end_button_hint));
  for (HWND button : {new_job_button, browse_source, browse_restore_source, browse_destination,
                      delete_button, start_button})
    show_hint(button, L"");
  lay_out();
}

void main_window_view::build_page() {
  mode_caption = label(job_page, wtext(ui::wt::run_mes));
  // Toggle buttons that the model keeps exclusive: a radio button would take a Tab stop when
  // checked.
  backup_mode_button =
      speed_button(job_page, wtext(ui::wt::backup_mode), id_backup_mode, BS_CHECKBOX | BS_PUSHLIKE);
  mode_status = label(job_page, wtext(ui::wt::s_mes), SS_CENTER | SS_NOTIFY);
  SetWindowLongPtrW(mode_status, GWLP_ID, id_mode_status);
  restore_mode_button = speed_button(job_page, wtext(ui::wt::restore_mode), id_restore_mode,
                                     BS_CHECKBOX | BS_PUSHLIKE);
  mode_heading = label(job_page, L"");
  page_places_ = {{mode_caption, 24, 8, 137, 16},
                  {backup_mode_button, 233, 3, 100, 22},
                  {mode_status, 336, 5, 39, 16},
                  {restore_mode_button, 380, 3, 100, 22},
                  {mode_heading, 120, 32, 410, 16}};
}

// Created in the order of the Tab key: job_name_box, comment_field, source_folder,
// destination_folder, the controls of restore_panel, point_list (the page's controls are its
// children in creation order).
void main_window_view::build_job_rows() {
  job_name_label = label(job_page, wtext(ui::wt::job_name_label));
  job_name_box = combo(job_page, id_job_name);
  new_job_button =
      speed_button(job_page, wide(ui::text_of(ui::job_text::new_job_button)), id_new_job);
  comment_label = label(job_page, wtext(ui::wt::comment_label));
  comment_field = edit(job_page, id_comment);
  source_label = label(job_page, wtext(ui::wt::source_label));
  source_folder = edit(job_page, id_source_folder);
  browse_source = browse_button(job_page, id_browse_source);
  const std::vector<placement> rows = {
      {job_name_label, 8, 56, 158, 16},   {job_name_box, 168, 53, 297, 200},
      {new_job_button, 472, 53, 60, 21},  {comment_label, 8, 80, 158, 16},
      {comment_field, 168, 79, 297, 19},  {source_label, 8, 105, 142, 16},
      {source_folder, 152, 103, 313, 19}, {browse_source, 472, 101, 60, 21}};
  page_places_.insert(page_places_.end(), rows.begin(), rows.end());
}

void main_window_view::build_lower_rows() {
  destination_label = label(job_page, wtext(ui::wt::destination_label_backup));
  destination_folder = edit(job_page, id_destination_folder);
  browse_destination = browse_button(job_page, id_browse_destination);
  restore_panel = make_container(job_page, this, WS_EX_STATICEDGE);
  point_label = label(job_page, wtext(ui::wt::point_list_label));
  point_list = combo(job_page, id_point_list);
  register_button = speed_button(job_page, L"", id_register);
  update_button = speed_button(job_page, L"", id_update);
  delete_button = speed_button(job_page, L"", id_delete);
  store_folder = make_control(job_page, WC_EDITW, L"", WS_DISABLED | ES_AUTOHSCROLL, id_other);
  const std::vector<placement> rows = {
      {destination_label, 8, 152, 142, 16},   {destination_folder, 152, 150, 313, 21},
      {browse_destination, 472, 149, 60, 22}, {restore_panel, 8, 53, 524, 69},
      {point_label, 8, 128, 142, 16},         {point_list, 152, 124, 385, 200},
      {register_button, 256, 207, 70, 22},    {update_button, 328, 207, 70, 22},
      {delete_button, 400, 207, 70, 22},      {store_folder, 152, 230, 313, 17}};
  page_places_.insert(page_places_.end(), rows.begin(), rows.end());
}

void main_window_view::build_panel() {
  by_job_name =
      make_control(restore_panel, WC_BUTTONW, wtext(ui::wt::pick_by_name),
                   WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, id_by_job_name);
  by_source_folder = make_control(restore_panel, WC_BUTTONW, wtext(ui::wt::pick_by_folder),
                                  WS_VISIBLE | BS_AUTORADIOBUTTON, id_by_source_folder);
  restore_job_box = combo(restore_panel, id_restore_job);
  SetWindowLongPtrW(restore_job_box, GWL_STYLE,
                    GetWindowLongPtrW(restore_job_box, GWL_STYLE) | WS_GROUP);
  browse_restore_source = browse_button(restore_panel, id_browse_restore_source);
  // Last, so the frame lies beneath the radio buttons it holds.
  restore_by_group = make_control(restore_panel, WC_BUTTONW, wtext(ui::wt::pick_by),
                                  WS_VISIBLE | BS_GROUPBOX, id_other);
  SendMessageW(by_job_name, BM_SETCHECK, BST_CHECKED, 0);
  panel_places_ = {{restore_by_group, 2, 0, 518, 42},
                   {by_job_name, 12, 18, 140, 20},
                   {by_source_folder, 172, 18, 140, 20},
                   {restore_job_box, 6, 45, 450, 200},
                   {browse_restore_source, 460, 45, 56, 21}};
}

void main_window_view::build_bottom() {
  start_button = speed_button(hwnd(), wtext(ui::wt::startb01), id_start);
  end_button = speed_button(hwnd(), wtext(ui::wt::end_button), id_end);
  status_bar = make_control(hwnd(), STATUSCLASSNAMEW, L"", WS_VISIBLE, id_other);
  int one_part = -1;
  SendMessageW(status_bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&one_part));
  SendMessageW(status_bar, SB_SETTEXTW, 0,
               reinterpret_cast<LPARAM>(wtext(ui::wt::st_main).c_str()));
}

// Places everything for the window's dpi; run again when the window moves to a monitor of
// another dpi.
void main_window_view::lay_out() {
  if (font_ != nullptr) DeleteObject(font_);
  if (small_font_ != nullptr) DeleteObject(small_font_);
  font_ = make_font(dpi_);
  // The long caption of restore_by_group fits the panel only a little smaller than the rest.
  small_font_ = make_font(dpi_, 11);
  set_font_all(hwnd(), font_);
  SendMessageW(restore_by_group, WM_SETFONT, reinterpret_cast<WPARAM>(small_font_), TRUE);
  place({pages, 0, 0, k_width, k_page_height}, dpi_);
  RECT page = {0, 0, scaled(k_width, dpi_), scaled(k_page_height, dpi_)};
  SendMessageW(pages, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  SetWindowPos(job_page, nullptr, page.left, page.top, page.right - page.left,
               page.bottom - page.top, SWP_NOZORDER | SWP_NOACTIVATE);
  make_page_brush(page.right - page.left, page.bottom - page.top);
  place_all(page_places_, dpi_);
  place_all(panel_places_, dpi_);
  for (HWND combo_box : {job_name_box, restore_job_box, point_list}) {
    SendMessageW(combo_box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scaled(15, dpi_));
  }
  place({start_button, 8, 272, 105, 28}, dpi_);
  place({end_button, 448, 272, 97, 28}, dpi_);
  SendMessageW(status_bar, WM_SIZE, 0, 0);
  if (tooltips_ != nullptr)
    SendMessageW(tooltips_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

// The picture of the page: a soft gradient, also the background of its labels.
void main_window_view::make_page_brush(int width, int height) {
  if (page_brush_ != nullptr) DeleteObject(page_brush_);
  page_brush_ = nullptr;
  if (width <= 0 || height <= 0) return;
  HDC screen = GetDC(hwnd());
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(dc, picture);
  for (int y = 0; y < height; ++y) {
    const int r = 0xF4 + (0xD9 - 0xF4) * y / height;
    const int g = 0xF7 + (0xE3 - 0xF7) * y / height;
    const int b = 0xFC + (0xF2 - 0xFC) * y / height;
    HBRUSH row = CreateSolidBrush(RGB(r, g, b));
    const RECT line = {0, y, width, y + 1};
    FillRect(dc, &line, row);
    DeleteObject(row);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(hwnd(), screen);
  page_brush_ = CreatePatternBrush(picture);
  DeleteObject(picture);
}

LRESULT main_window_view::container_message(HWND container, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return handle(message, wparam, lparam);
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // The panel shows the part of the page's picture it lies on.
      HDC dc = reinterpret_cast<HDC>(wparam);
      RECT r;
      GetClientRect(container, &r);
      POINT origin = {0, 0};
      MapWindowPoints(container, job_page, &origin, 1);
      SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
      FillRect(dc, &r, page_brush_ != nullptr ? page_brush_ : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      HWND control = reinterpret_cast<HWND>(lparam);
      if (control == mode_heading) SetTextColor(dc, RGB(0, 0, 255));
      if (page_brush_ == nullptr || control == store_folder) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      // The labels and radio buttons show the page's picture behind their text.
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, job_page, reinterpret_cast<POINT*>(&r), 2);
      SetBrushOrgEx(dc, -r.left, -r.top, nullptr);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(page_brush_);
    }
    default:
      return DefWindowProcW(container, message, wparam, lparam);
  }
}

LRESULT main_window_view::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case k_field_left:
      field_left(static_cast<int>(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == k_run_timer) poll_run();
      return 0;
    case WM_CLOSE:
      close_asked();
      return 0;
    case WM_SYSCOMMAND:
      // Alt and a key that no menu takes arrives here from whichever control has the focus.
      if ((wparam & 0xFFF0) == SC_KEYMENU && lparam != 0 &&
          press_key(static_cast<wchar_t>(lparam))) {
        return 0;
      }
      return window::handle(message, wparam, lparam);
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      lay_out();
      return 0;
    }
    default:
      return window::handle(message, wparam, lparam);
  }
}

void main_window_view::command(int id, int code, HWND control) {
  if (id == IDOK && control == nullptr) return enter_pressed();
  if (showing_ || logic_ == nullptr) return;
  ui::main_window& m = *logic_;
  switch (code) {
    case EN_CHANGE:
      return field_changed(id);
    case EN_KILLFOCUS:
      if (!checking_ && (id == id_source_folder || id == id_destination_folder))
        PostMessageW(hwnd(), k_field_left, id, 0);
      return;
    case CBN_SELCHANGE:
      return combo_picked(id);
    case CBN_EDITCHANGE:
      return combo_typed(id);
    case BN_CLICKED:
      break;
    default:
      return;
  }
  switch (id) {
    case id_backup_mode:
      return handle_click([&m] { m.enter_backup_mode(); });
    case id_restore_mode:
      return handle_click([&m] { m.enter_restore_mode(); });
    case id_new_job:
      return handle_click([&m] { m.new_job(); });
    case id_register:
      return handle_click([&m] { m.register_job(); });
    case id_update:
      return handle_click([&m] { m.update_job(); });
    case id_delete:
      return handle_click([&m] { m.delete_job(); });
    case id_start:
      return handle_click([&m] { m.start(); });
    case id_end:
      return on_end_clicked();
    case id_browse_source:
    case id_browse_restore_source:
      return handle_click([&m] { m.browse_source(); });
    case id_browse_destination:
      return handle_click([&m] { m.browse_destination(); });
    case id_by_job_name:
    case id_by_source_folder:
      return handle_click([&m, id] {
        m.pick_job_by = id == id_by_job_name ? 0 : 1;
        m.pick_by_changed();
      });
    default:
      return;
  }
}

void main_window_view::handle_click(const std::function<void()>& handler) {
  if (logic_->run_working()) return;
  handler();
  show_model();
}

void main_window_view::field_changed(int id) {
  ui::main_window& m = *logic_;
  if (id == id_comment) m.form.set_comment_field(narrow(window_text(comment_field)));
  if (id == id_source_folder) m.form.set_source_field(narrow(window_text(source_folder)));
  if (id == id_destination_folder)
    m.form.set_destination_field(narrow(window_text(destination_folder)));
}

void main_window_view::combo_picked(int id) {
  ui::main_window& m = *logic_;
  if (id == id_job_name) {
    m.form.job_box.select(static_cast<int>(SendMessageW(job_name_box, CB_GETCURSEL, 0, 0)));
    handle_click([&m] { m.job_picked(); });
  } else if (id == id_restore_job) {
    m.restore_jobs.select(static_cast<int>(SendMessageW(restore_job_box, CB_GETCURSEL, 0, 0)));
    handle_click([&m] { m.restore_job_picked(); });
  } else if (id == id_point_list) {
    m.point_list.select(static_cast<int>(SendMessageW(point_list, CB_GETCURSEL, 0, 0)));
  }
}

// The user typed into a job list or the point list: the text is the model's, no entry stays
// picked.
void main_window_view::combo_typed(int id) {
  ui::main_window& m = *logic_;
  if (id == id_job_name) {
    m.form.job_box.type(narrow(window_text(job_name_box)));
    handle_click([&m] { m.job_picked(); });
  } else if (id == id_restore_job) {
    m.restore_jobs.type(narrow(window_text(restore_job_box)));
  } else if (id == id_point_list) {
    m.point_list.type(narrow(window_text(point_list)));
  }
}

// A folder field lost the focus. Another window taking it (a message box, the chooser) does
// not leave the field; a control of this window does.
void main_window_view::field_left(int id) {
  if (checking_) return;
  HWND focus = GetFocus();
  HWND field = id == id_source_folder ? source_folder : destination_folder;
  if (focus == nullptr || focus == field || !IsChild(hwnd(), focus)) return;
  if (id == id_source_folder) on_source_left();
  if (id == id_destination_folder) on_destination_left();
}

bool main_window_view::on_source_left() { return check_left(source_folder); }

bool main_window_view::on_destination_left() { return check_left(destination_folder); }

ui::main_window::folder_field main_window_view::field_of(HWND control) const {
  if (control == source_folder) return ui::main_window::folder_field::source;
  if (control == destination_folder) return ui::main_window::folder_field::destination;
  return ui::main_window::folder_field::other;
}

bool main_window_view::check_left(HWND field) {
  checking_ = true;
  const bool accepted = logic_->field_left(field_of(field));
  // Still checking: the control that loses the focus now was not left by the user.
  if (!accepted) SetFocus(field);
  checking_ = false;
  show_model();
  return accepted;
}

// Enter moves on as Tab does, or starts the restore, by the model's rule.
void main_window_view::enter_pressed() {
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(hwnd(), focus) || checking_) return;
  if (logic_->enter_starts_restore(field_of(focus))) {
    handle_click([this] { logic_->on_destination_enter(); });
    return;
  }
  HWND next = GetNextDlgTabItem(hwnd(), focus, FALSE);
  if (next != nullptr) SetFocus(next);
}

void main_window_view::attach(folder_chooser* chooser, run_window* run_view) {
  chooser_ = chooser;
  run_window_ = run_view;
  run_link_.attach(run_view);
  if (chooser_ != nullptr) {
    chooser_->on_folder_changed = [this](const std::string& folder) {
      handle_click([this, folder] { logic_->chooser_moved(folder); });
    };
    chooser_->on_decide = [this] {
      const std::string folder = chooser_->current_folder();
      checking_ = true;
      handle_click([this, folder] { logic_->chooser_decided(folder); });
      checking_ = false;
    };
    chooser_->on_closed = [this] { logic_->chooser.visible = false; };
  }
  if (run_window_ != nullptr) {
    run_window_->model.attach(*logic_, messages_);
  }
  show_model();
}

void main_window_view::poll_run() {
  if (!logic_->poll_run()) return;
  show_model();
  if (logic_->take_end_due() && on_end) on_end();
}

void main_window_view::close_asked() {
  if (logic_->end_asked() && on_end) on_end();
}

void main_window_view::on_end_clicked() { close_asked(); }

std::wstring main_window_view::hint_of(HWND control) const {
  for (const auto& [c, hint] : hints_) {
    if (c == control) return hint;
  }
  return std::wstring();
}

std::wstring main_window_view::keys_of(HWND control) const {
  const std::pair<HWND, const wchar_t*> keys[] = {
      {backup_mode_button, L"Alt+B"},
      {restore_mode_button, L"Alt+R"},
      {new_job_button, L"Alt+N"},
      {browse_source, L"Alt+1"},
      {browse_restore_source, L"Alt+1"},
      {browse_destination, L"Alt+2"},
      {register_button, L"Alt+T"},
      {update_button, L"Alt+M"},
      {delete_button, L"Alt+D"},
      {start_button, L"Alt+S"},
      {end_button, L"Alt+X"},
  };
  for (const auto& [button, key] : keys) {
    if (button == control) return key;
  }
  return std::wstring();
}

// Sets the hint only when it changed (the tooltip is rebuilt for it).
void main_window_view::show_hint(HWND control, const std::wstring& words) {
  const std::wstring keys = keys_of(control);
  const std::wstring hint = keys.empty() ? words : words + L"\uFF08" + keys + L"\uFF09";
  for (auto& [c, shown] : hints_) {
    if (c != control) continue;
    if (shown != hint) {
      shown = hint;
      set_hint(tooltips_, GetParent(control), control, hint);
    }
    return;
  }
  hints_.emplace_back(control, hint);
  set_hint(tooltips_, GetParent(control), control, hint);
}

bool main_window_view::press_key(wchar_t key) {
  const wchar_t letter = key >= L'a' && key <= L'z' ? static_cast<wchar_t>(key - L'a' + L'A') : key;
  for (HWND button : {backup_mode_button, restore_mode_button, new_job_button, browse_source,
                      browse_restore_source, browse_destination, register_button, update_button,
                      delete_button, start_button, end_button}) {
    const std::wstring keys = keys_of(button);
    if (keys.empty() || keys.back() != letter) continue;
    // browse_source and browse_restore_source share their key: the one on show takes it.
    if ((GetWindowLongPtrW(button, GWL_STYLE) & WS_VISIBLE) == 0 ||
        !IsWindowVisible(GetParent(button))) {
      continue;
    }
    if (IsWindowEnabled(button)) SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

void main_window_view::show_model() {
  if (logic_ == nullptr) return;
  showing_ = true;
  show_mode();
  show_fields();
  show_restore_side();
  show_chooser();
  showing_ = false;
}

void main_window_view::set_enabled(HWND control, bool enabled) {
  if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

void main_window_view::show_mode() {
  const ui::main_window& m = *logic_;
  const bool idle = !m.run_working();
  SendMessageW(backup_mode_button, BM_SETCHECK, m.backup_mode_down ? BST_CHECKED : BST_UNCHECKED,
               0);
  SendMessageW(restore_mode_button, BM_SETCHECK, m.backup_mode_down ? BST_UNCHECKED : BST_CHECKED,
               0);
  show_text(mode_heading, wide(m.mode_heading.caption));
  show_text(destination_label, wide(m.destination_label.caption));
  const std::pair<HWND, const ui::control_state*> buttons[] = {
      {register_button, &m.register_button},
      {update_button, &m.update_button},
      {delete_button, &m.delete_button},
      {mode_status, &m.status_line}};
  for (const auto& [button, model] : buttons) {
    show_hint(button, wide(model->hint));
    if (button == mode_status) continue;
    show_text(button, wide(model->caption));
    set_enabled(button, model->enabled && idle);
  }
  set_enabled(new_job_button, m.new_job_button.enabled && idle);
  set_enabled(start_button, m.start_button.enabled);
  for (HWND control :
       {backup_mode_button, restore_mode_button, job_name_box, comment_field, source_folder,
        browse_source, destination_folder, browse_destination, by_job_name, by_source_folder,
        restore_job_box, browse_restore_source, point_list}) {
    set_enabled(control, idle);
  }
  for (HWND control : {job_name_label, job_name_box, new_job_button, comment_label, comment_field,
                       source_label, source_folder, browse_source}) {
    show_visible(control, m.job_rows_visible);
  }
  show_visible(restore_panel, m.restore_panel_visible);
}

void main_window_view::show_fields() {
  const ui::main_window& m = *logic_;
  show_combo(job_name_box, m.form.job_box);
  show_text(comment_field, wide(m.form.comment_field()));
  show_text(source_folder, wide(m.form.source_field()));
  show_text(destination_folder, wide(m.form.destination_field()));
  show_text(store_folder, wide(m.store_folder));
}

void main_window_view::show_restore_side() {
  const ui::main_window& m = *logic_;
  SendMessageW(by_job_name, BM_SETCHECK, m.pick_job_by == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(by_source_folder, BM_SETCHECK, m.pick_job_by == 0 ? BST_UNCHECKED : BST_CHECKED, 0);
  show_combo(restore_job_box, m.restore_jobs);
  show_visible(browse_restore_source, m.browse_restore_source_visible);
  show_combo(point_list, m.point_list);
  show_visible(point_label, m.point_label_visible);
  show_visible(point_list, m.point_list_visible);
}

void main_window_view::show_chooser() {
  if (chooser_ == nullptr) return;
  const ui::chooser_state& c = logic_->chooser;
  chooser_->show_state(wide(c.prompt), c.visible, !logic_->run_working());
}

}  // namespace zolk_win32
