#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/native_path.h"

namespace {

using host::utf16_from_wtf8;
using host::windows_path;
using host::wtf8_from_utf16;

TEST(WideText, Wtf8CarriesPairsAndLoneSurrogatesExactly) {
  const std::u16string names[] = {
      u"plain",
      u"表ソ能予",
      u"caf\u00e9",
      u"\U0001F600",
      std::u16string(1, char16_t(0xD83D)) + u"x",          // a high surrogate alone
      u"x" + std::u16string(1, char16_t(0xDE00)),          // a low surrogate alone
      std::u16string{char16_t(0xDE00), char16_t(0xD83D)},  // in the wrong order
  };
  for (const std::u16string& name : names) {
    const std::string wtf8 = wtf8_from_utf16(name);
    EXPECT_EQ(utf16_from_wtf8(wtf8), name);
    // And on through CP932 and back, as every name the host reports travels.
    EXPECT_EQ(utf16_from_wtf8(cp932::to_unicode(cp932::from_unicode(wtf8))), name);
  }
  EXPECT_EQ(wtf8_from_utf16(u"\U0001F600"), "\xF0\x9F\x98\x80");  // a pair is one character
  EXPECT_EQ(wtf8_from_utf16(std::u16string(1, char16_t(0xD83D))), "\xED\xA0\xBD");
}

TEST(WideText, BytesThatAreNoUtf8StayDistinctOnWindows) {
  // A name from a POSIX store that was not UTF-8 cannot be a Windows name as it stands,
  // but two such names must never fall onto one file.
  const std::u16string a = utf16_from_wtf8("bad\xFF");
  const std::u16string b = utf16_from_wtf8("bad\xFE");
  EXPECT_NE(a, b);
  EXPECT_EQ(a, u"bad" + std::u16string(1, char16_t(0xDCFF)));
  EXPECT_EQ(utf16_from_wtf8("\xC0\x80"), (std::u16string{char16_t(0xDCC0), char16_t(0xDC80)}));
  EXPECT_EQ(utf16_from_wtf8("\xE8\xA1"), (std::u16string{char16_t(0xDCE8), char16_t(0xDCA1)}));
}

TEST(WideText, AbsolutePathsGetTheVerbatimPrefixAndBackslashes) {
  EXPECT_EQ(windows_path("c:\\data/x\\y"), u"\\\\?\\C:\\data\\x\\y");
  EXPECT_EQ(windows_path("C:\\"), u"\\\\?\\C:\\");
  EXPECT_EQ(windows_path("c:/a\\.\\b\\..\\c\\"), u"\\\\?\\C:\\a\\c");
  EXPECT_EQ(windows_path("c:\\..\\..\\a"), u"\\\\?\\C:\\a");
  // The trail byte 0x5C of 表 and ソ is part of the name, not a separator.
  EXPECT_EQ(windows_path("d:\\\x95\x5C\\\x83\x5C.txt"), u"\\\\?\\D:\\表\\ソ.txt");
  // Names Windows would trim keep their trailing dot and blank.
  EXPECT_EQ(windows_path("c:\\a.\\b "), u"\\\\?\\C:\\a.\\b ");
  EXPECT_EQ(windows_path("\\\\server\\share\\..\\..\\x"), u"\\\\?\\UNC\\server\\share\\x");
  EXPECT_EQ(windows_path("\\\\?\\c:\\x"), u"\\\\?\\C:\\x");
  EXPECT_EQ(windows_path("\\\\?\\UNC\\s\\t\\x"), u"\\\\?\\UNC\\s\\t\\x");
}

TEST(WideText, OtherPathsKeepTheirForm) {
  EXPECT_EQ(windows_path("rel/a\\b"), u"rel\\a\\b");
  EXPECT_EQ(windows_path("\\top\\x"), u"\\top\\x");
  EXPECT_EQ(windows_path("c:rel\\x"), u"c:rel\\x");
  EXPECT_EQ(windows_path("..\\x"), u"..\\x");
  EXPECT_EQ(windows_path(""), u"");
  // An escaped name goes back to the host name it stands for.
  EXPECT_EQ(windows_path(cp932::from_unicode("caf\xC3\xA9")), u"caf\u00e9");
}

TEST(WideText, HostPathsComeBackAsZolkPaths) {
  EXPECT_EQ(host::zolk_path(u"\\\\?\\C:\\表\\x.exe"), "C:\\\x95\x5C\\x.exe");
  EXPECT_EQ(host::zolk_path(u"\\\\?\\UNC\\s\\t\\x"), "\\\\s\\t\\x");
  EXPECT_EQ(host::zolk_path(u"C:/a/b"), "C:\\a\\b");
  const std::string cafe = cp932::from_unicode("caf\xC3\xA9");
  EXPECT_EQ(host::zolk_path(windows_path("c:\\" + cafe)), "C:\\" + cafe);
  EXPECT_EQ(host::without_verbatim_prefix(u"\\\\?\\C:\\x"), u"C:\\x");
}

TEST(WideText, SearchPatternsNameTheirFolder) {
  EXPECT_EQ(host::folder_of_pattern("c:\\data\\*.*"), "c:\\data");
#ifdef _WIN32
  EXPECT_EQ(host::folder_of_pattern("c:\\*.*"), "c:\\");
#endif
  EXPECT_EQ(host::folder_of_pattern("\\*.*"), "\\");
  EXPECT_EQ(host::folder_of_pattern("a/\x95\x5C\\*.*"), "a/\x95\x5C");
  EXPECT_EQ(host::folder_of_pattern("*.*"), ".");
}

}  // namespace
