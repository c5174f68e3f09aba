// The history store in a destination folder: history folders Zolk0001, Zolk0002, ... and a
// change log ZolkNNNN.Zcl beside each of them.
#ifndef ZOLK_ENGINE_HISTORY_STORE_H
#define ZOLK_ENGINE_HISTORY_STORE_H

#include <string>
#include <vector>

#include "engine/backup/snapshot.h"
#include "platform/host.h"

namespace engine {

constexpr const char* k_first_history_folder = "Zolk0001";

// True for a name that counts as a history folder: "Zolk" in any letter case, then four
// digits (8 bytes in all).
bool is_history_folder_name(const std::string& name);

// True when `a` and `b` name one history folder or change log: equal with ASCII letters
// folded ("zolk0002" and "Zolk0002"). A store copied to a disc or another system may come
// back in any letter case; the names a run writes are spelt as k_first_history_folder is.
bool same_store_name(const std::string& a, const std::string& b);
// The one spelling of all letter cases of a name ("zolk0002" -> "ZOLK0002"), as a key.
std::string folded_store_name(std::string name);

// True for the name of a change log: a history folder name followed by ".Zcl", the whole in
// any letter case ("zolk0002.zcl").
bool is_change_log_name(const std::string& name);

// The history folders of `destination`, newest (greatest name, letters folded) first,
// each with its date_text. Every real folder of such a name counts, whatever its read-only,
// hidden, system or archive bits; files, links and special entries never do.
folder_tree scan_history_folders(host::host& h, const std::string& destination);

// The name after the newest of the list: Zolk0007 -> Zolk0008, Zolk9999 -> Zolk10000 (which is
// no history folder name: a run refuses to make it).
// Empty when `newest` is null.
std::string next_history_folder_name(const folder_node* newest);

// The number a history folder's name gives its point: the four digits after the prefix
// ("Zolk0003" and "zolk0003" are 3); -1 for a name that is no history folder name.
int history_folder_number(const std::string& name);

// One restore point of a store.
struct store_point {
  int number = 0;        // its history folder's number (Zolk0003: 3)
  std::string folder;    // its history folder's name ("Zolk0003"), in the letter case it stands
  std::string time;      // the folder's date text ("2026/12/08 10:20:30")
  bool finished = true;  // false for the point of a backup run that was stopped or killed
                         // and not yet completed by the next run (unfinished_folder): it
                         // cannot be restored
};

// The point of a history folder as scanned (with its date_text), finished unless told.
store_point point_of(const folder_node& history_folder, bool finished = true);

// A point's number as commands take and print it: four digits ("0003").
std::string point_digits(const store_point& point);
// A point as lines and lists name it: its four digits, ": " and its time
// ("0003: 2026/12/08 10:20:30").
std::string point_entry(const store_point& point);
std::string point_entry(const folder_node& history_folder);
// A point as the point list shows it: point_entry, then for an unfinished point the mark that
// says so. The one place a list entry is made.
std::string point_list_entry(const store_point& point);

// The restore points of `destination`, newest first: each history folder, in any letter case.
std::vector<store_point> list_store_points(host::host& h, const std::string& destination);

// The entries of list_store_points as the point list shows them (point_list_entry), newest first.
std::vector<std::string> restore_point_entries(host::host& h, const std::string& destination);

}  // namespace engine

#endif
