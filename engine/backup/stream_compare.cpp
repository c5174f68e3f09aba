#include "engine/backup/stream_compare.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "engine/backup/paired_levels.h"
#include "engine/common/paths.h"
#include "engine/store/change_check.h"

namespace engine {
namespace {

// Bytes a folder name costs in the set beyond its text (node, bucket, string header).
constexpr size_t k_set_overhead = 64;

piece as_piece(const std::string* relative) { return relative ? piece(*relative) : std::nullopt; }

std::string child_path(const std::string* relative, const std::string& name) {
  return relative ? path_join(*relative, name) : name;
}

// The survey and the passes decide alike whether the file `q` of the source changed against
// its stored copy `p`, both in the level at `relative`.
bool file_changed(const std::string& previous_root, const std::string& source_root,
                  const change_check& check, const std::string* relative, const folder_node& p,
                  const folder_node& q) {
  return check.changed(p, q, path_join(previous_root, as_piece(relative), p.name),
                       path_join(source_root, as_piece(relative), q.name));
}

class surveyor {
 public:
  surveyor(host::host& h, const std::string& previous_root, const std::string& source_root,
           uint32_t unsure_from, comparison_survey& out)
      : h_(h),
        previous_root_(previous_root),
        source_root_(source_root),
        out_(out),
        check_(h, unsure_from),
        levels_(h, previous_root, source_root) {}

  void run() {
    const level_pair top = levels_.read(nullptr, true);
    tree_position at;
    if (top.source.root_readable()) {
      pair_level(nullptr, top.copy, top.source, at);
    } else {
      copy_level(nullptr, top.copy, at);
    }
    out_.findings.finish();
    std::stable_sort(links_.begin(), links_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& link : links_) out_.store_link_paths.push_back(std::move(link.second));
  }

 private:
  // The copy's side of a level: links, leftovers and deleted entries; the copy's folders that
  // no source folder pairs with are walked alone, for their links and leftovers.
  bool copy_side(const std::string* relative, const folder_tree& copy, const folder_tree& source,
                 tree_position& at) {
    const level_index sources(source.first());
    bool deleted = false;
    for (const std::string& leftover : copy.leftovers()) out_.store_leftovers.push_back(leftover);
    for (const folder_node* p = copy.first(); p != nullptr; p = p->next) {
      if (p->is_special) {
        note_link(relative, *p, at);
        continue;
      }
      const folder_node* q = comparable(sources.find(p->name));
      if (q != nullptr && q->is_folder() == p->is_folder()) continue;
      ++out_.differences;
      ++out_.entries;
      deleted = true;
      out_.findings.add_deleted(*p, relative, position_of(at, *p));
      if (p->is_folder()) copy_alone(child_path(relative, p->name), p->position, at);
    }
    return deleted;
  }

  void pair_level(const std::string* relative, const folder_tree& copy, const folder_tree& source,
                  tree_position& at) {
    if (copy_side(relative, copy, source, at)) out_.deleted_in.add_with_parents(stack_);
    const level_index copies(copy.first());
    size_t leftover = 0;
    bool found_new = false;
    for (const folder_node* q = source.first(); q != nullptr; q = q->next) {
      note_leftovers(source, q->position, leftover);
      if (q->is_special) {
        note_special(path_join(source_root_, as_piece(relative), q->name), *q);
        continue;
      }
      const folder_node* p = comparable(copies.find(q->name));
      if (p == nullptr || p->is_folder() != q->is_folder()) {
        ++out_.differences;
        found_new = true;
        out_.findings.add_new_or_changed(q->is_folder() ? 'S' : 'C', *q, relative);
        count_new(relative, *q);
        continue;
      }
      if (q->is_folder()) {
        pair_folders(relative, *p, *q, at);
      } else if (file_changed(previous_root_, source_root_, check_, relative, *p, *q)) {
        ++out_.differences;
        ++out_.entries;
        out_.bytes += static_cast<int64_t>(p->size);
        found_new = true;
        out_.findings.add_new_or_changed('N', *p, relative);
      }
    }
    note_leftovers(source, std::numeric_limits<size_t>::max(), leftover);
    if (found_new) out_.new_in.add_with_parents(stack_);
  }

