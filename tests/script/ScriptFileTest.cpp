#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "GameRun.h"
#include "TempDir.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

struct RecordingSink : ErrorSink {
  std::vector<std::string> errors;
  void ScriptError(const std::string& m) override { errors.push_back(m); }
  void ReportScriptError(const std::string& m) override { errors.push_back(m); }
};

TEST(SplitLines, AllThreeLineEndsAndNoTrimming) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("  x \t\r\n\r\n"), (std::vector<std::string>{"  x \t", ""}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(SplitLines(std::string("a\0b", 3)), (std::vector<std::string>{std::string("a\0b", 3)}));
}

TEST(DecodeScriptLines, AlternatesKeyByBytePositionAndSkipsControlBytes) {
  // Key 0x1234 (>= 32): key bytes (0x1234 >> 5) & 31 = 17 and 0x1234 & 31 = 20.
  std::vector<std::string> lines = {"\tAB", test::Sjis("表")};
  DecodeScriptLines(lines, 0x1234);
  EXPECT_EQ(lines[0], std::string("\t") + char('A' ^ 20) + char('B' ^ 17));
  EXPECT_EQ(lines[1], std::string() + char(0x95 ^ 17) + char(0x5C ^ 20));
  DecodeScriptLines(lines, 0x1234);
  EXPECT_EQ(lines[0], "\tAB");
  // Below 32 both bytes are the key itself.
  std::vector<std::string> small = {"ab"};
  DecodeScriptLines(small, 5);
  EXPECT_EQ(small[0], std::string() + char('a' ^ 5) + char('b' ^ 5));
}

TEST(DecodeScriptLines, EveryKeyRoundTripsWithoutMakingLineBreaks) {
  std::string all;
  for (int b = 0x20; b < 256; ++b) all += static_cast<char>(b);
  for (int32_t key : {0, 21, 31, 32, -1, -100, 12345, INT32_MIN, INT32_MAX, DeriveScriptKey(0),
                      DeriveScriptKey(987654)}) {
    std::vector<std::string> lines = {all};
    DecodeScriptLines(lines, key);
    for (char c : lines[0]) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << key;
    DecodeScriptLines(lines, key);
    EXPECT_EQ(lines[0], all) << key;
  }
}

TEST(LoadDecodeKey, ReadsTheNumberOrUsesTheDefault) {
  test::TempDir dir;
  const GameFiles game(dir.str());
  EXPECT_EQ(LoadDecodeKey(game), kDefaultScriptKey);
  dir.Write("decode.key", "  4711\n");
  EXPECT_EQ(LoadDecodeKey(game), DeriveScriptKey(4711));
  EXPECT_NE(DeriveScriptKey(4711), DeriveScriptKey(4712));
  dir.Write("decode.key", "garbage");
  EXPECT_EQ(LoadDecodeKey(game), DeriveScriptKey(0));
  // A FIFO under the name is no key file (opening it would wait for ever).
  std::filesystem::remove(dir.path() / "decode.key");
  ASSERT_EQ(::mkfifo((dir.path() / "decode.key").c_str(), 0644), 0);
  EXPECT_EQ(LoadDecodeKey(game), kDefaultScriptKey);
}

TEST(OpenScriptFile, ExtensionRules) {
  // Names resolve against the game folder, never the process's current one.
  test::TempDir dir;
  const GameFiles game(dir.str()), data(dir.str(), "Sub/");
  std::vector<std::string> plain = {"_plain", "line"};
  std::vector<std::string> scrambled = plain;
  DecodeScriptLines(scrambled, 7);
  dir.Write("scene.txd", scrambled[0] + "\r\n" + scrambled[1] + "\r\n");
  dir.Write("other.txt", "_other\r\n");
  dir.Write("both.txt", "_text\r\n");
  dir.Write("both.txd", "_never\r\n");
  dir.Write("Sub/Mixed.TXT", "_mixed\r\n");

  EXPECT_EQ(ScriptFile::OpenScriptFile("scene.txt", game, 7),
            plain);  // falls back to .txd, decoded
  EXPECT_EQ(ScriptFile::OpenScriptFile("scene.txd", game, 7), plain);
  EXPECT_EQ(ScriptFile::OpenScriptFile("other.txd", game, 7)[0], "_other");  // .txt, not decoded
  EXPECT_EQ(ScriptFile::OpenScriptFile("both.txt", game, 7)[0], "_text");
  EXPECT_EQ(ScriptFile::OpenScriptFile("sub\\mixed.txt", game, 7)[0], "_mixed");
  EXPECT_EQ(ScriptFile::OpenScriptFile("%DATA_DRIVE%mixed.txt", data, 7)[0], "_mixed");
  EXPECT_THROW(ScriptFile::OpenScriptFile("missing.txt", game, 7), ScriptException);
  EXPECT_THROW(ScriptFile::OpenScriptFile("", game, 7), ScriptException);
}

TEST(Labels, LookupRules) {
  RecordingSink sink;
  ScriptFile file(sink);
  file.SetLines({":Start", "x", "  \t:indented", ":trail ", ":Start", test::Sjis(":ラベル")});
  struct Case {
    std::string name;
    int32_t expected;
  } cases[] = {
      {":start", 0},  // case ignored, first of two wins
      {":START", 0},
      {":indented", 2},
      {":trail ", 3},  // reachable only with the blank
      {":trail", 99},  // not found
      {test::Sjis(":ラベル"), 5},
      {"start", 99},  // the colon is part of the name
  };
  for (const auto& c : cases) EXPECT_EQ(file.FindLabel(c.name, 99), c.expected) << c.name;
  ASSERT_EQ(sink.errors.size(), 2u);
  EXPECT_EQ(sink.errors[0], test::Sjis("ラベルが見つかりません:trail"));
}

TEST(Labels, TrailBytesAreNotCaseFolded) {
  // "ア" (0x83 0x41) and "ヂ" (0x83 0x61): trail bytes "A" and "a"
  // must not compare equal.
  RecordingSink sink;
  ScriptFile file(sink);
  file.SetLines({":\x83\x41"});
  EXPECT_EQ(file.FindLabel(":\x83\x61", -5), -5);
}

TEST(Labels, AtMost512) {
  for (int count : {512, 513}) {
    RecordingSink sink;
    ScriptFile file(sink);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(":l" + std::to_string(i));
    file.SetLines(lines);
    EXPECT_EQ(file.LabelNames().size(), 512u);
    EXPECT_EQ(file.FindLabel(":l511", -1), 511);
    if (count == 512) {
      EXPECT_TRUE(sink.errors.empty());
    } else {
      ASSERT_EQ(sink.errors.size(), 1u);
      EXPECT_EQ(sink.errors[0], test::Sjis("ラベルが多すぎます。最大：512"));
      EXPECT_EQ(file.FindLabel(":l512", -1), -1);
    }
  }
}

}  // namespace
}  // namespace korvana
