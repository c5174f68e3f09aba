// zolk-win32-shots OUTPUT_FOLDER WORK_FOLDER: starts the Win32 windows on a settings file and a
// small folder tree in WORK_FOLDER, drives them as a user would and writes BMP pictures of the
// main window in both modes, the folder chooser and the run window (after two runs and in the
// middle of one) into OUTPUT_FOLDER. Meant for Wine in a virtual desktop on a display without
// a screen (scripts/screenshot-windows, which turns the pictures into PNG files).
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/program.h"
#include "engine/common/messages.h"
#include "platform/cp932.h"

#include <shellapi.h>

namespace {

using zolk_win32::wide;

std::string sj(const char* utf8) { return cp932::from_unicode(utf8); }

class quiet_messages : public ui::message_port {
 public:
  void show_message(const std::string&) override {}
  bool ask_yes_no(const std::string&) override { return true; }
};

// Lets the windows map and paint.
void settle(int milliseconds = 400) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void wait_for_run(const ui::main_window& m) {
  while (m.run_working()) settle(20);
}

void write_file(host::host& h, const std::string& path, const std::string& bytes) {
  if (auto file = h.open_write(path)) {
    file->write(bytes.data(), bytes.size());
    file->close();
  }
}

// What a user's typing leaves in a field.
void type(HWND field, const std::string& cp932_text) {
  SetWindowTextW(field, wide(cp932_text).c_str());
  wchar_t name[32] = {};
  GetClassNameW(field, name, 32);
  const bool combo = lstrcmpiW(name, WC_COMBOBOXW) == 0;
  SendMessageW(GetParent(field), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(field), combo ? CBN_EDITCHANGE : EN_CHANGE),
               reinterpret_cast<LPARAM>(field));
}

void pick(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

// The window as the screen shows it, frame included, as a 24-bit BMP file.
bool save(host::host& h, HWND hwnd, const std::string& folder, const char* name) {
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  settle(600);
  RECT r;
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(dc, picture);
  BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(dc, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(stride) * height);
  GetDIBits(dc, picture, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(picture);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes.append(pixels.data(), pixels.size());
  const std::string path = folder + "\\" + name;
  std::unique_ptr<host::file> out = h.open_write(path);
  const bool saved = out && out->write(bytes.data(), bytes.size()) && out->close();
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", name);
  return saved;
}

// The run window in the middle of a long first run, from the facts such a run reports.
void show_run_in_progress(zolk_win32::run_window& run_view, const std::string& source) {
  run_view.show_for_run();
  ui::run_batch batch;
  batch.texts.push_back(engine::text(engine::msg::first_run));
  const char* const names[] = {"見積", "見積", "予定表.txt", "写真"};
  const char* const files[] = {"山田商店.txt", "鈴木工業.txt", nullptr, "社員旅行.jpg"};
  for (size_t i = 0; i < 4; ++i) {
    batch.texts.push_back(engine::text(engine::msg::new_file_copied));
    std::string path = source + "\\" + sj(names[i]);
    if (files[i] != nullptr) path += "\\" + sj(files[i]);
    batch.texts.push_back(engine::text(engine::msg::detail_prefix) + path + "\r\n");
  }
  engine::progress_facts facts;
  facts.entries_done = 1234;
  facts.entries_total = 20000;
  facts.bytes_done = int64_t{1290} << 20;
  facts.bytes_total = int64_t{3800} << 20;
  facts.current_path = source + "\\" + sj("写真") + "\\2026\\" + sj("社員旅行の動画.mp4");
  facts.file_bytes_total = int64_t{512} << 20;
  facts.file_bytes_done = int64_t{205} << 20;
  batch.facts = facts;
  run_view.show_batch(batch, 42);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3) {
    std::fprintf(stderr, "usage: zolk-win32-shots OUTPUT_FOLDER WORK_FOLDER\n");
    return 2;
  }
  const std::string out = zolk_win32::narrow(argv[1]);
  const std::string work = zolk_win32::narrow(argv[2]);
  LocalFree(argv);
  zolk_win32::prepare_controls();
  host::host& h = host::default_host();
  h.create_folder(out);
  h.create_folder(work);
  const std::string source = work + "\\" + sj("書類");
  h.create_folder(source);
  h.create_folder(source + "\\" + sj("見積"));
  write_file(h, source + "\\" + sj("予定表.txt"), "2026");
  write_file(h, source + "\\" + sj("見積") + "\\" + sj("山田商店.txt"), "first");
  const std::string store = work + "\\" + sj("履歴");

  quiet_messages messages;
  zolk_win32::windows w(h, work + "\\Zcli.dat", messages);
  zolk_win32::main_window_view& main = *w.main_view;
  ui::main_window& m = main.logic();
  ShowWindow(main.hwnd(), SW_SHOW);
  type(main.job_name_box, sj("書類の毎日の履歴"));
  type(main.comment_field, sj("見積と予定表"));
  type(main.source_folder, source);
  type(main.destination_folder, store);
  SendMessageW(main.register_button, BM_CLICK, 0, 0);
  pick(main.job_name_box, 0);
  settle();
  bool ok = save(h, main.hwnd(), out, "win32-main-backup.bmp");

  SetWindowPos(w.run_view->hwnd(), nullptr, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(main.start_button, BM_CLICK, 0, 0);
  wait_for_run(m);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // file times count in two-second steps
  write_file(h, source + "\\" + sj("見積") + "\\" + sj("山田商店.txt"), "second version");
  write_file(h, source + "\\" + sj("見積") + "\\" + sj("鈴木工業.txt"), "new");
  SendMessageW(main.start_button, BM_CLICK, 0, 0);
  wait_for_run(m);
  ok = save(h, w.run_view->hwnd(), out, "win32-run-window.bmp") && ok;
  ShowWindow(w.run_view->hwnd(), SW_HIDE);
  {
    // A window of its own, so the log of the two runs above stays as it was.
    zolk_win32::run_window running(h);
    SetWindowPos(running.hwnd(), nullptr, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    show_run_in_progress(running, source);
    ok = save(h, running.hwnd(), out, "win32-run-window-running.bmp") && ok;
  }

  SendMessageW(main.restore_mode_button, BM_CLICK, 0, 0);
  pick(main.restore_job_box, 0);
  pick(main.point_list, 0);
  type(main.destination_folder, work + "\\" + sj("復元先"));
  ok = save(h, main.hwnd(), out, "win32-main-restore.bmp") && ok;

  SendMessageW(main.backup_mode_button, BM_CLICK, 0, 0);
  SendMessageW(main.browse_destination, BM_CLICK, 0, 0);
  SetWindowPos(w.chooser->hwnd(), nullptr, 300, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  w.chooser->go_to(source + "\\" + sj("見積"));
  // Scrolled as a user would, so the picture shows the folders of the example.
  HWND tree = w.chooser->folder_view;
  HTREEITEM top = TreeView_GetParent(tree, TreeView_GetParent(tree, TreeView_GetSelection(tree)));
  if (top != nullptr) TreeView_Select(tree, top, TVGN_FIRSTVISIBLE);
  ok = save(h, w.chooser->hwnd(), out, "win32-chooser.bmp") && ok;
  return ok ? 0 : 1;
}
