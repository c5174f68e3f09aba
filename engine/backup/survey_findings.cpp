#include "engine/backup/survey_findings.h"

#include <algorithm>
#include <utility>

namespace engine {
namespace {

// Bytes a string costs beyond its object when it no longer fits in it.
size_t heap_bytes(const std::string& s) {
  return s.size() < sizeof(std::string) ? 0 : s.size() + 1;
}

}  // namespace

void survey_findings::add_deleted(const folder_node& node, const std::string* folder,
                                  tree_position at) {
  if (!complete_) return;
  finding f = make('D', node, folder);
  charge(at.size() * sizeof(uint32_t));
  f.at = std::move(at);
  if (complete_) deleted_.push_back(std::move(f));
}

void survey_findings::add_new_or_changed(char kind, const folder_node& node,
                                         const std::string* folder) {
  if (!complete_) return;
  finding f = make(kind, node, folder);
  if (complete_) new_and_changed_.push_back(std::move(f));
}

void survey_findings::finish() {
  std::stable_sort(deleted_.begin(), deleted_.end(),
                   [](const finding& a, const finding& b) { return a.at < b.at; });
}

survey_findings::finding survey_findings::make(char kind, const folder_node& node,
                                               const std::string* folder) {
  finding f;
  f.kind = kind;
  f.attributes = node.attributes;
  f.permissions = node.permissions;
  f.time = node.time;
  f.position = node.position;
  f.size = node.size;
  f.name = node.name;
  f.folder = folder_index(folder);
  charge(sizeof(finding) + heap_bytes(f.name));
  return f;
}

uint32_t survey_findings::folder_index(const std::string* folder) {
  if (folder == nullptr) return 0;
  if (folders_.empty() || folders_.back() != *folder) {
    folders_.push_back(*folder);
    charge(sizeof(std::string) + heap_bytes(*folder));
  }
  return static_cast<uint32_t>(folders_.size());
}

void survey_findings::charge(size_t bytes) {
  bytes_ += bytes;
  if (bytes_ <= budget_) return;
  complete_ = false;
  deleted_ = {};
  new_and_changed_ = {};
  folders_ = {};
}

void survey_findings::replay_deleted(difference_sink& sink) const { replay(deleted_, sink); }

void survey_findings::replay_new_and_changed(difference_sink& sink) const {
  replay(new_and_changed_, sink);
}

void survey_findings::replay(const std::vector<finding>& findings, difference_sink& sink) const {
  folder_node node;
  for (const finding& f : findings) {
    if (sink.stop()) return;
    node.attributes = f.attributes;
    node.permissions = f.permissions;
    node.time = f.time;
    node.position = f.position;
    node.size = f.size;
    node.name = f.name;
    node.folder_path = f.folder == 0 ? nullptr : &folders_[f.folder - 1];
    sink.found(f.kind, node);
  }
}

}  // namespace engine