  void pair_folders(const std::string* relative, const folder_node& p, const folder_node& q,
                    tree_position& at) {
    const std::string child = child_path(relative, q.name);
    const level_pair levels = levels_.read(&child, true);
    at.push_back(p.position);
    if (!levels.source.root_readable()) {
      out_.unreadable_paths.push_back(path_join(source_root_, as_piece(relative), q.name));
      copy_level(&child, levels.copy, at);  // the copy's side alone, as copy_alone walks it
    } else {
      stack_.push_back(child);
      pair_level(&child, levels.copy, levels.source, at);
      stack_.pop_back();
    }
    at.pop_back();
  }

  // A new source entry: itself, and for a folder everything in it.
  void count_new(const std::string* relative, const folder_node& q) {
    ++out_.entries;
    if (!q.is_folder()) {
      out_.bytes += static_cast<int64_t>(q.size);
      return;
    }
    const std::string child = child_path(relative, q.name);
    const folder_tree source = scan_folder_level(h_, source_root_, &child);
    if (!source.root_readable()) {
      out_.unreadable_paths.push_back(path_join(source_root_, as_piece(relative), q.name));
      return;
    }
    size_t leftover = 0;
    for (const folder_node* n = source.first(); n != nullptr; n = n->next) {
      note_leftovers(source, n->position, leftover);
      if (n->is_special) {
        note_special(path_join(source_root_, child, n->name), *n);
      } else {
        count_new(&child, *n);
      }
    }
    note_leftovers(source, std::numeric_limits<size_t>::max(), leftover);
  }

  void copy_alone(const std::string& relative, uint32_t position, tree_position& at) {
    const folder_tree copy = scan_folder_level(h_, previous_root_, &relative);
    at.push_back(position);
    copy_level(&relative, copy, at);
    at.pop_back();
  }

  void copy_level(const std::string* relative, const folder_tree& copy, tree_position& at) {
    for (const std::string& leftover : copy.leftovers()) out_.store_leftovers.push_back(leftover);
    for (const folder_node* p = copy.first(); p != nullptr; p = p->next) {
      if (p->is_special) {
        note_link(relative, *p, at);
      } else if (p->is_folder()) {
        copy_alone(child_path(relative, p->name), p->position, at);
      }
    }
  }

  void note_special(std::string path, const folder_node& q) {
    (q.is_link() ? out_.unstored_link_paths : out_.special_paths).push_back(std::move(path));
  }

  void note_link(const std::string* relative, const folder_node& p, const tree_position& at) {
    links_.emplace_back(position_of(at, p), path_join(previous_root_, as_piece(relative), p.name));
  }

  static tree_position position_of(const tree_position& at, const folder_node& p) {
    tree_position where = at;
    where.push_back(p.position);
    return where;
  }

  // The source level's leftovers that the search gave before the node at `position`.
  void note_leftovers(const folder_tree& level, size_t position, size_t& next) {
    const std::vector<std::string>& names = level.leftovers();
    const std::vector<size_t>& positions = level.leftover_positions();
    for (; next < names.size() && positions[next] <= position; ++next) {
      out_.leftover_paths.push_back(names[next]);
    }
  }

  host::host& h_;
  const std::string& previous_root_;
  const std::string& source_root_;
  comparison_survey& out_;
  change_check check_;
  std::vector<std::string> stack_;  // the folders on the way to the level being surveyed
  std::vector<std::pair<tree_position, std::string>> links_;
  paired_levels levels_;
};

// One pass over the folder pairs a survey marked.
class pass {
 public:
  using level_fn = void (pass::*)(const std::string*, const folder_tree&, const folder_tree&);

  pass(host::host& h, const std::string& previous_root, const std::string& source_root,
       uint32_t unsure_from, difference_sink& sink, const folder_set* enter)
      : previous_root_(previous_root),
        source_root_(source_root),
        sink_(sink),
        enter_(enter),
        check_(h, unsure_from),
        levels_(h, previous_root, source_root) {}

  void run(level_fn level) {
    const level_pair top = levels_.read(nullptr, false);
    if (!top.source.root_readable()) return;
    (this->*level)(nullptr, top.copy, top.source);
  }

