#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "config/ConfigFile.h"
#include "core/Cp932.h"

namespace korvana::config {
namespace {

using test::TempDir;

TEST(ConfigFile, LooksUpTheFirstLineWithTheNameWithoutRegardToCase) {
  ConfigFile f = ConfigFile::Parse(
      "[System]\r\n"
      "savepath=save\\\r\n"
      "SavePath=other\\\r\n"
      "Font0=a=b\r\n"
      " Icon=spaced\r\n"
      "Tile= keep blanks \r\n"
      "Empty=\r\n"
      "no equals sign\r\n");
  EXPECT_EQ(f.Value("SavePath"), "save\\");  // lower case line, and the first of two
  EXPECT_EQ(f.Value("SAVEPATH"), "save\\");
  EXPECT_EQ(f.Value("Font0"), "a=b");  // split at the first "="
  EXPECT_EQ(f.Value("Icon"), "");      // the name is " Icon": no trimming
  EXPECT_EQ(f.Value(" icon"), "spaced");
  EXPECT_EQ(f.Value("Tile"), " keep blanks ");
  ASSERT_TRUE(f.Find("Empty").has_value());
  EXPECT_EQ(*f.Find("Empty"), "");
  EXPECT_FALSE(f.Find("Missing").has_value());
  EXPECT_FALSE(f.Find("[System]").has_value());
  EXPECT_EQ(f.size(), 6u);
}

TEST(ConfigFile, SplitsAtCrLfLfAndCr) {
  ConfigFile f = ConfigFile::Parse("A=1\r\nB=2\nC=3\rD=4");
  EXPECT_EQ(f.Value("A"), "1");
  EXPECT_EQ(f.Value("B"), "2");
  EXPECT_EQ(f.Value("C"), "3");
  EXPECT_EQ(f.Value("D"), "4");
}

TEST(ConfigFile, CaseFoldingLeavesTheSecondByteOfACharacterAlone) {
  // "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: their second bytes are "A" and "a".
  std::string a = J("キーア"), b = J("キーヂ");
  ASSERT_EQ(a.back(), 'A');
  ASSERT_EQ(b.back(), 'a');
  EXPECT_FALSE(EqualsIgnoringCase(a, b));
  EXPECT_TRUE(EqualsIgnoringCase(J("ｘYz表"), J("ｘyZ表")));
  ConfigFile f = ConfigFile::Parse(a + "=1\r\n");
  EXPECT_FALSE(f.Find(b).has_value());
  EXPECT_EQ(f.Value(a), "1");
}

TEST(ConfigFile, SkipsOverlongLinesAndReportsThem) {
  std::string longLine = "Font0=" + std::string(kMaxConfigLineBytes, 'x');
  std::string exact = "Font1=" + std::string(kMaxConfigLineBytes - 6, 'y');
  std::vector<std::string> problems;
  ConfigFile f =
      ConfigFile::Parse("A=1\r\n" + longLine + "\r\n" + exact + "\r\nB=2\r\n", &problems);
  EXPECT_EQ(f.Value("A"), "1");
  EXPECT_FALSE(f.Find("Font0").has_value());
  EXPECT_EQ(f.Value("Font1").size(), kMaxConfigLineBytes - 6);  // at the limit: kept
  EXPECT_EQ(f.Value("B"), "2");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].substr(0, 1), "2");  // names line 2
  EXPECT_NE(problems[0].find(std::to_string(longLine.size())), std::string::npos);
}

TEST(ConfigFile, DropsALeadByteCutOffAtTheEnd) {
  std::string font = J("ＭＳ ゴシック");
  std::vector<std::string> problems;
  ConfigFile f = ConfigFile::Parse("Font0=" + font.substr(0, font.size() - 1), &problems);
  EXPECT_EQ(f.Value("Font0"), font.substr(0, font.size() - 2));
  ASSERT_EQ(problems.size(), 1u);

  // A complete last character without a line break is no problem.
  problems.clear();
  f = ConfigFile::Parse("Font0=" + font, &problems);
  EXPECT_EQ(f.Value("Font0"), font);
  EXPECT_TRUE(problems.empty());

  // UTF-8 files have no lead bytes to drop ("ぁ" ends in 0x81).
  problems.clear();
  f = ConfigFile::Parse("X=/home/ぁ", &problems, TextEncoding::Utf8);
  EXPECT_EQ(f.Value("x"), "/home/ぁ");
  EXPECT_TRUE(problems.empty());
}

