// The job record and the job list: the jobs the user registered, in registration order.
//
// Texts are CP932 bytes exactly as the window's fields held them. No toolkit, no OS access.
#ifndef ZOLK_JOBS_JOB_LIST_H
#define ZOLK_JOBS_JOB_LIST_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace jobs {

// The kind of a history backup job, the only kind Zolk creates. Records of any other kind are
// kept in their place, written back, and never shown or counted.
constexpr unsigned char k_history_backup_kind = 'a';

// A record holds twelve texts, numbered 1 to 12.
constexpr int k_text_count = 12;
constexpr int k_job_name = 1;            // job_combo
constexpr int k_job_comment = 2;         // zolk_comment
constexpr int k_source_folder = 3;       // Tdirname
constexpr int k_destination_folder = 4;  // Bdirname
// Texts 5 to 12 are reserved: never set by Zolk, kept and written back as loaded.

// The longest text the settings file holds, in bytes: programs that read the file keep a text
// in a buffer of 256 bytes.
constexpr size_t k_max_text_length = 255;

// True when `text` can be saved whole: at most k_max_text_length bytes and no zero byte, which
// would end it in the file. A text that does not fit is refused, never cut.
bool fits_settings_text(const std::string& text);

// A text slot: absent (std::nullopt) or present. A present text may be empty; an empty field
// is stored as a present empty text, never as an absent one. Texts hold no zero byte.
using text_slot = std::optional<std::string>;

// One job. `prev` and `next` link it into its job_list, which owns it; they are null for the
// first and the last record and for a record in no list. Only job_list changes the links.
struct job_record {
  job_record* prev = nullptr;
  job_record* next = nullptr;
  int32_t first_job_mark = 0;  // 1 when registered into an empty list; never read, kept as loaded
  unsigned char job_kind = 0;  // k_history_backup_kind for the jobs Zolk makes
  std::array<text_slot, k_text_count> texts;  // texts[0] is text 1

  // Text n (1 to 12); an absent text reads as empty. n outside 1..12 reads as empty too.
  const std::string& text(int n) const;
  // The slot of text n (1 to 12). n must lie in 1..12.
  text_slot& slot(int n);
  const text_slot& slot(int n) const;
};

// Resets a record: links null, first_job_mark 0, job_kind 0, all twelve texts absent.
// Every new record goes through it. Call it only on a record that is in no list.
void clear_job_record(job_record& record);

// Makes `slot` hold a copy of `text`. When it already holds an equal text (byte for byte) the
// stored copy is kept untouched; otherwise the old one is released and a new one made.
void replace_text(text_slot& slot, const std::string& text);

// `text` cut to at most k_max_text_length bytes without splitting a double-byte character
// (a lead byte whose trail byte would fall beyond the limit is dropped with it), and cut at a
// zero byte, which no stored text may hold. Shorter texts come back unchanged.
std::string cut_text(const std::string& text);

// The job list: owns its records and releases every record with its texts when it is
// destroyed or cleared. Records never move in memory while they are in the list, so a
// job_record* stays valid until that record is erased. Move-only.
class job_list {
 public:
  job_list() = default;
  ~job_list();
  job_list(job_list&& other) noexcept;
  job_list& operator=(job_list&& other) noexcept;
  job_list(const job_list&) = delete;
  job_list& operator=(const job_list&) = delete;

  bool empty() const { return first_ == nullptr; }
  job_record* first() const { return first_; }  // null for an empty list
  job_record* last() const { return last_; }    // null for an empty list; the list anchor
  size_t size() const { return size_; }         // every record, of every kind

  // Takes `record` (its links are overwritten) and links it after the last record.
  // Returns the record, now owned by the list. A null record is ignored and null returned.
  job_record* append(std::unique_ptr<job_record> record);

  // Unlinks `record`, which must belong to this list, and releases it with its texts.
  // Its neighbours are linked to each other; first() and last() follow.
  void erase(job_record* record);

  // Releases every record.
  void clear();

 private:
  job_record* first_ = nullptr;
  job_record* last_ = nullptr;
  size_t size_ = 0;
};

// The first record of the list that `record` belongs to (following `prev`); null for null.
job_record* list_head(job_record* record);
const job_record* list_head(const job_record* record);

// The n-th record (counted from 0) among the records of `kind`, walking from list_head(any).
// Null when n is negative, when `any` is null, or when there are fewer records of that kind.
job_record* find_job(job_record* any, int n, unsigned char kind);
const job_record* find_job(const job_record* any, int n, unsigned char kind);
// The same over a whole list.
job_record* find_job(const job_list& list, int n, unsigned char kind);

}  // namespace jobs

#endif
