// A scoped temporary folder for file-system tests, removed with everything in it.
#ifndef ZOLK_PLATFORM_TESTING_TEMP_FOLDER_H
#define ZOLK_PLATFORM_TESTING_TEMP_FOLDER_H

#include <cstdint>
#include <map>
#include <string>

namespace testing_support {

class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  // The folder as Zolk names it (CP932 bytes; on POSIX the plain path).
  const std::string& path() const { return path_; }
  // path() joined with a relative CP932 path ("a\\b" or "a/b").
  std::string at(const std::string& relative) const;

 private:
  std::string path_;
};

// Small file helpers over the host, for setting up and checking trees in tests.
// Paths are CP932 as Zolk uses them.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);  // "<missing>" when it cannot be read
bool exists(const std::string& path);
// A symbolic link at `path` to `target` (both plain ASCII) where the system makes one; where it
// cannot (Windows without the right to make links), a small file in its place, so that a
// randomly made tree keeps its shape. True for a link.
bool link_or_file(const std::string& target, const std::string& path);
bool is_folder(const std::string& path);
void make_folders(const std::string& path);  // every folder of the path, the last included
void remove_tree(const std::string& path);   // a file, or a folder with everything in it
void set_time(const std::string& path, uint32_t packed);
uint32_t file_time(const std::string& path);  // packed; 0 when missing

// Every entry below `root`, by relative path with '/' separators (CP932): a folder maps to
// "<folder>", a file to its bytes. Names beginning with a full stop are left out when
// skip_dot_names is set.
std::map<std::string, std::string> list_tree(const std::string& root, bool skip_dot_names = false);

}  // namespace testing_support

#endif
