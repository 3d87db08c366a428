#include <gtest/gtest.h>

#include "core/Cp932.h"

namespace korvana {
namespace {

TEST(Cp932, RoundTripsJapaneseAndAscii) {
  struct Case {
    std::string sjis;
    std::string utf8;
  } cases[] = {
      {"abc", "abc"},         {"\x83\x65\x83\x58\x83\x67", "テスト"},
      {"\x95\x5c", "表"},      // trail byte 0x5C
      {"\xb1\xb2", "ｱｲ"},      // half-width katakana are single bytes
      {"\x81\x40", "\u3000"},  // ideographic space
      {"\x87\x40", "①"},       // NEC special row
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp932::ToUtf8(c.sjis), c.utf8) << c.utf8;
    EXPECT_EQ(cp932::FromUtf8(c.utf8), c.sjis) << c.utf8;
  }
}

TEST(Cp932, BadBytesNeverReadPastTheText) {
  EXPECT_EQ(cp932::ToUtf8("a\x83"), "a\uFFFD");   // lone lead byte at the end
  EXPECT_EQ(cp932::FromUtf8("\xE3\x81"), "?");    // cut UTF-8 sequence
  EXPECT_EQ(cp932::FromUtf8("\U0001F600"), "?");  // not in CP932
  EXPECT_EQ(J("コマンドが変です"),
            "\x83\x52\x83\x7d\x83\x93\x83\x68\x82\xaa\x95\xcf\x82\xc5\x82\xb7");
}

}  // namespace
}  // namespace korvana
