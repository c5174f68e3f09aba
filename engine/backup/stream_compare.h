// Comparing a copy with its source folder by folder, never holding either tree whole.
//
// The findings and their order are those of compare_trees (snapshot.h) on the two whole
// trees: the D entries in the copy's tree order, then the S, C and N entries in the source's
// tree order. Each pass holds only the folder pair it compares and the folders on the way to
// it, so memory follows the largest folder and the depth, not the number of entries.
//
// A run first surveys the two trees (what it will report before it changes anything, how much
// work there is, and which folders hold differences), then applies the findings: those the
// survey kept, or else by two passes that enter only the folders the survey marked.
#ifndef ZOLK_ENGINE_STREAM_COMPARE_H
#define ZOLK_ENGINE_STREAM_COMPARE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/backup/snapshot.h"
#include "engine/backup/survey_findings.h"
#include "platform/host.h"

namespace engine {

// Folders (relative paths as a tree names its levels: "a", "a\b") that a pass must enter.
// Bounded: past its budget of bytes it drops its contents and holds every folder, so a
// change of everything costs a full walk instead of memory.
class folder_set {
 public:
  static constexpr size_t k_default_budget = 2u << 20;
  explicit folder_set(size_t budget = k_default_budget) : budget_(budget) {}

  // Adds the innermost folder of `path` (outermost first) and every folder above it.
  void add_with_parents(const std::vector<std::string>& path);
  // True for a folder added (or above one added), and for every folder once full.
  bool holds(const std::string& folder) const { return all_ || folders_.count(folder) != 0; }
  bool everything() const { return all_; }
  size_t size() const { return folders_.size(); }

 private:
  std::unordered_set<std::string> folders_;
  size_t bytes_ = 0;
  size_t budget_;
  bool all_ = false;
};

// What the survey of a copy against its source found.
struct comparison_survey {
  int64_t differences = 0;  // entries compare_trees would list
  int64_t entries = 0;      // entries a run handles: each listed one, a new folder with all in it
  int64_t bytes = 0;        // bytes of the new and changed files (D entries count none)
  // Source entries that cannot be backed up (paths under the source root), source entries
  // named like temporary copies (relative paths), and source folders that could not be read
  // (paths under the source root): each in the source's tree order.
  std::vector<std::string> special_paths;
  std::vector<std::string> leftover_paths;
  std::vector<std::string> unreadable_paths;
  // Links of the source the host can tell nothing of but that they are links (on Windows a
  // link to a folder or a junction): a store cannot hold them, so each is skipped, not failed.
  std::vector<std::string> unstored_link_paths;
  // Special entries of the copy (paths under the copy's root), in the copy's tree order, and
  // the relative paths of the copy's entries named like temporary copies.
  std::vector<std::string> store_link_paths;
  std::vector<std::string> store_leftovers;
  folder_set deleted_in;     // folders holding D entries, with the folders above them
  folder_set new_in;         // folders holding S, C or N entries, with the folders above them
  survey_findings findings;  // the findings themselves, while they fit its budget
};

// Walks both trees once, folder by folder. The lists it fills hold only the entries that are
// reported; problem entries are few where trees are large. A file whose time and length match
// its copy's is still an N entry when the copy's time is at or after `unsure_from` and the
// bytes differ (change_check.h); compare_trees knows no bytes and never lists it.
comparison_survey survey_comparison(host::host& h, const std::string& previous_root,
                                    const std::string& source_root, uint32_t unsure_from);

// The D entries of compare_trees, in its order. `enter` (may be null: every folder) names the
// folders below the top worth entering; others are passed over as holding no finding.
void stream_deleted_entries(host::host& h, const std::string& previous_root,
                            const std::string& source_root, difference_sink& sink,
                            const folder_set* enter = nullptr);

// The S, C and N entries of compare_trees, in its order, with N entries for unsure copies as
// survey_comparison finds them; `enter` as above.
void stream_new_and_changed_entries(host::host& h, const std::string& previous_root,
                                    const std::string& source_root, uint32_t unsure_from,
                                    difference_sink& sink, const folder_set* enter = nullptr);

// The D entries of compare_trees, in its order: from the survey's record of them when it kept
// them all, so that no folder is read again; otherwise by stream_deleted_entries, entering the
// folders the survey marked.
void deliver_deleted_entries(host::host& h, const std::string& previous_root,
                             const std::string& source_root, const comparison_survey& survey,
                             difference_sink& sink);

// The S, C and N entries of compare_trees, in its order; from the record as above.
void deliver_new_and_changed_entries(host::host& h, const std::string& previous_root,
                                     const std::string& source_root, uint32_t unsure_from,
                                     const comparison_survey& survey, difference_sink& sink);

// The relative path of the folder a folder node stands for, as its own level names it.
std::string level_path_of(const folder_node& folder);

}  // namespace engine

#endif