TEST(ConfigFile, ParsesDecimalIntegersStrictly) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"0", 0},
      {"1", 1},
      {"32", 32},
      {"-5", -5},
      {"+7", 7},
      {"  12", 12},  // leading blanks are allowed
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"12 ", std::nullopt},
      {"1.5", std::nullopt},
      {"$10", std::nullopt},
      {"0x10", std::nullopt},
      {"on", std::nullopt},
      {"\x82\x50", std::nullopt},  // full-width "１"
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(ConfigFile, QuotesValuesShortAndPrintable) {
  EXPECT_EQ(QuoteForReport("abc"), "\"abc\"");
  EXPECT_EQ(QuoteForReport(std::string("a\x01\x7f", 3)), "\"a??\"");
  EXPECT_EQ(QuoteForReport("a\x83"), "\"a?\"");  // dangling lead byte
  std::string kana = J("あいうえおかきくけこさしすせそたちつてとなにぬねの");
  std::string q = QuoteForReport(kana);
  EXPECT_EQ(q, "\"" + kana.substr(0, 40) + "...\"");
  EXPECT_EQ(QuoteForReport("x" + kana).size(), 2 + 1 + 38 + 3u);  // never half a character
}

TEST(ConfigFile, LoadReportsWhatKindOfFileItFound) {
  TempDir dir;
  EXPECT_EQ(LoadConfigFile(dir.str() + "/none.cfg").status, LoadStatus::Missing);
  EXPECT_EQ(LoadConfigFile(dir.str() + "/no/such/dir.cfg").status, LoadStatus::Missing);

  std::filesystem::create_directory(dir.path() / "folder.cfg");
  EXPECT_EQ(LoadConfigFile(dir.str() + "/folder.cfg").status, LoadStatus::Unreadable);

  std::string fifo = dir.str() + "/pipe.cfg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadConfigFile(fifo).status, LoadStatus::Unreadable);  // never blocks

  dir.Write("binary.cfg", std::string("A=1\r\n\0\x01\x02", 8));
  LoadedConfig binary = LoadConfigFile(dir.str() + "/binary.cfg");
  EXPECT_EQ(binary.status, LoadStatus::NotText);
  EXPECT_EQ(binary.file.size(), 0u);

  dir.Write("large.cfg", std::string(kMaxConfigFileBytes + 1, 'a'));
  EXPECT_EQ(LoadConfigFile(dir.str() + "/large.cfg").status, LoadStatus::NotText);

  dir.Write("ok.cfg", "A=1\r\n");
  LoadedConfig ok = LoadConfigFile(dir.str() + "/ok.cfg");
  EXPECT_EQ(ok.status, LoadStatus::Ok);
  EXPECT_EQ(ok.file.Value("a"), "1");
  EXPECT_EQ(ok.path, dir.str() + "/ok.cfg");
}

TEST(ConfigFile, FindsAFileNameWithoutRegardToCase) {
  TempDir dir;
  EXPECT_EQ(FindInFolder(dir.str(), "krv.cfg"), dir.str() + "/krv.cfg");  // nothing there
  dir.Write("KRV.CFG", "x");
  EXPECT_EQ(FindInFolder(dir.str(), "krv.cfg"), dir.str() + "/KRV.CFG");
  dir.Write("krv.cfg", "x");
  EXPECT_EQ(FindInFolder(dir.str(), "krv.cfg"), dir.str() + "/krv.cfg");  // exact name first
  EXPECT_EQ(FindInFolder(dir.str() + "/missing", "krv.cfg"), dir.str() + "/missing/krv.cfg");
}

}  // namespace
}  // namespace korvana::config
