#include "jobs/job_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::unique_ptr<jobs::job_record> job(const std::string& name, unsigned char kind = 'a') {
  auto r = std::make_unique<jobs::job_record>();
  jobs::clear_job_record(*r);
  r->job_kind = kind;
  r->slot(jobs::k_job_name) = name;
  return r;
}

std::vector<std::string> names(const jobs::job_list& list) {
  std::vector<std::string> out;
  for (const jobs::job_record* r = list.first(); r != nullptr; r = r->next) {
    out.push_back(r->text(1));
    if (r->next != nullptr) {
      EXPECT_EQ(r->next->prev, r);
    }
  }
  return out;
}

TEST(JobList, FindJobCountsOnlyItsKindFromTheHeadOfAnyRecord) {
  jobs::job_list list;
  list.append(job("a0"));
  jobs::job_record* foreign = list.append(job("x", 'z'));
  list.append(job("a1"));
  EXPECT_EQ(jobs::list_head(list.last()), list.first());
  EXPECT_EQ(jobs::list_head(static_cast<jobs::job_record*>(nullptr)), nullptr);
  EXPECT_EQ(jobs::find_job(foreign, 1, 'a')->text(1), "a1");
  EXPECT_EQ(jobs::find_job(list.last(), 0, 'a')->text(1), "a0");
  EXPECT_EQ(jobs::find_job(list, 0, 'z'), foreign);
  EXPECT_EQ(jobs::find_job(list, 2, 'a'), nullptr);
  EXPECT_EQ(jobs::find_job(list, -1, 'a'), nullptr);
  EXPECT_EQ(jobs::find_job(static_cast<jobs::job_record*>(nullptr), 0, 'a'), nullptr);
}

TEST(JobList, EraseRelinksFirstMiddleAndLast) {
  jobs::job_list list;
  for (const char* n : {"a", "b", "c", "d"}) list.append(job(n));
  list.erase(list.first()->next);
  EXPECT_EQ(names(list), (std::vector<std::string>{"a", "c", "d"}));
  list.erase(list.last());
  EXPECT_EQ(names(list), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(list.last()->next, nullptr);
  list.erase(list.first());
  EXPECT_EQ(names(list), (std::vector<std::string>{"c"}));
  EXPECT_EQ(list.first()->prev, nullptr);
  list.erase(list.first());
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.last(), nullptr);
  EXPECT_EQ(list.size(), 0u);
}

TEST(JobList, ALongListIsReleasedWithoutRecursionAndMovesWhole) {
  jobs::job_list list;
  for (int i = 0; i < 200000; ++i) list.append(job("j"));
  jobs::job_list moved(std::move(list));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(moved.size(), 200000u);
}

TEST(JobRecord, ReplaceTextKeepsAnEqualCopyAndAbsentTextsReadEmpty) {
  jobs::job_record r;
  EXPECT_EQ(r.text(3), "");
  EXPECT_EQ(r.text(13), "");
  jobs::replace_text(r.slot(3), "folder");
  const char* stored = r.slot(3)->data();
  jobs::replace_text(r.slot(3), "folder");
  EXPECT_EQ(r.slot(3)->data(), stored);
  jobs::replace_text(r.slot(3), "");
  ASSERT_TRUE(r.slot(3).has_value());  // empty, but present
  EXPECT_EQ(r.text(3), "");
  jobs::clear_job_record(r);
  EXPECT_FALSE(r.slot(3).has_value());
}

TEST(JobRecord, CutTextStopsAt255BytesWithoutSplittingADoubleByteCharacter) {
  EXPECT_EQ(jobs::cut_text("short"), "short");
  EXPECT_EQ(jobs::cut_text(std::string(300, 'x')), std::string(255, 'x'));
  // 254 single bytes then a double-byte character: it would end at byte 256, so it goes.
  const std::string kanji = "\x95\x5C";  // its trail byte is 0x5C
  EXPECT_EQ(jobs::cut_text(std::string(254, 'x') + kanji + "y"), std::string(254, 'x'));
  EXPECT_EQ(jobs::cut_text(std::string(253, 'x') + kanji + "y"), std::string(253, 'x') + kanji);
  std::string all_kanji;
  for (int i = 0; i < 200; ++i) all_kanji += kanji;
  EXPECT_EQ(jobs::cut_text(all_kanji).size(), 254u);
  // A lead byte at the very end stays; a zero byte ends the text.
  EXPECT_EQ(jobs::cut_text("ab\x95"), "ab\x95");
  EXPECT_EQ(jobs::cut_text(std::string("ab\0cd", 5)), "ab");
}

}  // namespace
