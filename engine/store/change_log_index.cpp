#include "engine/store/change_log_index.h"

#include <algorithm>
#include <cstdint>

namespace engine {
namespace {

// FNV-1a, fed piece by piece so that a folder's key and a name need not be joined first.
constexpr uint64_t k_hash_start = 14695981039346656037ull;

uint64_t hash_more(uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

uint64_t hash_of(const std::string* folder, std::string_view name) {
  uint64_t hash = k_hash_start;
  if (folder != nullptr) hash = hash_more(hash_more(hash, *folder), "\\");
  return hash_more(hash, name);
}

// A change-log path without one leading separator.
std::string_view key_view(std::string_view text) {
  if (!text.empty() && text.front() == '\\') text.remove_prefix(1);
  return text;
}

// Whether `key` reads `folder`\`name` (or `name` alone for a null folder).
bool key_is(std::string_view key, const std::string* folder, std::string_view name) {
  if (folder == nullptr) return key == name;
  return key.size() == folder->size() + 1 + name.size() &&
         key.compare(0, folder->size(), *folder) == 0 && key[folder->size()] == '\\' &&
         key.substr(folder->size() + 1) == name;
}

}  // namespace

std::string change_log_key(std::string_view text) { return std::string(key_view(text)); }

change_log_index::change_log_index(const change_log& log) {
  for (const change_log_line* line = log.first(); line != nullptr; line = line->next) {
    std::string raw(line->code, 4);
    raw += line->text;
    add_line(raw);
  }
  seal();
}

change_log_index::change_log_index(change_log_index&&) noexcept = default;
change_log_index& change_log_index::operator=(change_log_index&&) noexcept = default;
change_log_index::~change_log_index() = default;

change_log_index change_log_index::read(host::host& h, const std::string& point_path,
                                        change_log_state& state, const index_spill* spill) {
  return read_file(h, point_path + k_change_log_extension, state, spill);
}

change_log_index change_log_index::read_file(host::host& h, const std::string& path,
                                             change_log_state& state, const index_spill* spill) {
  const auto read_into = [&](change_log_index& index) {
    state = for_each_change_log_file_line(
        h, path, [&index](std::string_view line) { index.add_line(line); });
    index.seal();
  };
  if (spill != nullptr && spill->h != nullptr) {
    change_log_index index;
    index.spill_place_ = *spill;
    // The budget is taken at once, a third for the entries, so that no doubling of a
    // growing buffer goes past it; what a short log leaves unused goes again when sealed.
    index.entries_.reserve(spill->budget / 3 / sizeof(entry));
    index.text_.reserve(spill->budget - spill->budget / 3);
    read_into(index);
    if (!index.spill_failed_) return index;
    // The paths already handed to the file are lost with it: the log is read again.
  }
  change_log_index index;
  read_into(index);
  return index;
}

void change_log_index::add_line(std::string_view raw_line) {
  if (raw_line.size() < 4) return;
  const std::string_view code = raw_line.substr(0, 4);
  uint8_t kinds = 0;
  if (code == k_code_deleted || code == k_code_changed) kinds = k_named;
  if (code == k_code_new_file || code == k_code_new_folder) kinds = k_named | k_created;
  if (kinds == 0) return;
  const std::string_view key = key_view(raw_line.substr(4));
  // No entry has a path of 4 GiB: such a line names nothing a restore could meet.
  if (key.empty() || key.size() > UINT32_MAX) return;
  if (spill_failed_) return;
  if (spill_place_.h != nullptr && !entries_.empty() &&
      (entries_.size() == entries_.capacity() || key.size() > text_.capacity() - text_.size())) {
    spill_run();
  }
  entries_.push_back(
      entry{hash_of(nullptr, key), text_.size(), static_cast<uint32_t>(key.size()), kinds});
  text_.append(key);
}

// Hands the entries so far to the file as one sorted run and starts afresh in the same
// buffers. Without a file (none could be made) they simply stay, and grow.
void change_log_index::spill_run() {
  if (!spill_) {
    spill_ = key_spill::create(*spill_place_.h, spill_place_.folder, spill_place_.name);
    if (!spill_) {
      spill_place_.h = nullptr;
      return;
    }
  }
  sort_entries();
  std::vector<key_spill::record> run;
  run.reserve(entries_.size());
  for (const entry& e : entries_) run.push_back(key_spill::record{e.hash, e.kinds, key_of(e)});
  if (!spill_->add_run(run)) {
    spill_failed_ = true;
    spill_.reset();
    spill_place_.h = nullptr;
  }
  entries_.clear();
  text_.clear();
}

void change_log_index::seal() {
  if (spill_ && !entries_.empty()) spill_run();
  created_count_ = 0;
  if (spill_) {
    entries_ = std::vector<entry>();
    text_ = std::string();
    const bool whole = spill_->finish([this](uint8_t kinds, std::string_view) {
      if ((kinds & k_created) != 0) ++created_count_;
    });
    if (!whole) {
      spill_failed_ = true;
      spill_.reset();
    }
    return;
  }
  sort_entries();
  entries_.shrink_to_fit();
  text_.shrink_to_fit();
  for (const entry& e : entries_) created_count_ += (e.kinds & k_created) != 0 ? 1 : 0;
}

// Sorts the entries by hash and key, one per key with the kinds of all its lines.
void change_log_index::sort_entries() {
  std::sort(entries_.begin(), entries_.end(), [this](const entry& a, const entry& b) {
    if (a.hash != b.hash) return a.hash < b.hash;
    return key_of(a) < key_of(b);
  });
  // One entry per key, with the kinds of all its lines.
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (kept > 0 && entries_[kept - 1].hash == entries_[i].hash &&
        key_of(entries_[kept - 1]) == key_of(entries_[i])) {
      entries_[kept - 1].kinds |= entries_[i].kinds;
    } else {
      entries_[kept++] = entries_[i];
    }
  }
  entries_.resize(kept);
}

uint8_t change_log_index::kinds_of(const std::string* folder, std::string_view name) const {
  const uint64_t hash = hash_of(folder, name);
  if (spill_) {
    uint8_t kinds = 0;
    spill_->for_each_with_hash(hash, [&](uint8_t k, std::string_view key) {
      if (key_is(key, folder, name)) kinds = k;
    });
    return kinds;
  }
  if (entries_.empty()) return 0;
  auto it = std::lower_bound(entries_.begin(), entries_.end(), hash,
                             [](const entry& e, uint64_t h) { return e.hash < h; });
  for (; it != entries_.end() && it->hash == hash; ++it) {
    if (key_is(key_of(*it), folder, name)) return it->kinds;
  }
  return 0;
}

bool change_log_index::named(const std::string* folder, std::string_view name) const {
  return (kinds_of(folder, name) & k_named) != 0;
}

bool change_log_index::created(const std::string* folder, std::string_view name) const {
  return (kinds_of(folder, name) & k_created) != 0;
}

void change_log_index::for_each_created(
    const std::function<void(std::string_view key)>& visit) const {
  if (spill_) {
    spill_->for_each([&visit](uint8_t kinds, std::string_view key) {
      if ((kinds & k_created) != 0) visit(key);
    });
    return;
  }
  for (const entry& e : entries_) {
    if ((e.kinds & k_created) != 0) visit(key_of(e));
  }
}

size_t change_log_index::size() const { return spill_ ? spill_->size() : entries_.size(); }

size_t change_log_index::memory() const {
  return text_.capacity() + entries_.capacity() * sizeof(entry) + (spill_ ? spill_->memory() : 0);
}

bool change_log_index::failed() const { return spill_ && spill_->failed(); }

}  // namespace engine
