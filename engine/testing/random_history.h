// Test support: a source tree changed at random between backup runs (files written, added and
// removed, folders added and removed, files turned into folders and back), with names that
// hold a trail byte 0x5C and names beginning with a full stop.
#ifndef ZOLK_ENGINE_RANDOM_HISTORY_H
#define ZOLK_ENGINE_RANDOM_HISTORY_H

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/testing/restore_test_tree.h"
#include "platform/native_path.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"

namespace restore_testing {

// Names with a trail byte 0x5C (表 ソ 能 予), a name beginning with a full stop, plain ones.
inline const std::vector<std::string> k_names = {"a",
                                                 "b.txt",
                                                 "Data",
                                                 "\x95\x5C",
                                                 "\x83\x5C.dat",
                                                 "\x94\x5C\x97\x5C",
                                                 "x\x95\x5Cy.txt",
                                                 "deep",
                                                 "e",
                                                 ".hidden",
                                                 "\x97\x5C\x92\xE8"};

class random_history {
 public:
  random_history(unsigned seed, const std::string& source) : random_(seed), source_(source) {}

  // One to five random changes of the source tree.
  void change() {
    const int count = 1 + static_cast<int>(random_() % 5);
    for (int i = 0; i < count; ++i) change_one();
  }

  void write(const std::string& relative, size_t length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>('a' + random_() % 26);
    const std::string path = source_ + "/" + relative;
    testing_support::write_file(path, bytes);
    // Every edit gets its own two-second step, as a run tells versions apart by their time.
    clock_ += 2;
    testing_support::set_time(
        path, host::pack_time(host::calendar_time{2020, 1, 1 + clock_ / 86400, (clock_ / 3600) % 24,
                                                  (clock_ / 60) % 60, clock_ % 60}));
  }

 private:
  std::vector<std::string> entries(bool folders) const {
    std::vector<std::string> out;
    for (const auto& entry : tree_of(source_)) {
      if ((entry.second == "<folder>") == folders) out.push_back(entry.first);
    }
    return out;
  }

  std::string pick(const std::vector<std::string>& from) { return from[random_() % from.size()]; }

  std::string new_path(const std::string& folder) {
    const std::string name = k_names[random_() % k_names.size()];
    return folder.empty() ? name : folder + "\\" + name;
  }

  size_t length() {
    const unsigned roll = random_() % 20;
    if (roll == 0) return 0;
    if (roll == 1) return 131072 + random_() % 1000;  // more than one block
    return random_() % 300;
  }

  void remove(const std::string& relative) {
    std::error_code ec;
    std::filesystem::remove_all(
        std::filesystem::u8path(host::native_path(source_ + "/" + relative)), ec);
  }

  void add_folder(const std::string& relative, int depth) {
    const std::string path = source_ + "/" + relative;
    if (testing_support::exists(path)) return;
    testing_support::make_folders(path);
    const int files = static_cast<int>(random_() % 3);
    for (int i = 0; i < files; ++i) {
      const std::string file = new_path(relative);
      if (!testing_support::exists(source_ + "/" + file)) write(file, length());
    }
    if (depth < 2 && random_() % 2 == 0) add_folder(new_path(relative), depth + 1);
  }

  void change_one() {
    std::vector<std::string> folders = entries(true);
    const std::vector<std::string> files = entries(false);
    folders.push_back("");
    switch (random_() % 6) {
      case 0:
        if (!files.empty()) write(pick(files), length());
        break;
      case 1: {
        const std::string file = new_path(pick(folders));
        if (!testing_support::exists(source_ + "/" + file)) write(file, length());
        break;
      }
      case 2:
        add_folder(new_path(pick(folders)), 0);
        break;
      case 3:
        if (!files.empty()) remove(pick(files));
        break;
      case 4:
        if (folders.size() > 1) remove(folders[random_() % (folders.size() - 1)]);
        break;
      default:
        change_kind(files, folders);
    }
  }

  // A file becomes a folder of the same name, or a folder a file.
  void change_kind(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
    if (random_() % 2 == 0 && !files.empty()) {
      const std::string file = pick(files);
      remove(file);
      add_folder(file, 1);
    } else if (folders.size() > 1) {
      const std::string folder = folders[random_() % (folders.size() - 1)];
      remove(folder);
      write(folder, length());
    }
  }

  std::mt19937 random_;
  std::string source_;
  int clock_ = 0;
};

}  // namespace restore_testing

#endif
