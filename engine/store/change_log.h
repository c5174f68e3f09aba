// The change log beside each history folder (ZolkNNNN.Zcl): one line per entry the run took
// out of the point before it, written by backup runs and prunes and read by restores, the
// change list and verify.
#ifndef ZOLK_ENGINE_CHANGE_LOG_H
#define ZOLK_ENGINE_CHANGE_LOG_H

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace engine {

constexpr const char* k_change_log_extension = ".Zcl";

// destination\name.Zcl
std::string change_log_file_name(const std::string& destination, const std::string& folder_name);

// Change-log codes, four bytes each.
constexpr const char* k_code_new_folder = "S   ";
constexpr const char* k_code_new_file = "C   ";
constexpr const char* k_code_deleted = "D   ";
constexpr const char* k_code_changed = "D-C ";

// Writes a change log: each line is the code, the relative path and CR LF, nothing else. A
// control byte in a path is written as its escape (cp932.h), so a line is never split.
// Every line is handed to the file as it is written. Every writer of change logs goes through
// this class, so that a log reads back the same whoever wrote it.
class change_log_writer {
 public:
  // Makes the file `name` in `destination` anew, empty; false when it cannot be made. A link
  // planted at that name is replaced, never written through.
  bool open(host::host& h, const std::string& destination, const std::string& name);
  // Continues an existing file (creating it when missing), for completing a cut run.
  void open_append(host::host& h, const std::string& path);
  // Appends one line; false when it could not be written.
  bool write_line(const char* code, const std::string& relative_path);
  // Gives a file made by open() the packed modification time `packed` (the time of the run
  // the log describes); false when there is no such file or the time could not be set.
  bool set_time(uint32_t packed);
  // Pushes the file to the disk and closes it.
  bool close();

 private:
  std::unique_ptr<host::file> file_;
  host::host* append_host_ = nullptr;  // set in append mode: lines go through append_text
  std::string append_path_;
};

struct change_log_line {
  change_log_line* prev = nullptr;
  change_log_line* next = nullptr;
  char code[4] = {0, 0, 0, 0};  // the first four bytes as they stand, zero-filled when short
  std::string text;             // the rest of the line, without its line end
};

// Owns its lines; first() is null for a missing, unreadable or empty file.
class change_log {
 public:
  change_log() = default;
  change_log(change_log&&) = default;
  change_log& operator=(change_log&&) = default;
  change_log(const change_log&) = delete;
  change_log& operator=(const change_log&) = delete;

  change_log_line* first() { return lines_.empty() ? nullptr : &lines_.front(); }
  const change_log_line* first() const { return lines_.empty() ? nullptr : &lines_.front(); }
  size_t size() const { return lines_.size(); }
  // Appends a line at the end of the list.
  change_log_line& append(std::string_view raw_line);

 private:
  std::deque<change_log_line> lines_;
};

// How a change log was found when it was read.
enum class change_log_state {
  read,        // read to its end (an empty file included)
  missing,     // nothing stands at its name
  unreadable,  // something stands there that cannot be opened as a file or read to its end
};

// Reads point_path + ".Zcl". Lines end in CR LF or LF; a line of any length stays one line.
// `state`, when given, tells how the file was found; the lines read before a failure are kept.
change_log read_change_log(host::host& h, const std::string& point_path,
                           change_log_state* state = nullptr);
// The same for a log found under a name of its own (a store copied in another letter case:
// "zolk0002.zcl"): `path` is the file's whole path.
change_log read_change_log_file(host::host& h, const std::string& path,
                                change_log_state* state = nullptr);

// Reads the same lines as read_change_log, handing each to `line` (without its line end) as
// soon as it is whole, so that only the line being read is held, whatever the file's size.
// Returns how the file was found; the lines read before a failure have been handed over.
change_log_state for_each_change_log_line(host::host& h, const std::string& point_path,
                                          const std::function<void(std::string_view)>& line);
change_log_state for_each_change_log_file_line(host::host& h, const std::string& path,
                                               const std::function<void(std::string_view)>& line);

}  // namespace engine

#endif
