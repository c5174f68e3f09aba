#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/utf8.h"

namespace {

TEST(Cp932, JapaneseNamesBecomeTheirShiftJisBytes) {
  // 表 ソ 能 予: each ends in the byte 0x5C.
  EXPECT_EQ(cp932::from_unicode("表ソ能予"), "\x95\x5C\x83\x5C\x94\x5C\x97\x5C");
  EXPECT_EQ(cp932::to_unicode("\x95\x5C\x83\x5C\x94\x5C\x97\x5C"), "表ソ能予");
  EXPECT_EQ(cp932::from_unicode("ﾃｽﾄ.txt"), "\xC3\xBD\xC4.txt");  // half-width katakana
}

TEST(Cp932, EveryHostNameRoundTripsByteForByte) {
  const std::string names[] = {
      "plain.txt",
      "表ソ能予.doc",
      "caf\xC3\xA9",             // é has no CP932 code
      "\xF0\x9F\x98\x80 smile",  // an emoji
      "bad\xFF\xFEutf8",         // not UTF-8 at all
      "back\\slash",             // `\` is a separator inside Zolk
      "\xEE\x80\x80",            // U+E000 lies in the escape area itself
      "\xC2\xA5yen",             // maps to 0x5C in some tables
      "",
  };
  for (const std::string& name : names) {
    EXPECT_EQ(cp932::to_unicode(cp932::from_unicode(name)), name) << name;
  }
}

// Each answer of the system's tables is remembered. Every code of either direction is converted
// on a second thread first (filling the memory) and then here (reading it): both must agree
// with each other and with the table itself, for characters and non-characters alike.
TEST(Cp932, RememberedAnswersAgreeWithTheTableOnEveryCode) {
  std::vector<std::string> texts;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!cp932::is_lead_byte(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      texts.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  for (unsigned single = 0xA1; single <= 0xDF; ++single)
    texts.push_back({static_cast<char>(single)});
  std::vector<std::string> names;
  for (uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string name;
    utf8::append(name, cp);
    names.push_back(name);
  }
  std::vector<std::string> first_decoded;
  std::vector<std::string> first_encoded;
  std::thread([&] {
    for (const std::string& text : texts) first_decoded.push_back(cp932::to_unicode(text));
    for (const std::string& name : names) first_encoded.push_back(cp932::from_unicode(name));
  }).join();
  for (size_t i = 0; i < texts.size(); ++i) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(texts[i].data());
    const auto lead = bytes[0];
    ASSERT_EQ(cp932::to_unicode(texts[i]), first_decoded[i]) << i;
    if (lead >= 0xF0 && lead <= 0xF9) continue;  // escapes, never asked of the table
    // A pair that is no character keeps its lead byte; the trail byte is read on its own.
    const auto as_table_reads = [](const unsigned char* code, int count) {
      uint32_t cp = 0;
      std::string out;
      if (code[0] >= 0x80 && cp932::decode_character(code, count, cp)) {
        utf8::append(out, cp);
      } else {
        out.assign(reinterpret_cast<const char*>(code), static_cast<size_t>(count));
      }
      return out;
    };
    std::string expected = as_table_reads(bytes, static_cast<int>(texts[i].size()));
    if (texts[i].size() == 2 && expected == texts[i]) {
      expected = texts[i].substr(0, 1) + as_table_reads(bytes + 1, 1);
    }
    ASSERT_EQ(first_decoded[i], expected) << i;
  }
  size_t characters = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(cp932::from_unicode(names[i]), first_encoded[i]) << i;
    ASSERT_EQ(cp932::to_unicode(first_encoded[i]), names[i]) << i;
    const auto lead = static_cast<unsigned char>(first_encoded[i][0]);
    if (lead < 0xF0 || lead > 0xF9) ++characters;
  }
  EXPECT_GT(characters, 7000u);  // JIS X 0208 and the vendor rows, not all escaped
}

TEST(Cp932, EscapesNeverHoldASeparatorOrAsciiByte) {
  const std::string escaped = cp932::from_unicode("caf\xC3\xA9\\x\xFF");
  // Outside double-byte characters the only ASCII left is what the name had.
  std::string single;
  for (size_t i = 0; i < escaped.size(); ++i) {
    const auto c = static_cast<unsigned char>(escaped[i]);
    if (cp932::is_lead_byte(c)) {
      ++i;
      continue;
    }
    single += escaped[i];
  }
  EXPECT_EQ(single, "cafx");
}

TEST(Cp932, NamesCarryControlCharactersEscapedAndTextsKeepThem) {
  const std::string names[] = {"x\nC   victim.txt", "cr\r\nlf", std::string("nul\0tab\t\x1F", 10),
                               "\x7F del stays", "\xE8\xA1\xA8\n"};  // 表 then LF
  for (const std::string& name : names) {
    const std::string escaped = cp932::from_unicode_name(name);
    for (const char c : escaped) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << name;
    EXPECT_EQ(cp932::to_unicode(escaped), name);
    EXPECT_EQ(cp932::escape_control_bytes(cp932::from_unicode(name)), escaped);
  }
  EXPECT_EQ(cp932::from_unicode_name("plain \xE8\xA1\xA8"),
            cp932::from_unicode("plain \xE8\xA1\xA8"));
  EXPECT_EQ(cp932::from_unicode("line\r\n"), "line\r\n");  // messages keep their line ends
  // Escaping is idempotent and never cuts a double-byte character whose trail byte is 0x5C.
  const std::string text = "\x95\x5C\n\x83\x5C";
  EXPECT_EQ(cp932::escape_control_bytes(cp932::escape_control_bytes(text)),
            cp932::escape_control_bytes(text));
  EXPECT_EQ(cp932::to_unicode(cp932::escape_control_bytes(text)), "表\nソ");
}

TEST(Cp932, LeadBytes) {
  EXPECT_FALSE(cp932::is_lead_byte(0x80));
  EXPECT_TRUE(cp932::is_lead_byte(0x81));
  EXPECT_TRUE(cp932::is_lead_byte(0x9F));
  EXPECT_FALSE(cp932::is_lead_byte(0xA0));
  EXPECT_FALSE(cp932::is_lead_byte(0xDF));
  EXPECT_TRUE(cp932::is_lead_byte(0xE0));
  EXPECT_TRUE(cp932::is_lead_byte(0xFC));
  EXPECT_FALSE(cp932::is_lead_byte(0xFD));
}

TEST(Cp932, PathSeparatorsAreNeverTheTrailByteOfACharacter) {
  const std::string hyou = "\x95\x5C";  // 表: its second byte is a backslash
  const std::string path = "a\\" + hyou + "\\" + hyou + "/b";
  EXPECT_EQ(cp932::path_separators(path), (std::vector<size_t>{1, 4, 7}));
  EXPECT_EQ(cp932::path_separators(path, false), (std::vector<size_t>{1, 4}));
  // A lead byte at the end has no trail to take; "\x95" before a separator takes it.
  EXPECT_EQ(cp932::path_separators("a\\\x95"), std::vector<size_t>{1});
  EXPECT_EQ(cp932::path_separators("\x95\\b"), std::vector<size_t>{});
  EXPECT_EQ(cp932::path_separators(""), std::vector<size_t>{});
}

}  // namespace
