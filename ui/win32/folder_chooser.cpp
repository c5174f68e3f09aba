#include "ui/win32/folder_chooser.h"

#include <algorithm>

#include "platform/native_path.h"
#include "ui/folder_checks.h"

namespace zolk_win32 {
namespace {

constexpr int k_width = 420;
constexpr int k_height = 440;
enum control_id { id_drive = 201, id_tree, id_decide, id_create, id_label };

std::string joined(const std::string& folder, const std::string& name, bool root) {
  return root ? folder + name : folder + "\\" + name;
}

// Folders in the order of their names, letters without regard to case.
bool name_before(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace

folder_chooser::folder_chooser(host::host& h) : host_(h) {
  create(L"ZolkFolderChooser", wtext(ui::wt::chooser_caption),
         WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, k_width, k_height);
  if (hwnd() == nullptr) return;
  dpi_ = dpi_of(hwnd());
  drive_box = make_control(hwnd(), WC_COMBOBOXW, L"",
                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id_drive);
  folder_view = make_control(
      hwnd(), WC_TREEVIEWW, L"",
      WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
      id_tree, WS_EX_CLIENTEDGE);
  target_note = make_control(hwnd(), WC_STATICW, L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, id_label);
  make_folder_button = make_control(hwnd(), WC_BUTTONW, wtext(ui::wt::make_folder_button),
                                    WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, id_create);
  decide_button = make_control(hwnd(), WC_BUTTONW, wtext(ui::wt::decide_button),
                               WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, id_decide);
  fill_drives();
  lay_out();
  // The first showing stands in the user's own folder.
  const std::string home = host_.environment("USERPROFILE");
  if (home.empty() || !go_to(home)) {
    if (!drives_.empty()) go_to(drives_.front());
  }
}

folder_chooser::~folder_chooser() {
  destroy();
  if (font_ != nullptr) DeleteObject(font_);
}

void folder_chooser::lay_out() {
  if (font_ != nullptr) DeleteObject(font_);
  font_ = make_font(dpi_);
  set_font_all(hwnd(), font_);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int m = scaled(8, dpi_);
  const int w = client.right - 2 * m;
  const int button_h = scaled(26, dpi_);
  const int label_h = scaled(34, dpi_);
  const int drive_h = scaled(22, dpi_);
  const int bottom = client.bottom - m;
  SetWindowPos(drive_box, nullptr, m, m, w, scaled(200, dpi_), SWP_NOZORDER);
  const int tree_top = m + drive_h + m / 2;
  const int tree_bottom = bottom - button_h - label_h - m;
  SetWindowPos(folder_view, nullptr, m, tree_top, w, std::max(0, tree_bottom - tree_top),
               SWP_NOZORDER);
  SetWindowPos(target_note, nullptr, m, tree_bottom + m / 2, w, label_h, SWP_NOZORDER);
  const int button_w = scaled(100, dpi_);
  SetWindowPos(make_folder_button, nullptr, m, bottom - button_h, button_w, button_h, SWP_NOZORDER);
  SetWindowPos(decide_button, nullptr, client.right - m - button_w, bottom - button_h, button_w,
               button_h, SWP_NOZORDER);
}

void folder_chooser::fill_drives() {
  const DWORD length = GetLogicalDriveStringsW(0, nullptr);
  std::wstring all(length + 1, L'\0');
  const DWORD got = GetLogicalDriveStringsW(length, &all[0]);
  for (size_t at = 0; at < got && all[at] != L'\0';) {
    const std::wstring root(&all[at]);
    drives_.push_back(narrow(root));
    SendMessageW(drive_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root.c_str()));
    at += root.size() + 1;
  }
}

void folder_chooser::show_state(const std::wstring& prompt_text, bool visible, bool enabled) {
  show_text(target_note, prompt_text);
  if ((IsWindowEnabled(hwnd()) != FALSE) != enabled) EnableWindow(hwnd(), enabled);
  const bool shown = IsWindowVisible(hwnd()) != FALSE;
  if (visible && !shown) {
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
  } else if (!visible && shown) {
    ShowWindow(hwnd(), SW_HIDE);
  }
}

LRESULT folder_chooser::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (folder_view != nullptr) lay_out();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == id_drive && HIWORD(wparam) == CBN_SELCHANGE) on_drive_chosen();
      if (LOWORD(wparam) == id_decide && HIWORD(wparam) == BN_CLICKED && on_decide) on_decide();
      if (LOWORD(wparam) == IDCANCEL && lparam == 0) close_chooser();  // Escape
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom != folder_view) return 0;
      const auto* tree = reinterpret_cast<const NMTREEVIEWW*>(lparam);
      if (header->code == TVN_ITEMEXPANDINGW && (tree->action & TVE_EXPAND) != 0) {
        list_children(tree->itemNew.hItem);
      }
      if (header->code == TVN_SELCHANGEDW && !moving_) on_tree_moved(tree->itemNew.hItem);
      return 0;
    }
    case WM_CLOSE:
      close_chooser();
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
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

