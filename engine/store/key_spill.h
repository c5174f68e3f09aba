// A set of keys kept in a file, sorted by hash, for an index too large to hold in memory.
//
// An index past its memory budget hands its keys over in runs, each sorted by hash and key.
// finish() merges the runs, a bounded number at a time, into one sorted region and keeps in
// memory only the first hash of each block of it and a Bloom filter of the hashes: a lookup of
// a key the file lacks mostly reads nothing, one of a key it holds reads about one block.
// What stays in memory has a fixed ceiling (about 1.3 MiB) whatever the number of keys; the
// file is removed when the object goes.
#ifndef ZOLK_ENGINE_KEY_SPILL_H
#define ZOLK_ENGINE_KEY_SPILL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace engine {

class key_spill {
 public:
  struct record {
    uint64_t hash;
    uint8_t kinds;  // the caller's bits
    std::string_view key;
  };
  using visitor = std::function<void(uint8_t kinds, std::string_view key)>;

  // Creates the file `name` in `folder` afresh (whatever stood there, a link included, is
  // removed, never written through); null when it cannot be made.
  static std::unique_ptr<key_spill> create(host::host& h, const std::string& folder,
                                           const std::string& name);
  ~key_spill();
  key_spill(const key_spill&) = delete;
  key_spill& operator=(const key_spill&) = delete;

  // Appends one run: records sorted by hash, then key, each key at most once. False when the
  // file could not be written.
  bool add_run(const std::vector<record>& run);
  // Merges the runs into the region lookups read; the records of one key in several runs
  // become one with all their kinds, and `each` sees every merged record once. False when
  // the file could not be read or written; the object is then of no further use.
  bool finish(const visitor& each);

  // The number of distinct keys, once finished.
  size_t size() const { return size_; }
  // Calls `visit` for every key whose hash is `hash`. False when the file could not be read.
  bool for_each_with_hash(uint64_t hash, const visitor& visit);
  // Calls `visit` for every key, in hash order. False when the file could not be read.
  bool for_each(const visitor& visit);
  // Whether any read or write has failed so far.
  bool failed() const { return failed_; }
  // The bytes it holds in memory once finished.
  size_t memory() const;

 private:
  struct run {
    uint64_t begin;
    uint64_t end;
    size_t count;
  };
  class reader;
  class writer;
  struct block {
    uint64_t first_hash;
    uint64_t offset;
  };

  key_spill(host::host& h, std::string folder, std::string name, std::unique_ptr<host::file> f);
  bool merge(const std::vector<run>& group, run& out);
  bool read_block(size_t index);
  bool fail() {
    failed_ = true;
    return false;
  }
  bool may_hold(uint64_t hash) const;
  void note(uint64_t hash);
  uint64_t probe(uint64_t hash, int i) const;

  host::host& h_;
  std::string folder_;
  std::string name_;
  std::unique_ptr<host::file> file_;
  uint64_t end_ = 0;  // where the next write goes
  std::vector<run> runs_;
  bool failed_ = false;

  // Once finished: the merged region, its blocks, the filter and the bytes of a block read.
  run region_{0, 0, 0};
  size_t size_ = 0;
  uint64_t block_bytes_ = 0;  // set by finish()
  std::vector<block> blocks_;
  std::vector<uint64_t> filter_;
  std::string read_bytes_;
};

}  // namespace engine

#endif
