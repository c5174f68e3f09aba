#include "jobs/settings_file.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/cp932.h"

namespace jobs {

const char k_version_text[] = "Z-OLK Ver1.00";
const char k_settings_file_name[] = "Zcli.dat";

namespace {

void put_int32(std::string& out, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
  out.push_back(static_cast<char>((v >> 16) & 0xFF));
  out.push_back(static_cast<char>((v >> 24) & 0xFF));
}

int32_t get_int32(const unsigned char* p) {
  const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(v);
}

header_bytes created_header() {
  header_bytes header{};
  std::memcpy(header.data(), k_version_text, sizeof k_version_text);  // with its zero byte
  return header;
}

// The folder part of a CP932 path, its final separator included; empty when there is none.
// A trail byte 0x5C of a double-byte character is not a separator.
std::string folder_of(const std::string& path) {
  const std::vector<size_t> separators = cp932::path_separators(path);
  return path.substr(0, separators.empty() ? 0 : separators.back() + 1);
}

std::string random_suffix() {
  static std::mt19937 generator{std::random_device{}()};
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(digits[generator() % 16]);
  return out;
}

// A name in `folder` beginning with a full stop, so it stays out of the way of listings.
std::string temporary_name(const std::string& folder, const std::string& purpose) {
  return folder + "." + k_settings_file_name + "." + purpose + "-" + random_suffix() + ".tmp";
}

// True when the separator at `i` follows a drive ("c:\"), which is no folder to make. Only
// Windows has drives; on POSIX "a:" is a folder's name.
bool after_drive(const std::string& folder, size_t i) {
#ifdef _WIN32
  return i == 2 && folder[1] == ':';
#else
  static_cast<void>(folder);
  static_cast<void>(i);
  return false;
#endif
}

// Creates every missing folder of `folder` (which ends in a separator).
bool make_folders(host::host& h, const std::string& folder) {
  size_t previous = SIZE_MAX;
  for (const size_t i : cp932::path_separators(folder)) {
    const bool after_separator = i > 0 && previous == i - 1;
    previous = i;
    // A trail byte 0x5C before it is part of the folder's name, not a separator.
    if (i == 0 || after_separator || after_drive(folder, i)) continue;
    const std::string prefix = folder.substr(0, i);
    if (!h.exists(prefix) && !h.create_folder(prefix) && !h.exists(prefix)) return false;
  }
  return true;
}

bool folder_writable(host::host& h, const std::string& folder) {
  const std::string probe = temporary_name(folder, "probe");
  std::unique_ptr<host::file> f = h.open_write(probe);
  if (!f) return false;
  f->close();
  f.reset();
  h.remove_file(probe);
  return true;
}

}  // namespace

std::string settings_bytes(const header_bytes& header, const job_list& list) {
  std::string out(reinterpret_cast<const char*>(header.data()), header.size());
  for (const job_record* r = list.first(); r != nullptr; r = r->next) {
    put_int32(out, r->first_job_mark);
    out.push_back(static_cast<char>(r->job_kind));
    for (const text_slot& s : r->texts) {
      if (!s) {
        put_int32(out, 0);
        continue;
      }
      put_int32(out, static_cast<int32_t>(s->size() + 1));
      out.append(*s);
      out.push_back('\0');
    }
  }
  return out;
}

load_status parse_settings(const unsigned char* data, size_t size, header_bytes& header,
                           job_list& list) {
  list.clear();
  header.fill(0);
  const size_t header_part = std::min(size, k_header_size);
  if (header_part > 0) std::memcpy(header.data(), data, header_part);
  if (size <= k_header_size) return load_status::loaded;

  load_status status = load_status::loaded;
  size_t pos = k_header_size;
  while (pos < size) {
    // A record is added only once all of it has been read, so a file that ends inside a
    // record keeps exactly the whole records before it.
    auto record = std::make_unique<job_record>();
    clear_job_record(*record);
    if (size - pos < 5) return load_status::damaged;
    record->first_job_mark = get_int32(data + pos);
    record->job_kind = data[pos + 4];
    pos += 5;
    for (text_slot& slot : record->texts) {
      if (size - pos < 4) return load_status::damaged;
      const int32_t length = get_int32(data + pos);
      pos += 4;
      if (length <= 0) continue;
      if (static_cast<uint64_t>(length) > size - pos) return load_status::damaged;
      const char* text = reinterpret_cast<const char*>(data + pos);
      const void* zero = std::memchr(text, 0, static_cast<size_t>(length));
      pos += static_cast<size_t>(length);
      if (zero == nullptr) {
        // A text without its zero byte was not written whole; it is not kept.
        status = load_status::damaged;
        continue;
      }
      slot.emplace(text, static_cast<size_t>(static_cast<const char*>(zero) - text));
    }
    list.append(std::move(record));
  }
  return status;
}

load_result load_settings(host::host& h, settings_file& file, job_list& list,
                          const load_options& options) {
  list.clear();
  file.protect_unreadable = false;
  file.set_aside_damaged = false;
  load_result result;
  if (!h.exists(file.path)) {
    file.header = created_header();
    if (!options.create_when_missing) {
      result.status = load_status::missing;
      return result;
    }
    result.status = save_settings(h, file, list) == save_status::saved ? load_status::created
                                                                       : load_status::create_failed;
    return result;
  }

  // Whatever stands there but cannot be read may hold jobs: it is never replaced.
  std::string bytes;
  std::unique_ptr<host::file> f = h.open_read(file.path);
  if (!f || !host::read_to_end(*f, bytes)) {
    file.header.fill(0);
    file.protect_unreadable = true;
    result.status = load_status::unreadable;
    return result;
  }
  f->close();
  result.status = parse_settings(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 file.header, list);
  result.records = list.size();
  file.set_aside_damaged = result.status == load_status::damaged;
  return result;
}

std::string damaged_copy_path(host::host& h, const std::string& path) {
  std::string candidate = path + ".damaged";
  for (int n = 2; h.exists(candidate) && n < 1000; ++n) {
    candidate = path + ".damaged-" + std::to_string(n);
  }
  return candidate;
}

save_status save_settings(host::host& h, settings_file& file, const job_list& list) {
  if (file.protect_unreadable) return save_status::refused_unreadable;
  const std::string folder = folder_of(file.path);
  if (!folder.empty() && !make_folders(h, folder)) return save_status::create_failed;

  const std::string temporary = temporary_name(folder, "new");
  std::unique_ptr<host::file> f = h.open_write(temporary);
  if (!f) return save_status::create_failed;
  const std::string bytes = settings_bytes(file.header, list);
  bool written = f->write(bytes.data(), bytes.size());
  written = f->sync() && written;
  written = f->close() && written;
  f.reset();
  if (!written) {
    h.remove_file(temporary);
    return save_status::write_failed;
  }
  std::string aside;
  if (file.set_aside_damaged) {
    // Whatever the damaged file held past the records that could be read stays on disk; the
    // rename never replaces, so an earlier copy is never lost either.
    file.set_aside_damaged = false;
    aside = damaged_copy_path(h, file.path);
    if (!h.rename(file.path, aside)) aside.clear();
  }
  if (!h.replace_file(temporary, file.path)) {
    h.remove_file(temporary);
    if (!aside.empty() && h.rename(aside, file.path)) file.set_aside_damaged = true;
    return save_status::replace_failed;
  }
  // The new name must reach the disk too; the data already has, so a failure here is not one
  // of the save.
  h.sync_folder(folder.empty() ? std::string(".") : folder);
  return save_status::saved;
}

std::string user_settings_folder(host::host& h) {
#ifdef _WIN32
  std::string base = h.environment("APPDATA");
  if (base.empty()) return std::string();
  while (!base.empty() && folder_of(base) == base) base.pop_back();
  return base + "\\zolk\\";
#else
  std::string base = h.environment("XDG_CONFIG_HOME");
  std::string below = "/zolk/";
  if (base.empty() || base[0] != '/') {
    base = h.environment("HOME");
    below = "/.config/zolk/";
    if (base.empty()) return std::string();
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return base + below;
#endif
}

namespace {

// An installed program's folder. Root can write it, but a file left there belongs to no
// package and would outlive the program's removal, so it is never a place for the settings.
bool installed_program_folder(const std::string& folder) {
#ifdef _WIN32
  (void)folder;
  return false;
#else
  for (const char* system : {"/usr/", "/opt/", "/bin/", "/sbin/"}) {
    if (folder.compare(0, std::strlen(system), system) == 0) return true;
  }
  return false;
#endif
}

}  // namespace

std::string default_settings_path(host::host& h) {
  // Not const: each is returned, and moved out as it is.
  std::string beside = folder_of(h.executable_path()) + k_settings_file_name;
  const std::string config = user_settings_folder(h);
  std::string in_config = config.empty() ? std::string() : config + k_settings_file_name;
  if (!in_config.empty() && installed_program_folder(folder_of(beside))) return in_config;
  if (h.exists(beside)) return beside;
  // A file already kept in the configuration folder is not hidden by a new one beside the
  // program.
  if (!in_config.empty() && h.exists(in_config)) return in_config;
  if (folder_writable(h, folder_of(beside))) return beside;
  return in_config.empty() ? beside : in_config;
}

}  // namespace jobs
