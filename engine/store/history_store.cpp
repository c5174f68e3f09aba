#include "engine/store/history_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/common/messages.h"
#include "engine/common/paths.h"
#include "engine/store/change_log.h"
#include "engine/store/run_marker.h"

namespace engine {
namespace {

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Orders names by their first eight bytes, ASCII letters folded, greatest first.
bool newer_name(const std::string& a, const std::string& b) {
  for (size_t i = 0; i < 8; ++i) {
    const auto x = static_cast<unsigned char>(fold(i < a.size() ? a[i] : '\0'));
    const auto y = static_cast<unsigned char>(fold(i < b.size() ? b[i] : '\0'));
    if (x != y) return x > y;
  }
  return false;
}

}  // namespace

bool is_history_folder_name(const std::string& name) {
  if (name.size() != 8) return false;
  const char prefix[] = "ZOLK";
  for (size_t i = 0; i < 4; ++i) {
    if (fold(name[i]) != prefix[i]) return false;
  }
  // Only digits: a user's folder such as ZOLK_OLD must never be taken over as history.
  for (size_t i = 4; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

bool same_store_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string folded_store_name(std::string name) {
  for (char& c : name) c = fold(c);
  return name;
}

bool is_change_log_name(const std::string& name) {
  const std::string extension = k_change_log_extension;
  return name.size() == 8 + extension.size() && is_history_folder_name(name.substr(0, 8)) &&
         same_store_name(name.substr(8), extension);
}

folder_tree scan_history_folders(host::host& h, const std::string& destination) {
  folder_tree list;
  std::vector<host::found_entry> entries;
  list.set_root_readable(h.search(folder_search_pattern(destination), entries));
  std::vector<folder_node*> nodes;
  for (host::found_entry& entry : entries) {
    // The read-only, hidden, system and archive bits say nothing about what the folder is:
    // a store on a read-only disk or copied from a CD must still show every point.
    if ((entry.attributes & host::k_directory) == 0 || entry.is_special || entry.is_link ||
        !is_history_folder_name(entry.name)) {
      continue;
    }
    folder_node& node = list.new_node();
    node.time = entry.time;
    node.size = entry.size;
    node.attributes = static_cast<uint16_t>(entry.attributes);
    node.name = std::move(entry.name);
    node.date_text = std::make_unique<std::string>(h.date_text(node.time));
    nodes.push_back(&node);
  }
  std::stable_sort(nodes.begin(), nodes.end(), [](const folder_node* a, const folder_node* b) {
    return newer_name(a->name, b->name);
  });
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i]->prev = i > 0 ? nodes[i - 1] : nullptr;
    nodes[i]->next = i + 1 < nodes.size() ? nodes[i + 1] : nullptr;
  }
  list.set_first(nodes.empty() ? nullptr : nodes.front());
  return list;
}

std::string next_history_folder_name(const folder_node* newest) {
  if (newest == nullptr) return std::string();
  while (newest->prev != nullptr) newest = newest->prev;
  // Leading digits count, the first non-digit ends the number, none gives 0.
  long number = 0;
  for (size_t i = 4; i < newest->name.size() && i < 8; ++i) {
    const char c = newest->name[i];
    if (c < '0' || c > '9') break;
    number = number * 10 + (c - '0');
  }
  std::string digits = std::to_string(number + 1);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return "Zolk" + digits;
}

int history_folder_number(const std::string& name) {
  if (!is_history_folder_name(name)) return -1;
  int number = 0;
  for (size_t i = 4; i < 8; ++i) number = number * 10 + (name[i] - '0');
  return number;
}

store_point point_of(const folder_node& history_folder, bool finished) {
  store_point point;
  point.number = history_folder_number(history_folder.name);
  point.folder = history_folder.name;
  point.time = *history_folder.date_text;
  point.finished = finished;
  return point;
}

std::string point_digits(const store_point& point) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", point.number);
  return digits;
}

std::string point_entry(const store_point& point) {
  return point_digits(point) + ": " + point.time;
}

std::string point_entry(const folder_node& history_folder) {
  return point_entry(point_of(history_folder));
}

std::string point_list_entry(const store_point& point) {
  // Part old, part new: the list must not offer it as a point like the others.
  return point.finished ? point_entry(point)
                        : point_entry(point) + text(msg::point_unfinished_mark);
}

std::vector<store_point> list_store_points(host::host& h, const std::string& destination) {
  std::vector<store_point> points;
  const folder_tree list = scan_history_folders(h, destination);
  const folder_node* unfinished = unfinished_folder(h, destination, list);
  for (const folder_node* n = list.first(); n != nullptr; n = n->next) {
    points.push_back(point_of(*n, n != unfinished));
  }
  return points;
}

std::vector<std::string> restore_point_entries(host::host& h, const std::string& destination) {
  std::vector<std::string> entries;
  for (const store_point& point : list_store_points(h, destination)) {
    entries.push_back(point_list_entry(point));
  }
  return entries;
}

}  // namespace engine
