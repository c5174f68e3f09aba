#include "jobs/job_list.h"

#include "platform/cp932.h"

namespace jobs {
namespace {

const std::string& empty_text() {
  static const std::string empty;
  return empty;
}

}  // namespace

const std::string& job_record::text(int n) const {
  if (n < 1 || n > k_text_count) return empty_text();
  const text_slot& s = texts[static_cast<size_t>(n - 1)];
  return s ? *s : empty_text();
}

text_slot& job_record::slot(int n) { return texts.at(static_cast<size_t>(n - 1)); }

const text_slot& job_record::slot(int n) const { return texts.at(static_cast<size_t>(n - 1)); }

void clear_job_record(job_record& record) {
  record.prev = nullptr;
  record.next = nullptr;
  record.first_job_mark = 0;
  record.job_kind = 0;
  for (text_slot& s : record.texts) s.reset();
}

void replace_text(text_slot& slot, const std::string& text) {
  if (slot && *slot == text) return;
  slot.emplace(text);
}

bool fits_settings_text(const std::string& text) {
  return text.size() <= k_max_text_length && text.find('\0') == std::string::npos;
}

std::string cut_text(const std::string& text) {
  size_t end = 0;
  while (end < text.size() && text[end] != '\0') {
    const size_t unit = cp932::is_lead_byte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + unit > k_max_text_length) break;
    // A lead byte at the very end has no trail byte to split off; keep it as it is.
    if (unit == 2 && (end + 1 >= text.size() || text[end + 1] == '\0')) {
      ++end;
      break;
    }
    end += unit;
  }
  return text.substr(0, end);
}

job_list::~job_list() { clear(); }

job_list::job_list(job_list&& other) noexcept
    : first_(other.first_), last_(other.last_), size_(other.size_) {
  other.first_ = nullptr;
  other.last_ = nullptr;
  other.size_ = 0;
}

job_list& job_list::operator=(job_list&& other) noexcept {
  if (this != &other) {
    clear();
    first_ = other.first_;
    last_ = other.last_;
    size_ = other.size_;
    other.first_ = nullptr;
    other.last_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

job_record* job_list::append(std::unique_ptr<job_record> record) {
  if (!record) return nullptr;
  job_record* r = record.release();
  r->prev = last_;
  r->next = nullptr;
  if (last_ != nullptr) {
    last_->next = r;
  } else {
    first_ = r;
  }
  last_ = r;
  ++size_;
  return r;
}

void job_list::erase(job_record* record) {
  if (record == nullptr) return;
  if (record->next != nullptr) {
    record->next->prev = record->prev;
  } else {
    last_ = record->prev;
  }
  if (record->prev != nullptr) {
    record->prev->next = record->next;
  } else {
    first_ = record->next;
  }
  --size_;
  delete record;
}

void job_list::clear() {
  // Iterative, so a long list cannot exhaust the stack.
  job_record* r = first_;
  while (r != nullptr) {
    job_record* next = r->next;
    delete r;
    r = next;
  }
  first_ = nullptr;
  last_ = nullptr;
  size_ = 0;
}

job_record* list_head(job_record* record) {
  if (record == nullptr) return nullptr;
  while (record->prev != nullptr) record = record->prev;
  return record;
}

const job_record* list_head(const job_record* record) {
  return list_head(const_cast<job_record*>(record));
}

job_record* find_job(job_record* any, int n, unsigned char kind) {
  if (n < 0) return nullptr;
  int index = 0;
  for (job_record* r = list_head(any); r != nullptr; r = r->next) {
    if (r->job_kind != kind) continue;
    if (index == n) return r;
    ++index;
  }
  return nullptr;
}

const job_record* find_job(const job_record* any, int n, unsigned char kind) {
  return find_job(const_cast<job_record*>(any), n, kind);
}

job_record* find_job(const job_list& list, int n, unsigned char kind) {
  return find_job(list.first(), n, kind);
}

}  // namespace jobs
