// The paths a change log names, by kind, for the restore's roll-back.
//
// A restore of an old point consults the log of every run since that point, for every folder
// it settles. The index keeps each named path once, in one block of text, with a 64-bit hash
// for the lookup: about 24 bytes beside the path itself, where a set of strings took ten times
// that. It is read from the file a line at a time, never from the whole file in memory.
// Given a place to spill to, an index whose paths outgrow a budget keeps them in a file
// instead (key_spill.h), so that a restore past a run that changed millions of files holds
// little more than a filter and a sample of them.
#ifndef ZOLK_ENGINE_CHANGE_LOG_INDEX_H
#define ZOLK_ENGINE_CHANGE_LOG_INDEX_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/store/change_log.h"
#include "engine/store/key_spill.h"
#include "platform/host.h"

namespace engine {

// The list key of a change-log path: the text without one leading separator.
std::string change_log_key(std::string_view text);

// Where an index may keep its paths when they outgrow `budget` bytes in memory (paths and
// entries together): a file `name` it creates in `folder` and removes when it goes.
struct index_spill {
  host::host* h = nullptr;
  std::string folder;
  std::string name;
  size_t budget = 0;
};

class change_log_index {
 public:
  change_log_index() = default;
  change_log_index(change_log_index&&) noexcept;
  change_log_index& operator=(change_log_index&&) noexcept;
  ~change_log_index();
  // Indexes the lines of a log already read.
  explicit change_log_index(const change_log& log);

  // Reads point_path + ".Zcl" line by line; `state` tells how the file was found.
  // With `spill`, paths past its budget go to its file; when that file cannot be made, they
  // stay in memory, and when it cannot be written, the log is read again into memory.
  static change_log_index read(host::host& h, const std::string& point_path,
                               change_log_state& state, const index_spill* spill = nullptr);
  // The same for the log file at `path` (its whole name, in whatever letter case it stands).
  static change_log_index read_file(host::host& h, const std::string& path, change_log_state& state,
                                    const index_spill* spill = nullptr);

  // Takes in one raw line (its code and path, without the line end). Lines with a code other
  // than the four below, or without a path, are ignored. seal() must follow the last one.
  void add_line(std::string_view raw_line);
  // Makes the index ready for lookups.
  void seal();

  // Whether a "D   ", "D-C ", "C   " or "S   " line names the path. The key is `folder`\`name`,
  // or `name` alone when `folder` is null (a top-level entry), as the list keys entries.
  bool named(const std::string* folder, std::string_view name) const;
  // Whether a "C   " or "S   " line names it: an entry the run created.
  bool created(const std::string* folder, std::string_view name) const;
  bool named(std::string_view key) const { return named(nullptr, key); }
  bool created(std::string_view key) const { return created(nullptr, key); }

  // How many distinct paths the lines name, and how many of them the run created.
  size_t size() const;
  size_t created_count() const { return created_count_; }
  // Calls `visit` with the key of every path the run created, in no particular order.
  void for_each_created(const std::function<void(std::string_view key)>& visit) const;

  // The bytes it holds in memory.
  size_t memory() const;
  // Whether its file could not be read back during a lookup: answers since then may be wrong.
  bool failed() const;

 private:
  static constexpr uint8_t k_named = 1;
  static constexpr uint8_t k_created = 2;
  struct entry {
    uint64_t hash;
    size_t offset;  // of the key in text_
    uint32_t length;
    uint8_t kinds;
  };
  uint8_t kinds_of(const std::string* folder, std::string_view name) const;
  std::string_view key_of(const entry& e) const {
    return std::string_view(text_).substr(e.offset, e.length);
  }

  void sort_entries();
  void spill_run();

  std::string text_;
  std::vector<entry> entries_;  // by hash once sealed, one per key
  size_t created_count_ = 0;
  // Spilling: where to, and the file once made. A file that could not be written leaves
  // spill_failed_ set (read() then starts again without one).
  index_spill spill_place_;
  std::unique_ptr<key_spill> spill_;
  bool spill_failed_ = false;
};

}  // namespace engine

#endif
