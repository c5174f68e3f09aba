// The history store in a destination folder: history folders Zolk0001, Zolk0002, ... and a
// change log ZolkNNNN.Zcl beside each of them.
#ifndef ZOLK_ENGINE_HISTORY_STORE_H
#define ZOLK_ENGINE_HISTORY_STORE_H

#include <memory>
#include <string>
#include <vector>

#include "engine/snapshot.h"
#include "platform/host.h"

namespace engine {

constexpr const char* k_first_history_folder = "Zolk0001";
constexpr const char* k_change_log_extension = ".Zcl";

// True for a name that counts as a history folder: "Zolk" in any letter case, then four
// digits (8 bytes in all).
bool is_history_folder_name(const std::string& name);

// The history folders of `destination`, newest (greatest name, letters folded) first,
// each with its date_text. Every real folder of such a name counts, whatever its read-only,
// hidden, system or archive bits; files, links and special entries never do.
folder_tree scan_history_folders(host::host& h, const std::string& destination);

// The name after the newest of the list: Zolk0007 -> Zolk0008, Zolk9999 -> Zolk10000 (which is
// no history folder name: a run refuses to make it).
// Empty when `newest` is null.
std::string next_history_folder_name(const folder_node* newest);

// One point as the point list shows it: the four characters after the prefix, ": " and the
// folder's date text ("0003: 2026/12/08 10:20:30").
std::string point_entry(const folder_node& history_folder);

// The restore points of `destination` as the point list shows them, newest first: for each
// history folder whose name starts with "Zolk" in exactly that case, the four characters
// after the prefix, ": " and the folder's date text ("0003: 2026/12/08 10:20:30").
std::vector<std::string> restore_point_entries(host::host& h, const std::string& destination);

// destination\name.Zcl
std::string change_log_file_name(const std::string& destination, const std::string& folder_name);

// Change-log codes, four bytes each.
constexpr const char* k_code_new_folder = "S   ";
constexpr const char* k_code_new_file = "C   ";
constexpr const char* k_code_deleted = "D   ";
constexpr const char* k_code_changed = "D-C ";

// Writes a change log: each line is the code, the relative path and CR LF, nothing else. A
// control byte in a path is written as its escape (cp932.h), so a line is never split.
// Every line is pushed to the file as it is written.
class change_log_writer {
 public:
  // Makes the file `name` in `destination` anew, empty; false when it cannot be made. A link
  // planted at that name is replaced, never written through.
  bool open(host::host& h, const std::string& destination, const std::string& name);
  // Continues an existing file (creating it when missing), for completing a cut run.
  void open_append(host::host& h, const std::string& path);
  // Appends one line; false when it could not be written.
  bool write_line(const char* code, const std::string& relative_path);
  // Pushes the file to the disk and closes it.
  bool close();

 private:
  std::unique_ptr<host::file> file_;
  host::host* append_host_ = nullptr;  // set in append mode: lines go through append_text
  std::string append_path_;
};

}  // namespace engine

#endif
