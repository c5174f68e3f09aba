#include <cstring>
#include <memory>
#include <unordered_map>

#include "engine/backup/snapshot.h"
#include "engine/common/paths.h"
#include "engine/history/verify_store.h"
#include "engine/store/history_store.h"

namespace engine {
namespace {

// 0 when both files hold the same bytes, 1 when they differ, -1 when one cannot be read.
int compare_files(host::host& h, const std::string& a, const std::string& b) {
  std::unique_ptr<host::file> x = h.open_read(a);
  std::unique_ptr<host::file> y = h.open_read(b);
  if (!x || !y) return -1;
  std::vector<char> left(65536), right(65536);
  for (;;) {
    const int64_t n = x->read(left.data(), left.size());
    if (n < 0) return -1;
    // Short reads are allowed: the other side is read to the same count.
    int64_t m = 0;
    while (m < n) {
      const int64_t got = y->read(right.data() + m, static_cast<size_t>(n - m));
      if (got < 0) return -1;
      if (got == 0) break;
      m += got;
    }
    if (m != n || std::memcmp(left.data(), right.data(), static_cast<size_t>(n)) != 0) return 1;
    if (n == 0) return 0;
  }
}

class source_comparison {
 public:
  source_comparison(host::host& h, const std::string& newest, const std::string& source,
                    std::vector<std::string>& out)
      : h_(h), newest_(newest), source_(source), out_(out) {}

  void compare(const folder_node* stored_first, const folder_node* source_first) {
    std::unordered_map<std::string, const folder_node*> stored;
    for (const folder_node* n = stored_first; n != nullptr; n = n->next) {
      if (!n->is_special) stored.emplace(n->name, n);
    }
    for (const folder_node* s = source_first; s != nullptr; s = s->next) {
      if (s->is_special) continue;  // never backed up; a backup run reports it
      const auto found = stored.find(s->name);
      const std::string relative = relative_path(*s);
      if (found == stored.end()) {
        out_.push_back("only in the source: " + path_join(source_, relative));
        continue;
      }
      const folder_node* t = found->second;
      stored.erase(found);
      if (s->is_folder() != t->is_folder()) {
        out_.push_back("a file on one side and a folder on the other: " +
                       path_join(source_, relative));
      } else if (s->is_folder()) {
        if (s->unreadable) {
          out_.push_back("a source folder that cannot be read: " + path_join(source_, relative));
        } else {
          compare(t->first_child, s->first_child);
        }
      } else if (s->is_link() || t->is_link()) {
        // A link is its target text; reading through it would compare what it names.
        if (differs(*t, *s)) out_.push_back("the links differ: " + path_join(source_, relative));
      } else {
        compare_file(relative, s->size != t->size);
      }
    }
    for (const folder_node* n = stored_first; n != nullptr; n = n->next) {
      if (stored.count(n->name) != 0)
        out_.push_back("only in the newest point: " + path_join(newest_, relative_path(*n)));
    }
  }

 private:
  void compare_file(const std::string& relative, bool sizes_differ) {
    const std::string from = path_join(source_, relative);
    if (sizes_differ) {
      out_.push_back("the contents differ: " + from);
      return;
    }
    const int result = compare_files(h_, from, path_join(newest_, relative));
    if (result > 0) out_.push_back("the contents differ: " + from);
    if (result < 0) out_.push_back("a file that cannot be read to compare: " + from);
  }

  host::host& h_;
  std::string newest_;
  std::string source_;
  std::vector<std::string>& out_;
};

}  // namespace

void compare_with_source(host::host& h, const std::string& store, const std::string& source,
                         verify_report& report) {
  const folder_tree history = scan_history_folders(h, store);
  if (history.empty()) return;
  report.compared = true;
  const std::string newest = path_join(store, history.first()->name);
  const folder_tree source_tree = scan_folder_tree(h, source);
  if (!source_tree.root_readable()) {
    report.differences.push_back("the source cannot be read: " + source);
    return;
  }
  const folder_tree stored = scan_folder_tree(h, newest);
  source_comparison(h, newest, source, report.differences)
      .compare(stored.first(), source_tree.first());
}

}  // namespace engine
