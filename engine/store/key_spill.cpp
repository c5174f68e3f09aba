#include "engine/store/key_spill.h"

#include <algorithm>
#include <cstring>
#include <queue>
#include <utility>

namespace engine {
namespace {

// A block of the merged region holds at least this many bytes; one pass merges at most
// this many runs.
constexpr uint64_t k_block = 4096;
constexpr size_t k_fan_in = 16;
// A record in the file: the hash (8 bytes), the kinds (1), the key's length (4), the key.
// The file never leaves this process, so the numbers are kept in the machine's own order.
constexpr size_t k_header = 13;
// Reads and writes go through buffers of this size: one per run being merged.
constexpr size_t k_buffer = 64 * 1024;
// At most this many blocks are noted (16 bytes each); larger regions get larger blocks.
constexpr uint64_t k_most_blocks = 16384;
// The Bloom filter: 12 bits a key, 6 probes (under 1 % false hits), at most 1 MiB.
constexpr uint64_t k_filter_bits_per_key = 12;
constexpr uint64_t k_most_filter_bits = uint64_t{8} << 20;
constexpr int k_probes = 6;

void append_record(std::string& out, uint64_t hash, uint8_t kinds, std::string_view key) {
  char header[k_header];
  const uint32_t length = static_cast<uint32_t>(key.size());
  std::memcpy(header, &hash, 8);
  header[8] = static_cast<char>(kinds);
  std::memcpy(header + 9, &length, 4);
  out.append(header, k_header);
  out.append(key);
}

// Reads the record at `pos` of `bytes` and moves past it; false when it does not fit.
bool parse_record(std::string_view bytes, size_t& pos, key_spill::record& out) {
  if (bytes.size() - pos < k_header) return false;
  uint32_t length = 0;
  std::memcpy(&out.hash, bytes.data() + pos, 8);
  out.kinds = static_cast<uint8_t>(bytes[pos + 8]);
  std::memcpy(&length, bytes.data() + pos + 9, 4);
  if (bytes.size() - pos - k_header < length) return false;
  out.key = bytes.substr(pos + k_header, length);
  pos += k_header + length;
  return true;
}

// Spreads FNV's bits over the whole word before the filter takes its probes from it.
uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

}  // namespace

// Reads the records of one region in order, through its own buffer. The file is shared with
// the writer and the other readers, so every refill seeks first.
class key_spill::reader {
 public:
  reader(host::file& f, uint64_t begin, uint64_t end) : f_(f), at_(begin), end_(end) {}

  // Moves to the next record; false at the region's end or when it could not be read.
  bool next() {
    offset = at_ - (buffer_.size() - pos_);
    if (!fill(k_header)) return false;
    uint32_t length = 0;
    std::memcpy(&length, buffer_.data() + pos_ + 9, 4);
    if (!fill(k_header + length)) {
      error = true;  // a record cut short: the region is not what was written
      return false;
    }
    record r{};
    parse_record(buffer_, pos_, r);
    hash = r.hash;
    kinds = r.kinds;
    key.assign(r.key);
    return true;
  }

  uint64_t offset = 0;  // of the current record
  uint64_t hash = 0;
  uint8_t kinds = 0;
  std::string key;
  bool error = false;

 private:
  // Makes `n` bytes available from pos_; false at the region's end or on a read error.
  bool fill(size_t n) {
    if (buffer_.size() - pos_ >= n) return true;
    buffer_.erase(0, pos_);
    pos_ = 0;
    while (buffer_.size() < n) {
      if (at_ >= end_) {
        if (!buffer_.empty()) error = true;
        return false;
      }
      const size_t want = static_cast<size_t>(
          std::min<uint64_t>(std::max(k_buffer, n - buffer_.size()), end_ - at_));
      const size_t had = buffer_.size();
      buffer_.resize(had + want);
      const int64_t got = f_.seek(at_) ? f_.read(&buffer_[had], want) : -1;
      if (got <= 0) {
        error = true;
        return false;
      }
      buffer_.resize(had + static_cast<size_t>(got));
      at_ += static_cast<uint64_t>(got);
    }
    return true;
  }

