// The Win32 host against the real system (Windows or Wine), checked through the wide API.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/cp932.h"
#include "platform/host.h"
#include "platform/packed_time.h"
#include "platform/testing/temp_folder.h"
#include "platform/wide_text.h"

namespace {

using testing_support::read_file;
using testing_support::temp_folder;
using testing_support::write_file;

std::wstring wide_path(const std::string& cp932_path) {
  const std::u16string w = host::windows_path(cp932_path);
  return std::wstring(w.begin(), w.end());
}

std::vector<host::found_entry> list(const std::string& folder) {
  std::vector<host::found_entry> entries;
  EXPECT_TRUE(host::default_host().search(folder + "\\*.*", entries)) << folder;
  return entries;
}

const host::found_entry* find(const std::vector<host::found_entry>& entries,
                              const std::string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const host::found_entry& e) { return e.name == name; });
  return it == entries.end() ? nullptr : &*it;
}

void set_attributes(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(wide_path(path).c_str(), attributes)) << path;
}

FILETIME local_filetime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                        WORD millisecond) {
  const SYSTEMTIME st{year, month, 0, day, hour, minute, second, millisecond};
  FILETIME local{};
  FILETIME utc{};
  EXPECT_TRUE(SystemTimeToFileTime(&st, &local));
  EXPECT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  return utc;
}

