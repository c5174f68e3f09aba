#include "platform/testing/temp_folder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "platform/cp932.h"
#include "platform/host.h"
#include "platform/native_path.h"
#include "platform/wide_text.h"

namespace fs = std::filesystem;

namespace testing_support {
namespace {

// The filesystem library's view of a CP932 path (a test helper only; Zolk's own code goes
// through the host).
fs::path to_fs(const std::string& cp932_path) {
#ifdef _WIN32
  // The host's own conversion, which also carries names that are not valid UTF-8.
  const std::u16string wide = host::without_verbatim_prefix(host::windows_path(cp932_path));
  return fs::path(std::wstring(wide.begin(), wide.end()));
#else
  std::string utf8;
  const std::vector<std::string> pieces = host::split_path(cp932_path);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0 || pieces[i].empty()) utf8 += '/';
    utf8 += cp932::to_unicode(pieces[i]);
  }
  return fs::u8path(utf8);
#endif
}

std::string from_fs(const fs::path& p) {
#ifdef _WIN32
  // Name by name, joined with '/', so that no trail byte 0x5C is taken for a separator and a
  // lone surrogate survives.
  const std::wstring native = p.wstring();
  std::string out;
  std::u16string name;
  for (const wchar_t c : native) {
    if (c == L'\\' || c == L'/') {
      out += cp932::from_unicode(host::wtf8_from_utf16(name)) + "/";
      name.clear();
    } else {
      name += static_cast<char16_t>(c);
    }
  }
  return out + cp932::from_unicode(host::wtf8_from_utf16(name));
#else
  // The generic form uses '/', so no trail byte 0x5C of a CP932 name is ever touched.
  return cp932::from_unicode(p.generic_u8string());
#endif
}

}  // namespace

temp_folder::temp_folder() {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        base / ("zolk-test-" + std::to_string(device()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = from_fs(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

temp_folder::~temp_folder() {
  std::error_code ec;
  // Tests make folders read-only; give write access back so that everything goes.
  for (auto it = fs::recursive_directory_iterator(to_fs(path_), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code ignored;
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(to_fs(path_), ec);
}

std::string temp_folder::at(const std::string& relative) const { return path_ + "/" + relative; }

bool link_or_file(const std::string& target, const std::string& path) {
  std::error_code failed;
  std::filesystem::create_symlink(target, path, failed);
  if (!failed) return true;
  write_file(path, "no link");
  return false;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::unique_ptr<host::file> f = host::default_host().open_write(path);
  if (!f || !f->write(bytes.data(), bytes.size()) || !f->close()) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string read_file(const std::string& path) {
  std::unique_ptr<host::file> f = host::default_host().open_read(path);
  if (!f) return "<missing>";
  std::string bytes;
  host::read_to_end(*f, bytes);
  return bytes;
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(to_fs(path), ec));
}

bool is_folder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(to_fs(path), ec));
}

void make_folders(const std::string& path) {
  std::error_code ec;
  fs::create_directories(to_fs(path), ec);
  if (ec) throw std::runtime_error("cannot create " + path);
}

void remove_tree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(to_fs(path), ec);
  if (ec) throw std::runtime_error("cannot remove " + path);
}

void set_time(const std::string& path, uint32_t packed) {
  // Opening for writing would empty the file, so the time is set through a read handle's
  // sibling: reopen for writing only after saving the bytes.
  const std::string bytes = read_file(path);
  std::unique_ptr<host::file> f = host::default_host().open_write(path);
  if (!f || !f->write(bytes.data(), bytes.size()) || !f->set_time(packed) || !f->close()) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}

uint32_t file_time(const std::string& path) {
  std::unique_ptr<host::file> f = host::default_host().open_read(path);
  uint32_t packed = 0;
  if (!f || !f->get_time(packed)) return 0;
  return packed;
}

}  // namespace testing_support

namespace testing_support {

std::map<std::string, std::string> list_tree(const std::string& root, bool skip_dot_names) {
  std::map<std::string, std::string> out;
  const fs::path base = to_fs(root);
  std::error_code ec;
  auto it = fs::recursive_directory_iterator(base, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = from_fs(it->path().filename());
    if (skip_dot_names && !name.empty() && name[0] == '.') {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    const std::string relative = from_fs(it->path().lexically_relative(base));
    const std::string zolk_path = root + "/" + relative;
    out[relative] = it->is_directory() ? "<folder>" : read_file(zolk_path);
  }
  return out;
}

}  // namespace testing_support
