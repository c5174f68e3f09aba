// The findings a survey met on its walk, kept so that a run can apply them without reading
// the folders that hold them a second time.
//
// A run of a large tree with a few changes spends much of its time reading folders: the survey
// reads every one, and the passes that apply the findings read again each folder holding one
// (with 1 % of a million files changed, a fifth of both trees). Where the findings are few
// enough to keep, the survey's record serves instead. The record is bounded: past its budget
// of bytes it drops everything and says so, and the run reads the folders again as before.
#ifndef ZOLK_ENGINE_SURVEY_FINDINGS_H
#define ZOLK_ENGINE_SURVEY_FINDINGS_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/backup/snapshot.h"

namespace engine {

// Where an entry stands in a tree's walk order: its position in each level on the way.
// Sorting these orders entries as a walk of the whole tree would meet them.
using tree_position = std::vector<uint32_t>;

// Receives the findings of a comparison, one at a time. The node (and its relative folder)
// lives only during the call; for D and N it is the copy's node, for S and C the source's.
class difference_sink {
 public:
  virtual ~difference_sink() = default;
  virtual void found(char kind, const folder_node& node) = 0;
  // Asked before each finding; true ends the pass.
  virtual bool stop() { return false; }
};

class survey_findings {
 public:
  static constexpr size_t k_default_budget = 4u << 20;
  explicit survey_findings(size_t budget = k_default_budget) : budget_(budget) {}

  // A D finding at `at` in the copy's walk order; D findings may come in any order.
  void add_deleted(const folder_node& node, const std::string* folder, tree_position at);
  // An S, C or N finding; these must come in the order they are to be applied.
  void add_new_or_changed(char kind, const folder_node& node, const std::string* folder);
  // Puts the D findings in the copy's walk order; called once every finding is in.
  void finish();

  // False once the findings outgrew the budget: then none are kept.
  bool complete() const { return complete_; }
  size_t size() const { return deleted_.size() + new_and_changed_.size(); }

  // Hands the kept findings to `sink` in order, asking stop() before each.
  void replay_deleted(difference_sink& sink) const;
  void replay_new_and_changed(difference_sink& sink) const;

 private:
  // What a sink reads of a node, without its links into a tree.
  struct finding {
    char kind = 0;
    uint16_t attributes = 0;
    uint16_t permissions = 0;
    uint32_t time = 0;
    uint32_t position = 0;
    uint32_t folder = 0;  // index into folders_ + 1; 0 for the top level
    uint64_t size = 0;
    std::string name;
    tree_position at;  // D findings only
  };

  finding make(char kind, const folder_node& node, const std::string* folder);
  uint32_t folder_index(const std::string* folder);
  void charge(size_t bytes);
  void replay(const std::vector<finding>& findings, difference_sink& sink) const;

  std::vector<finding> deleted_;
  std::vector<finding> new_and_changed_;
  // The relative folders of the findings; one entry serves a run of findings in one folder.
  std::deque<std::string> folders_;
  size_t bytes_ = 0;
  size_t budget_;
  bool complete_ = true;
};

}  // namespace engine

#endif