void set_write_time(const std::string& path, const FILETIME& utc) {
  const HANDLE h = CreateFileW(wide_path(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
  CloseHandle(h);
}

TEST(HostWin32, NamesAreTheRealWindowsNamesAndRoundTrip) {
  temp_folder tmp;
  host::host& h = host::default_host();
  const std::string hyoso = "\x95\x5C\x83\x5C";  // 表ソ, each ending in the byte 0x5C
  ASSERT_TRUE(h.create_folder(tmp.at(hyoso)));
  write_file(tmp.at(hyoso + "\\\x94\x5C\x97\x5C.txt"), "nou-yo");  // 能予.txt inside
  const std::string cafe = cp932::from_unicode("caf\xC3\xA9");
  const std::string smile = cp932::from_unicode("\xF0\x9F\x98\x80");
  write_file(tmp.at(cafe), "e");
  write_file(tmp.at(smile), "emoji");
  // On disk they carry their true Unicode names, whatever the system code page is.
  const std::wstring base = wide_path(tmp.path()) + L"\\";
  for (const wchar_t* name : {L"表ソ\\能予.txt", L"caf\u00e9", L"\U0001F600"}) {
    EXPECT_NE(GetFileAttributesW((base + name).c_str()), INVALID_FILE_ATTRIBUTES);
  }
  const std::vector<host::found_entry> top = list(tmp.path());
  ASSERT_NE(find(top, hyoso), nullptr);
  EXPECT_NE(find(top, cafe), nullptr);
  EXPECT_NE(find(top, smile), nullptr);
  EXPECT_NE(find(list(tmp.at(hyoso)), "\x94\x5C\x97\x5C.txt"), nullptr);
  EXPECT_EQ(read_file(tmp.path() + "\\" + hyoso + "\\\x94\x5C\x97\x5C.txt"), "nou-yo");
  EXPECT_EQ(read_file(tmp.at(smile)), "emoji");
}

TEST(HostWin32, AttributesOfFilesAndFoldersAreReportedMaskedTo3F) {
  temp_folder tmp;
  host::host& h = host::default_host();
  for (const char* name : {"ro", "hidden", "system", "plain"}) write_file(tmp.at(name), name);
  for (const char* name : {"dir_hidden", "dir_system", "dir_ro"}) {
    ASSERT_TRUE(h.create_folder(tmp.at(name)));
  }
  set_attributes(tmp.at("ro"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  set_attributes(tmp.at("hidden"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  set_attributes(tmp.at("system"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  set_attributes(tmp.at("plain"), FILE_ATTRIBUTE_NORMAL);
  set_attributes(tmp.at("dir_hidden"), FILE_ATTRIBUTE_HIDDEN);
  set_attributes(tmp.at("dir_system"), FILE_ATTRIBUTE_SYSTEM);
  set_attributes(tmp.at("dir_ro"), FILE_ATTRIBUTE_READONLY);
  const std::vector<host::found_entry> entries = list(tmp.path());
  // The bits each entry must show; the system may add the archive bit (Wine always does),
  // and Wine keeps no read-only bit on a folder. The rest is what the system reports.
  const std::pair<const char*, uint32_t> expected[] = {
      {"ro", 0x21},         {"hidden", 0x22},     {"system", 0x04}, {"plain", 0x00},
      {"dir_hidden", 0x12}, {"dir_system", 0x14}, {"dir_ro", 0x10},
  };
  for (const auto& [name, attributes] : expected) {
    const host::found_entry* e = find(entries, name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->attributes & attributes, attributes) << name;
    EXPECT_EQ(e->attributes, GetFileAttributesW(wide_path(tmp.at(name)).c_str()) & 0x3F) << name;
    EXPECT_FALSE(e->is_link || e->is_special || e->unreadable) << name;
  }
  for (const host::found_entry& e : entries) EXPECT_EQ(e.attributes & ~0x3Fu, 0u) << e.name;
}

TEST(HostWin32, AReadOnlyFolderIsListedAndReadLikeAnyOther) {
  temp_folder tmp;
  ASSERT_TRUE(host::default_host().create_folder(tmp.at("locked")));
  write_file(tmp.at("locked/inner.txt"), "kept");
  set_attributes(tmp.at("locked/inner.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  set_attributes(tmp.at("locked"), FILE_ATTRIBUTE_READONLY);
  const std::vector<host::found_entry> entries = list(tmp.at("locked"));
  const host::found_entry* inner = find(entries, "inner.txt");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->attributes & 0x16u, 0x06u);
  EXPECT_EQ(inner->size, 4u);
  EXPECT_EQ(read_file(tmp.at("locked\\inner.txt")), "kept");
  set_attributes(tmp.at("locked"), FILE_ATTRIBUTE_NORMAL);
}

TEST(HostWin32, WritingEmptiesAnExistingHiddenFileAndKeepsItHidden) {
  temp_folder tmp;
  write_file(tmp.at("h"), "old and long");
  set_attributes(tmp.at("h"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  write_file(tmp.at("h"), "new");
  EXPECT_EQ(read_file(tmp.at("h")), "new");
  EXPECT_EQ(find(list(tmp.path()), "h")->attributes & 0x06u, 0x06u);
}

TEST(HostWin32, RenameNeverReplacesEvenAHiddenOrReadOnlyTarget) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("from"), "F");
  write_file(tmp.at("to"), "T");
  set_attributes(tmp.at("to"), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(h.rename(tmp.at("from"), tmp.at("to")));
  EXPECT_FALSE(h.rename(tmp.at("from"), tmp.at("TO")));  // names differ only in case
  EXPECT_EQ(read_file(tmp.at("to")), "T");
  EXPECT_EQ(read_file(tmp.at("from")), "F");
  set_attributes(tmp.at("from"), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(h.rename(tmp.at("from"), tmp.at("\x95\x5C")));
  EXPECT_EQ(read_file(tmp.at("\x95\x5C")), "F");
  set_attributes(tmp.at("\x95\x5C"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(h.replace_file(tmp.at("\x95\x5C"), tmp.at("plain")));
}

TEST(HostWin32, TimesAreLocalAndRoundedDownToTwoSeconds) {
  temp_folder tmp;
  write_file(tmp.at("odd"), "x");
  set_write_time(tmp.at("odd"), local_filetime(2001, 2, 3, 4, 5, 7, 900));
  const uint32_t expected = host::pack_time(host::calendar_time{2001, 2, 3, 4, 5, 6});
  EXPECT_EQ(find(list(tmp.path()), "odd")->time, expected);
  EXPECT_EQ(testing_support::file_time(tmp.at("odd")), expected);
  // Setting a packed time gives exactly that local time.
  testing_support::set_time(tmp.at("odd"),
                            host::pack_time(host::calendar_time{2030, 7, 8, 23, 59, 58}));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(wide_path(tmp.at("odd")).c_str(), GetFileExInfoStandard, &data));
  FILETIME local;
  SYSTEMTIME st;
  ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
  EXPECT_EQ(std::vector<int>(
                {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds}),
            std::vector<int>({2030, 7, 8, 23, 59, 58, 0}));
  // Times the DOS form cannot hold are clamped to its ends.
  set_write_time(tmp.at("odd"), local_filetime(1975, 1, 1, 0, 0, 0, 0));
  EXPECT_EQ(find(list(tmp.path()), "odd")->time, host::pack_time(host::calendar_time{1980, 1, 1}));
  set_write_time(tmp.at("odd"), local_filetime(2200, 1, 1, 0, 0, 0, 0));
  EXPECT_EQ(find(list(tmp.path()), "odd")->time,
            host::pack_time(host::calendar_time{2107, 12, 31, 23, 59, 58}));
}

TEST(HostWin32, LinksToFilesAreLinksAndFolderLinksAreNeverDescended) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("target.txt"), "data");
  ASSERT_TRUE(h.create_folder(tmp.at("dir")));
  const std::wstring base = wide_path(tmp.path()) + L"\\";
  const DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!CreateSymbolicLinkW((base + L"to_dir").c_str(), (base + L"dir").c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY | unprivileged) ||
      !CreateSymbolicLinkW((base + L"to_file").c_str(), L"target.txt", unprivileged) ||
      !CreateSymbolicLinkW((base + L"absolute").c_str(), (base + L"target.txt").c_str(),
                           unprivileged) ||
      !CreateSymbolicLinkW((base + L"dangling").c_str(), L"nowhere", unprivileged)) {
    GTEST_SKIP() << "this system makes no symbolic links for us";
  }
  const DWORD made = GetFileAttributesW((base + L"to_dir").c_str());
  if (made == INVALID_FILE_ATTRIBUTES || (made & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "this system reports symbolic links as made but makes none (Wine)";
  }
  const std::vector<host::found_entry> entries = list(tmp.path());
  const host::found_entry* to_dir = find(entries, "to_dir");
  ASSERT_NE(to_dir, nullptr);
  EXPECT_TRUE(to_dir->is_link);
  EXPECT_TRUE(to_dir->is_special);
  EXPECT_EQ(to_dir->attributes & host::k_directory, 0u);
  // A link to a file is itself, never the file it names: its target text, relative or not.
  for (const char* name : {"to_file", "absolute", "dangling"}) {
    const host::found_entry* link = find(entries, name);
    ASSERT_NE(link, nullptr) << name;
    EXPECT_TRUE(link->is_link) << name;
    EXPECT_FALSE(link->is_special) << name;
    EXPECT_EQ(link->full_size, link->link_target.size()) << name;
  }
  EXPECT_EQ(find(entries, "to_file")->link_target, "target.txt");
  EXPECT_EQ(find(entries, "dangling")->link_target, "nowhere");
  const std::string absolute = find(entries, "absolute")->link_target;
  EXPECT_EQ(absolute.find("\\??\\"), std::string::npos) << absolute;
  EXPECT_EQ(absolute.substr(absolute.size() - 11), "\\target.txt") << absolute;

  std::string target;
  EXPECT_EQ(h.open_read_or_link(tmp.at("to_file"), target), nullptr);
  EXPECT_EQ(target, "target.txt");
  EXPECT_EQ(h.open_read_or_link(tmp.at("to_dir"), target), nullptr);
  EXPECT_EQ(target, "");
  EXPECT_NE(h.open_read_or_link(tmp.at("target.txt"), target), nullptr);
  EXPECT_EQ(target, "");
}

// Where this process may make links, one is made and reads back as itself; where it may not,
// or the system answers that it made one and did not (Wine), the call fails and leaves nothing
// there, so that a run skips the link instead of storing what it names.
TEST(HostWin32, ALinkIsMadeWhereTheSystemAllowsAndNothingStandsWhereItDoesNot) {
  temp_folder tmp;
  host::host& h = host::default_host();
  write_file(tmp.at("target.txt"), "data");
  write_file(tmp.at("made"), "an earlier copy");
  const bool made = h.create_link_beneath(tmp.path(), "made", "target.txt");
  std::string target;
  EXPECT_EQ(h.open_read_or_link(tmp.at("made"), target), nullptr);
  if (made) {
    EXPECT_EQ(target, "target.txt");
    EXPECT_EQ(find(list(tmp.path()), "made")->link_target, "target.txt");
  } else {
    EXPECT_FALSE(h.take_failure_reason().empty());
    EXPECT_FALSE(h.exists(tmp.at("made")));
  }
  EXPECT_EQ(read_file(tmp.at("target.txt")), "data");
  ASSERT_TRUE(h.create_folder(tmp.at("dir")));
  EXPECT_FALSE(h.create_link_beneath(tmp.path(), "dir", "target.txt"));
  EXPECT_EQ(list(tmp.at("dir")).size(), 2u);  // "." and ".."
}

TEST(HostWin32, LongPathsWork) {
  temp_folder tmp;
  host::host& h = host::default_host();
  std::string path = tmp.path();
  for (int i = 0; i < 8; ++i) {
    path += "\\" + std::string(40, static_cast<char>('a' + i));
    ASSERT_TRUE(h.create_folder(path)) << path.size();
  }
  ASSERT_GT(path.size(), 300u);
  write_file(path + "\\\x95\x5C.txt", "deep");
  EXPECT_EQ(read_file(path + "/\x95\x5C.txt"), "deep");
  EXPECT_NE(find(list(path), "\x95\x5C.txt"), nullptr);
  EXPECT_TRUE(h.rename(path + "\\\x95\x5C.txt", path + "\\moved"));
  EXPECT_TRUE(h.exists(path + "\\moved"));
}

TEST(HostWin32, LongRelativePathsWork) {
  temp_folder tmp;
  host::host& h = host::default_host();
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(wide_path(tmp.path()).c_str()));
  std::string path = ".";
  for (int i = 0; i < 8; ++i) {
    path += "\\" + std::string(40, static_cast<char>('a' + i));
    EXPECT_TRUE(h.create_folder(path)) << path.size();
  }
  write_file(path + "\\..\\\x94\x5C.txt", "relative");
  std::vector<host::found_entry> entries;
  EXPECT_TRUE(h.search(path + "\\..\\*.*", entries));
  EXPECT_NE(find(entries, "\x94\x5C.txt"), nullptr);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(
      read_file(tmp.path() + "/" + std::string(40, 'a') + "/" + std::string(40, 'b') + "/" +
                std::string(40, 'c') + "/" + std::string(40, 'd') + "/" + std::string(40, 'e') +
                "/" + std::string(40, 'f') + "/" + std::string(40, 'g') + "/\x94\x5C.txt"),
      "relative");
}

TEST(HostWin32, OnlyAnExistingFolderIsEverListedAsEmpty) {
  temp_folder tmp;
  write_file(tmp.at("file.txt"), "x");
  std::vector<host::found_entry> entries;
  host::host& h = host::default_host();
  EXPECT_FALSE(h.search(tmp.at("file.txt") + "\\*.*", entries));
  EXPECT_FALSE(h.search(tmp.at("missing") + "\\*.*", entries));
  EXPECT_FALSE(h.search(tmp.at("missing\\deeper") + "\\*.*", entries));
  EXPECT_TRUE(entries.empty());
  ASSERT_TRUE(h.create_folder(tmp.at("empty")));
  EXPECT_TRUE(h.search(tmp.at("empty") + "\\*.*", entries));
  EXPECT_EQ(entries.size(), 2u);  // "." and ".."
}

TEST(HostWin32, DriveRootsAreSearchedWithoutDots) {
  std::vector<host::found_entry> entries;
  ASSERT_TRUE(host::default_host().search("C:\\*.*", entries));
  EXPECT_EQ(find(entries, ".."), nullptr);
  const auto windows = std::find_if(entries.begin(), entries.end(), [](const host::found_entry& e) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, e.name.c_str(), -1, "windows", -1) ==
           CSTR_EQUAL;
  });
  ASSERT_NE(windows, entries.end());
  EXPECT_EQ(windows->attributes & host::k_directory, host::k_directory);
}

TEST(HostWin32, ExecutableEnvironmentAndDateText) {
  host::host& h = host::default_host();
  const std::string exe = h.executable_path();
  EXPECT_EQ(exe.substr(1, 2), ":\\") << exe;
  EXPECT_EQ(exe.substr(exe.size() - 18), "platform_tests.exe");
  ASSERT_TRUE(SetEnvironmentVariableW(L"ZOLK_TEST_VARIABLE", L"表\\caf\u00e9"));
  EXPECT_EQ(h.environment("ZOLK_TEST_VARIABLE"), cp932::from_unicode("\xE8\xA1\xA8\\caf\xC3\xA9"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"ZOLK_TEST_VARIABLE", nullptr));
  EXPECT_EQ(h.environment("ZOLK_TEST_VARIABLE"), "");
  const std::string midnight = h.date_text(host::pack_time(host::calendar_time{1999, 5, 12}));
  const std::string later =
      h.date_text(host::pack_time(host::calendar_time{1999, 5, 12, 22, 20, 30}));
  EXPECT_NE(midnight.find("1999"), std::string::npos);
  EXPECT_EQ(midnight.find(':'), std::string::npos);
  EXPECT_EQ(later.substr(0, midnight.size() + 1), midnight + " ");
  EXPECT_NE(later.find("20:30"), std::string::npos);
  if (PRIMARYLANGID(GetUserDefaultLangID()) == LANG_JAPANESE) {
    // Year first, as the Japanese short form has it (Windows pads the month, Wine does not).
    EXPECT_EQ(midnight.substr(0, 5), "1999/");
    EXPECT_EQ(later.substr(later.size() - 9), " 22:20:30");
  }
}

TEST(HostWin32, TheCodePage932TableIsUsedWhateverTheSystemCodePage) {
  std::string bytes;
  ASSERT_TRUE(cp932::encode_code_point(0x8868, bytes));  // 表
  EXPECT_EQ(bytes, "\x95\x5C");
  ASSERT_TRUE(cp932::encode_code_point(0xFF71, bytes));  // ｱ
  EXPECT_EQ(bytes, "\xB1");
  EXPECT_FALSE(cp932::encode_code_point(0xE9, bytes));  // é has no code, not even a look-alike
  uint32_t cp = 0;
  ASSERT_TRUE(cp932::decode_character(reinterpret_cast<const unsigned char*>("\x88\x9F"), 2, cp));
  EXPECT_EQ(cp, 0x4E9Cu);  // 亜
  EXPECT_FALSE(cp932::decode_character(reinterpret_cast<const unsigned char*>("\x80"), 1, cp));
  EXPECT_FALSE(cp932::decode_character(reinterpret_cast<const unsigned char*>("\x85\x40"), 2, cp));
  EXPECT_NE(cp932::from_unicode("\xC2\xA5"), "\\");  // ¥ never becomes a separator
}

}  // namespace
#endif
