#include "cli/typed_names.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"

namespace {

using cli::typed_entry_path;
using cli::written_out;

constexpr bool k_posix = true;
constexpr bool k_windows = false;

// A POSIX host's path as Zolk spells it: each name as the host reports it, `\` between them.
std::string reported(const std::string& host_path) {
  std::string out = cp932::from_unicode_name(host_path);
  for (char& c : out) {
    if (c == '/') c = '\\';  // never part of an escape or of a double-byte character
  }
  return out;
}

TEST(TypedNames, WhatANameHoldsIsWrittenOutSoThatTheLineStaysOne) {
  EXPECT_EQ(written_out("a\nb\rc\td", k_posix), "a\\nb\\rc\\td");
  EXPECT_EQ(written_out(std::string("\x01\x1B\x7F", 3) + std::string(1, '\0'), k_posix),
            "\\x01\\x1B\\x7F\\x00");
  EXPECT_EQ(written_out("back\\slash/表 é", k_posix), "back\\\\slash/表 é");
  // Windows names hold no `\`: there it is a separator and stays one.
  EXPECT_EQ(written_out("docs\\a.txt\n", k_windows), "docs\\a.txt\\n");
}

TEST(TypedNames, EveryNameWrittenOutIsTypedBackToTheNameTheHostReports) {
  // Host names (UTF-8 bytes, not always valid) in folders, as a POSIX host may report them.
  const std::string names[] = {"a\nb",     "a\\nb",       "a\\\\nb",       "tab\there",
                               "cr\r",     "\x01\x7F",    "back\\slash",   "end\\",
                               "\\",       "表\\x",       "caf\xC3\xA9",   "bad\xFF\xFE",
                               "x41\\x41", "dir\t/in\\n", "deep/er/name\n"};
  for (const std::string& name : names) {
    const std::optional<std::string> typed = typed_entry_path(written_out(name, k_posix), k_posix);
    ASSERT_TRUE(typed.has_value()) << name;
    EXPECT_EQ(*typed, reported(name)) << name;
  }
}

TEST(TypedNames, AControlCharacterTypedAsItselfStandsForItself) {
  EXPECT_EQ(typed_entry_path("a\nb", k_posix), reported("a\nb"));
  EXPECT_EQ(typed_entry_path("docs/a\tb", k_posix), reported("docs/a\tb"));
  EXPECT_EQ(typed_entry_path("a\\x0ab", k_posix), reported("a\nb"));
}

TEST(TypedNames, ABackslashThatStartsNoEscapeIsRefusedNotGuessed) {
  for (const std::string typed : {"back\\slash", "a\\", "a\\x4", "a\\xZZ", "docs\\a.txt"}) {
    EXPECT_FALSE(typed_entry_path(typed, k_posix).has_value()) << typed;
  }
  EXPECT_NE(cli::typed_entry_path_rule().find("\\\\"), std::string::npos);
}

TEST(TypedNames, OnWindowsBothSlashesSeparateAndNothingIsEscaped) {
  EXPECT_EQ(typed_entry_path("docs\\new\\report.txt", k_windows), "docs\\new\\report.txt");
  EXPECT_EQ(typed_entry_path("docs/表", k_windows), "docs\\" + cp932::from_unicode("表"));
  EXPECT_EQ(typed_entry_path("\\top", k_windows), "\\top");
  EXPECT_EQ(typed_entry_path("caf\xC3\xA9", k_windows), cp932::from_unicode_name("caf\xC3\xA9"));
}

}  // namespace