  void deleted_level(const std::string* relative, const folder_tree& copy,
                     const folder_tree& source) {
    const level_index sources(source.first());
    for (const folder_node* p = copy.first(); p != nullptr && !sink_.stop(); p = p->next) {
      if (p->is_special) continue;
      const folder_node* q = comparable(sources.find(p->name));
      // A file that became a folder, or the reverse, is a deletion plus a new entry.
      if (q == nullptr || q->is_folder() != p->is_folder()) {
        sink_.found('D', *p);
      } else if (p->is_folder()) {
        descend(relative, p->name, &pass::deleted_level);
      }
    }
  }

  void new_level(const std::string* relative, const folder_tree& copy, const folder_tree& source) {
    const level_index copies(copy.first());
    for (const folder_node* q = source.first(); q != nullptr && !sink_.stop(); q = q->next) {
      if (q->is_special) continue;
      const folder_node* p = comparable(copies.find(q->name));
      if (p == nullptr || p->is_folder() != q->is_folder()) {
        sink_.found(q->is_folder() ? 'S' : 'C', *q);
      } else if (q->is_folder()) {
        // Also when the copy's folder is empty: its new entries are listed one by one, so an
        // S always means the folder did not exist in the copy.
        descend(relative, q->name, &pass::new_level);
      } else if (file_changed(previous_root_, source_root_, check_, relative, *p, *q)) {
        sink_.found('N', *p);
      }
    }
  }

 private:
  // A source folder that could not be read keeps what the copy holds: nothing below it is
  // a finding.
  void descend(const std::string* relative, const std::string& name, level_fn level) {
    const std::string child = child_path(relative, name);
    if (enter_ != nullptr && !enter_->holds(child)) return;
    const level_pair levels = levels_.read(&child, false);
    if (!levels.source.root_readable()) return;
    (this->*level)(&child, levels.copy, levels.source);
  }

  const std::string& previous_root_;
  const std::string& source_root_;
  difference_sink& sink_;
  const folder_set* enter_;
  change_check check_;
  paired_levels levels_;
};

}  // namespace

void folder_set::add_with_parents(const std::vector<std::string>& path) {
  if (all_) return;
  for (size_t i = path.size(); i-- > 0;) {
    if (!folders_.insert(path[i]).second) return;  // the folders above it are there already
    bytes_ += path[i].size() + k_set_overhead;
    if (bytes_ > budget_) {
      all_ = true;
      folders_.clear();
      return;
    }
  }
}

comparison_survey survey_comparison(host::host& h, const std::string& previous_root,
                                    const std::string& source_root, uint32_t unsure_from) {
  comparison_survey out;
  surveyor(h, previous_root, source_root, unsure_from, out).run();
  return out;
}

void stream_deleted_entries(host::host& h, const std::string& previous_root,
                            const std::string& source_root, difference_sink& sink,
                            const folder_set* enter) {
  pass(h, previous_root, source_root, k_trust_every_time, sink, enter).run(&pass::deleted_level);
}

void stream_new_and_changed_entries(host::host& h, const std::string& previous_root,
                                    const std::string& source_root, uint32_t unsure_from,
                                    difference_sink& sink, const folder_set* enter) {
  pass(h, previous_root, source_root, unsure_from, sink, enter).run(&pass::new_level);
}

void deliver_deleted_entries(host::host& h, const std::string& previous_root,
                             const std::string& source_root, const comparison_survey& survey,
                             difference_sink& sink) {
  if (survey.findings.complete()) {
    survey.findings.replay_deleted(sink);
  } else {
    stream_deleted_entries(h, previous_root, source_root, sink, &survey.deleted_in);
  }
}

void deliver_new_and_changed_entries(host::host& h, const std::string& previous_root,
                                     const std::string& source_root, uint32_t unsure_from,
                                     const comparison_survey& survey, difference_sink& sink) {
  if (survey.findings.complete()) {
    survey.findings.replay_new_and_changed(sink);
  } else {
    stream_new_and_changed_entries(h, previous_root, source_root, unsure_from, sink,
                                   &survey.new_in);
  }
}

std::string level_path_of(const folder_node& folder) {
  return child_path(folder.folder_path, folder.name);
}

}  // namespace engine