  host::file& f_;
  uint64_t at_;
  uint64_t end_;
  std::string buffer_;
  size_t pos_ = 0;
};

// Appends records at the end of the file through a buffer.
class key_spill::writer {
 public:
  writer(host::file& f, uint64_t& end) : f_(f), end_(end) {}

  bool put(uint64_t hash, uint8_t kinds, std::string_view key) {
    append_record(buffer_, hash, kinds, key);
    return buffer_.size() < k_buffer || flush();
  }
  bool flush() {
    if (buffer_.empty()) return true;
    if (!f_.seek(end_) || !f_.write(buffer_.data(), buffer_.size())) return false;
    end_ += buffer_.size();
    buffer_.clear();
    return true;
  }

 private:
  host::file& f_;
  uint64_t& end_;
  std::string buffer_;
};

std::unique_ptr<key_spill> key_spill::create(host::host& h, const std::string& folder,
                                             const std::string& name) {
  std::unique_ptr<host::file> f = h.open_write_beneath(folder, name);
  if (!f) return nullptr;
  return std::unique_ptr<key_spill>(new key_spill(h, folder, name, std::move(f)));
}

key_spill::key_spill(host::host& h, std::string folder, std::string name,
                     std::unique_ptr<host::file> f)
    : h_(h), folder_(std::move(folder)), name_(std::move(name)), file_(std::move(f)) {}

key_spill::~key_spill() {
  file_.reset();
  h_.remove_file_beneath(folder_, name_);
}

bool key_spill::add_run(const std::vector<record>& run_records) {
  if (failed_ || run_records.empty()) return !failed_;
  const uint64_t begin = end_;
  writer out(*file_, end_);
  for (const record& r : run_records) {
    if (!out.put(r.hash, r.kinds, r.key)) return fail();
  }
  if (!out.flush()) return fail();
  runs_.push_back(run{begin, end_, run_records.size()});
  return true;
}

bool key_spill::merge(const std::vector<run>& group, run& out) {
  std::vector<std::unique_ptr<reader>> readers;
  for (const run& r : group) {
    readers.push_back(std::make_unique<reader>(*file_, r.begin, r.end));
  }
  const auto later = [&readers](size_t a, size_t b) {
    const reader& x = *readers[a];
    const reader& y = *readers[b];
    return x.hash != y.hash ? x.hash > y.hash : x.key > y.key;
  };
  std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
  const auto advance = [&](size_t i) {
    if (readers[i]->next()) heap.push(i);
    return !readers[i]->error;
  };
  for (size_t i = 0; i < readers.size(); ++i) {
    if (!advance(i)) return false;
  }
  out = run{end_, end_, 0};
  writer w(*file_, end_);
  std::string key;
  while (!heap.empty()) {
    const size_t first = heap.top();
    heap.pop();
    const uint64_t hash = readers[first]->hash;
    uint8_t kinds = readers[first]->kinds;
    key.swap(readers[first]->key);
    if (!advance(first)) return false;
    while (!heap.empty() && readers[heap.top()]->hash == hash && readers[heap.top()]->key == key) {
      const size_t same = heap.top();
      heap.pop();
      kinds |= readers[same]->kinds;
      if (!advance(same)) return false;
    }
    if (!w.put(hash, kinds, key)) return false;
    ++out.count;
  }
  if (!w.flush()) return false;
  out.end = end_;
  return true;
}

bool key_spill::finish(const visitor& each) {
  if (failed_) return false;
  // Each pass merges the runs in groups; the merged runs follow the old ones in the file.
  while (runs_.size() > 1) {
    std::vector<run> merged;
    for (size_t i = 0; i < runs_.size(); i += k_fan_in) {
      const std::vector<run> group(
          runs_.begin() + static_cast<ptrdiff_t>(i),
          runs_.begin() + static_cast<ptrdiff_t>(std::min(runs_.size(), i + k_fan_in)));
      merged.emplace_back();
      if (!merge(group, merged.back())) return fail();
    }
    runs_.swap(merged);
  }
  if (!runs_.empty()) region_ = runs_.front();
  runs_.clear();
  runs_.shrink_to_fit();
  size_ = region_.count;
  const uint64_t bytes = region_.end - region_.begin;
  block_bytes_ = std::max<uint64_t>(k_block, bytes / k_most_blocks + 1);
  uint64_t bits = 512;
  while (bits < size_ * k_filter_bits_per_key && bits < k_most_filter_bits) bits *= 2;
  filter_.assign(static_cast<size_t>(bits / 64), 0);
  reader in(*file_, region_.begin, region_.end);
  while (in.next()) {
    if (blocks_.empty() || in.offset - blocks_.back().offset >= block_bytes_) {
      blocks_.push_back(block{in.hash, in.offset});
    }
    note(in.hash);
    each(in.kinds, in.key);
  }
  if (in.error) failed_ = true;
  return !failed_;
}

// The filter's `i`-th bit for `hash`: the probes step through the filter from one mixed
// word, by an odd stride taken from its upper half.
uint64_t key_spill::probe(uint64_t hash, int i) const {
  const uint64_t m = mix(hash);
  return (m + static_cast<uint64_t>(i) * ((m >> 33) | 1)) & (filter_.size() * 64 - 1);
}

void key_spill::note(uint64_t hash) {
  for (int i = 0; i < k_probes; ++i) {
    const uint64_t bit = probe(hash, i);
    filter_[bit / 64] |= uint64_t{1} << (bit % 64);
  }
}

bool key_spill::may_hold(uint64_t hash) const {
  for (int i = 0; i < k_probes; ++i) {
    const uint64_t bit = probe(hash, i);
    if ((filter_[bit / 64] & (uint64_t{1} << (bit % 64))) == 0) return false;
  }
  return true;
}

bool key_spill::read_block(size_t index) {
  const uint64_t begin = blocks_[index].offset;
  const uint64_t end = index + 1 < blocks_.size() ? blocks_[index + 1].offset : region_.end;
  read_bytes_.resize(static_cast<size_t>(end - begin));
  if (!file_->seek(begin)) return false;
  for (size_t got = 0; got < read_bytes_.size();) {
    const int64_t n = file_->read(&read_bytes_[got], read_bytes_.size() - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

bool key_spill::for_each_with_hash(uint64_t hash, const visitor& visit) {
  if (failed_) return false;
  if (blocks_.empty() || !may_hold(hash)) return true;
  // The records of `hash` start in the last block that begins with a smaller hash (or in
  // the first block), and may run on into the next ones.
  const auto it = std::lower_bound(blocks_.begin(), blocks_.end(), hash,
                                   [](const block& b, uint64_t h) { return b.first_hash < h; });
  size_t index = static_cast<size_t>(it - blocks_.begin());
  if (index > 0) --index;
  for (; index < blocks_.size() && blocks_[index].first_hash <= hash; ++index) {
    if (!read_block(index)) return fail();
    size_t pos = 0;
    record r{};
    while (pos < read_bytes_.size()) {
      if (!parse_record(read_bytes_, pos, r)) return fail();
      if (r.hash > hash) return true;
      if (r.hash == hash) visit(r.kinds, r.key);
    }
  }
  return true;
}

bool key_spill::for_each(const visitor& visit) {
  if (failed_) return false;
  reader in(*file_, region_.begin, region_.end);
  while (in.next()) visit(in.kinds, in.key);
  if (in.error) failed_ = true;
  return !failed_;
}

size_t key_spill::memory() const {
  return blocks_.capacity() * sizeof(block) + filter_.capacity() * sizeof(uint64_t) +
         read_bytes_.capacity();
}

}  // namespace engine