void folder_chooser::close_chooser() {
  ShowWindow(hwnd(), SW_HIDE);
  if (on_closed) on_closed();
}

void folder_chooser::on_drive_chosen() {
  const int index = static_cast<int>(SendMessageW(drive_box, CB_GETCURSEL, 0, 0));
  if (index >= 0 && index < static_cast<int>(drives_.size())) go_to(drives_[index]);
}

void folder_chooser::on_tree_moved(HTREEITEM item) {
  const node* n = node_of(item);
  if (n == nullptr) return;
  current_ = n->path;
  if (on_folder_changed) on_folder_changed(current_);
}

folder_chooser::node* folder_chooser::node_of(HTREEITEM item) const {
  if (item == nullptr) return nullptr;
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!SendMessageW(folder_view, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
  return reinterpret_cast<node*>(tv.lParam);
}

HTREEITEM folder_chooser::add_item(HTREEITEM parent, const std::string& name,
                                   const std::string& path) {
  nodes_.push_back(node{path, false});
  std::wstring text = wide(name);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = &text[0];
  insert.item.cChildren = 1;  // told when the branch is opened
  insert.item.lParam = reinterpret_cast<LPARAM>(&nodes_.back());
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(folder_view, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// The folders of a branch are read once, when it is first opened. Links are not offered:
// Zolk never descends into them.
void folder_chooser::list_children(HTREEITEM item) {
  node* n = node_of(item);
  if (n == nullptr || n->listed) return;
  n->listed = true;
  const bool root = TreeView_GetParent(folder_view, item) == nullptr;
  const std::string folder = n->path;
  std::vector<host::found_entry> found;
  host_.search(joined(folder, "*.*", root), found);
  std::vector<std::string> names;
  for (const host::found_entry& e : found) {
    if ((e.attributes & host::k_directory) == 0 || e.is_link || e.is_special) continue;
    if (e.name == "." || e.name == "..") continue;
    names.push_back(e.name);
  }
  std::sort(names.begin(), names.end(), name_before);
  for (const std::string& name : names) add_item(item, name, joined(folder, name, root));
  if (names.empty()) {
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = 0;
    SendMessageW(folder_view, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  }
}

HTREEITEM folder_chooser::child_named(HTREEITEM parent, const std::string& name) {
  for (HTREEITEM child = TreeView_GetChild(folder_view, parent); child != nullptr;
       child = TreeView_GetNextSibling(folder_view, child)) {
    const node* n = node_of(child);
    if (n == nullptr) continue;
    const std::vector<std::string> pieces = host::split_path(n->path);
    if (!pieces.empty() && ui::same_text_ignoring_case(pieces.back(), name)) return child;
  }
  return nullptr;
}

void folder_chooser::show_drive(const std::string& root) {
  TreeView_DeleteAllItems(folder_view);
  nodes_.clear();
  add_item(TVI_ROOT, root, root);
  for (size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i] == root) SendMessageW(drive_box, CB_SETCURSEL, i, 0);
  }
}

bool folder_chooser::go_to(const std::string& folder) {
  const std::vector<std::string> pieces = host::split_path(folder);
  if (pieces.empty()) return false;
  const std::string* drive = nullptr;
  for (const std::string& d : drives_) {
    if (d.size() >= 2 && ui::same_text_ignoring_case(d.substr(0, 2), pieces.front())) drive = &d;
  }
  if (drive == nullptr) return false;
  HTREEITEM item = TreeView_GetRoot(folder_view);
  const node* root = node_of(item);
  if (root == nullptr || root->path != *drive) {
    show_drive(*drive);
    item = TreeView_GetRoot(folder_view);
  }
  moving_ = true;
  for (size_t i = 1; i < pieces.size(); ++i) {
    list_children(item);  // a branch opened by a program may not be told of
    TreeView_Expand(folder_view, item, TVE_EXPAND);
    HTREEITEM child = child_named(item, pieces[i]);
    if (child == nullptr) break;
    item = child;
  }
  TreeView_SelectItem(folder_view, item);
  TreeView_EnsureVisible(folder_view, item);
  moving_ = false;
  on_tree_moved(item);
  return true;
}

}  // namespace zolk_win32
